// The updater's application: runs the dialog, then starts the player again and tells it by its
// command line how the dialog ended.
#pragma once

#include <string>

#include "win_app.h"

class CPatchRunnerApp : public CWinApp {
public:
    CPatchRunnerApp() = default;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Reads the built-in command text "<server-list URL> <mode>".
    void ParseCommandText(const std::wstring& text);

    std::wstring serverListUrl;
    bool autoMode = false;

private:
    bool socketsStarted_ = false;
};

// The server-list address compiled into the updater.
std::wstring BuiltInServerListUrl();

// The player's command line for a dialog result: "Update_IDOK", "Update_IDCANCEL" or empty.
std::wstring PlayerCommandLine(INT_PTR dialogResult);

// Reads the player's path from "app.xml" (or another file) in the player's data folder; returns 1
// when the document loaded and has a top-level node, else 0. The path is empty when no
// "AppPath" node was found.
int LoadAppPath(const std::wstring& fileName, std::wstring& playerPath);

// The text of an "AppPath" node: UTF-8 in a file that starts with the UTF-8 byte-order mark
// (empty when it is not valid UTF-8), else the ANSI code page of older writers.
std::wstring DecodeAppPathText(const std::string& bytes, bool utf8);

// Starts the player with exactly the given command line; false when nothing could be started.
bool StartPlayer(const std::wstring& playerPath, const std::wstring& commandLine);
