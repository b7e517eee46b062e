// The player's start-up: one instance, the start-up report, the update check, the framework's
// settings, the seed of "Set.ini" and the main window's run.
#pragma once

#include <windows.h>

#include <string>

namespace VelaUI {

// The running program's full path, and its folder ending in "\".
std::wstring ProgramPath();
std::wstring ProgramFolder();

// The file version of a module's executable as four parts (major, minor, build, revision).
bool GetFileVersionParts(HMODULE module, WORD parts[4]);
// "a.b.c.d", or empty when the version cannot be read.
std::wstring GetOwnVersionText(HMODULE module);
// Compares dotted versions part by part as numbers ("1.0.10.0" is newer than "1.0.9.0"); a
// missing part counts as 0 and an empty version is lower than any other. -1, 0 or 1.
int CompareDottedVersions(const std::string& a, const std::string& b);

// The question "有新版本可用,是否升级": 1 for OK, 2 for Cancel, Close or Esc, -1 when the dialog
// cannot be made.
int AskForUpdate();
// True when the whole command line is one of the updater's hand-over words.
bool IsUpdaterCommandLine(const wchar_t* commandLine);
// The update check of a start by the updater: writes "app.xml", fetches "update.ini" into the data
// folder (dataFolder ends in "\") and, when it offers a newer version and the user agrees, starts
// the updater. True when the updater was started (the player then ends).
bool RunUpdateCheck(const std::wstring& dataFolder);
// Starts "Update.exe" from the program's own folder; the process handle (to be closed by the
// caller), or null when it cannot be started.
HANDLE StartUpdater();

// Copies "Set.ini" from the program's folder unless the user has one, and creates one with the
// defaults when there is still none.
void SeedSettings(const std::wstring& programFolder, const std::wstring& dataFolder);

// Shows the window of the running instance titled "VelaMusic" (also one hidden to the tray).
// False when there is none.
bool ActivateRunningInstance();

// Creates the main window and runs the message loop until the quit message; 0.
int RunMainWindow(HINSTANCE instance);

}  // namespace VelaUI
