// Drives the real VelaMusic.exe from outside, as a user and the system would: starts it with
// exactly the command line wanted, finds its windows, posts the messages of its message map,
// clicks at the position of a named control (computed by laying out the program's own layout
// resource at the window's size), waits for files, and ends it. For the end-to-end tests of the
// player; the player itself has no test hooks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Polls the condition every 50 ms until it holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

// A folder with a fresh copy of the built player (VelaMusic.exe and skin.zip), so that tests can
// put files beside it (an "Update.exe", a "Set.ini" seed). Returns the folder, ending in "\".
std::wstring PrepareProgramFolder(const std::wstring& tag);
// A built program of the tree: the deliverables' folder or the test programs' folder.
std::wstring BuiltProgram(const wchar_t* name);
std::wstring BuiltTestProgram(const wchar_t* name);

// The first shown top-level window of the process with that class (and title, when given).
HWND FindProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title = nullptr);
// Every top-level window titled "VelaMusic" of any process.
std::vector<HWND> PlayerWindows();
// The running processes of this program file name (e.g. L"Update.exe"); -1 when they cannot be listed.
int RunningProcesses(const wchar_t* exeName);

class PlayerProcess {
public:
    PlayerProcess() = default;
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;
    // Ends a player that a failed test left running.
    ~PlayerProcess();

    // Starts the program with exactly this command line (an empty one is no command line at all)
    // in the current folder given (empty: the program's own folder).
    bool Start(const std::wstring& program, const std::wstring& commandLine, const std::wstring& currentFolder = L"");
    // The main window once it is shown; null after the time-out.
    HWND WaitForMainWindow(DWORD timeoutMs = 20000);
    // A shown window of the player with this class (its dialogs and menus); null after the time-out.
    HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs = 10000);
    // True when the process ended in time; its exit code goes to exitCode.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    bool IsRunning() const;
    void Kill();

    DWORD Id() const { return m_id; }
    const std::wstring& Program() const { return m_program; }
    HWND MainWindow() const { return m_main; }

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
    std::wstring m_program;
    HWND m_main = nullptr;
};

// An attribute that the program sets on a control of a layout at run time ("visible", "pos", ...).
struct LayoutChange {
    std::wstring control;
    std::wstring attribute;
    std::wstring value;
};

// Lays out a layout resource of the program at the window's client size and returns the named
// control's rectangle in client coordinates. The changes are made first, to match what the
// program changed at run time.
bool ControlRect(const std::wstring& program, WORD layoutId, HWND window, const wchar_t* name, RECT& rect,
                 const std::vector<LayoutChange>& changes = {});
// The rectangle of a row of the named list once it holds rows text rows (client coordinates).
bool ListRowRect(const std::wstring& program, WORD layoutId, HWND window, const wchar_t* list, int rows, int row,
                 RECT& rect, const std::vector<LayoutChange>& changes = {});
// Posts a left click at the centre of the named control of a layout shown in the window.
bool ClickControl(const std::wstring& program, WORD layoutId, HWND window, const wchar_t* name,
                  const std::vector<LayoutChange>& changes = {});
// Posts a left click at a client point of the window.
void ClickAt(HWND window, int x, int y);
// Posts a double click (press, release, double-click press, release) at a client point.
void DoubleClickAt(HWND window, int x, int y);
// Posts mouse-wheel notches at a client point, as the system sends them (the point in screen
// coordinates): positive notches turn the wheel away from the user (up), negative ones down.
void WheelAt(HWND window, int x, int y, int notches);
// Posts a key press and release (a virtual-key code) to the window.
void PressKey(HWND window, WPARAM key);
// Posts Alt+F4 to the window as the keyboard gives it (system key messages with Alt held).
void PressAltF4(HWND window);

// Clicks the main window's close button and waits for the close-behaviour dialog; null when it
// did not come.
HWND OpenCloseDialog(PlayerProcess& player);
// Clicks the named controls of the close-behaviour dialog ("RadioTray", "RadioExit",
// "CheckNotDisplay"), then its "BtnOK".
bool AnswerCloseDialog(const std::wstring& program, HWND dialog, const std::vector<const wchar_t*>& clicks);

// Waits until the file exists and its contents stop changing; its bytes go to contents.
bool WaitForFile(const std::wstring& path, DWORD timeoutMs, std::string* contents = nullptr);

// Writes a playlist file in the player's own form ("PLDefault", "PLILike") holding the stand-in's
// tracks of these ids (named "track <id>").
bool WritePlayListFile(const std::wstring& path, const std::vector<std::string>& trackIds);
// The ProductIDs of the play-URL requests that the stand-in logged, in order: the tracks the
// player set out to play.
std::vector<std::string> PlayUrlRequests();

// The rows that the window draws in an area, as the centres (client y) of the runs of lines that
// hold a pixel of the same kind (classify: 0 for none) between x0 and x1 of the area, read from
// the screen: the rows of a list, the thumb of a scroll bar.
std::vector<int> DrawnRows(HWND window, const RECT& area, int x0, int x1, int (*classify)(BYTE r, BYTE g, BYTE b));

// A classifier for DrawnRows: 1 for the colours of the lists' scroll-bar thumb (skin.zip's
// "scrollbar_thumb*.png": normal, under the mouse, pressed), else 0.
int ScrollBarThumb(BYTE r, BYTE g, BYTE b);

// Saves what the screen shows as a 24-bit BMP file.
bool SaveScreenshot(const std::wstring& path);
// The pixels that the screen shows of a rectangle of the window's client area, row by row from
// the top, each 0x00RRGGBB; empty when they cannot be read.
std::vector<DWORD> ClientPixels(HWND window, const RECT& rect);

}  // namespace e2e
