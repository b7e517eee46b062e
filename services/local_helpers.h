// Small services shared across the player: the per-user data folder, folder creation, the
// player's three-byte text form of its list files, XML texts and files, starting programs, the
// web browser's path and the "app.xml" hand-over file read by the updater. Whole-file reading,
// writing and replacing and UTF-8 and ANSI text come from the base library with this header.
#pragma once

#include <string>

#include <tinyxml.h>

#include "win_files.h"
#include "win_text.h"
#include "xml_text.h"

// The roaming application-data folder (created by the shell when missing) plus "\VelaMusic",
// without a trailing backslash. The "VelaMusic" folder itself is not created. False when the
// shell cannot name the application-data folder (out is then empty).
bool GetUserDataFolder(std::wstring& out);

// Creates every missing folder along path, shortest first. The result is that of the deepest
// folder's creation: false when it existed already or could not be made.
bool CreateDirectoryTree(const std::wstring& path);

// The player's three-byte text form: every UTF-16 unit, ASCII included, is stored as
// 1110xxxx 10xxxxxx 10xxxxxx (top four, middle six and low six bits); a surrogate pair as two
// groups. On reading, a byte with the high bit set starts a group and any other byte is one
// character by itself.
void EncodeUnit3Bytes(unsigned char out[3], wchar_t unit);
// Writes text in the three-byte form into out. False (out as far as built) on a failed allocation.
bool WideToUtf8Fixed3(std::string& out, const std::wstring& text);
// Reads the three-byte form into out; a group cut short by the end of the text ends the
// reading. False (out as far as built) on a failed allocation.
bool Utf8Fixed3ToWide(std::wstring& out, const std::string& text);

// Starts a process from the whole command line (shown, feedback cursor on, new console).
// Returns 0; a failed start is not reported.
int RunCommandLine(const std::wstring& commandLine);

// The web browser's program as the start of a command line: the default value of
// HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\IEXPLORE.EXE, or
// "C:\Program Files\Internet Explorer\IEXPLORE.EXE" when it cannot be read, always in double
// quotes so that a path with blanks stays one token. Returns 0.
int GetBrowserPath(std::wstring& out);

// Writes the XML file data folder + fileName (fileName begins with a backslash, "\app.xml")
// whose root element "AppPath" holds the running program's full path, in UTF-8 as its
// declaration says and marked by the UTF-8 byte-order mark (the updater reads unmarked files as
// the ANSI code page). False when the data folder is unknown or the file cannot be written.
bool WriteAppXml(const std::wstring& fileName);
// The text of that file for the given program path.
std::string AppXmlText(const std::wstring& programPath);
