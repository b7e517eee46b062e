// In-process tests of the main window: the form built from this program's copy of the player's
// resources, in the test prefix's data folder, driven by posted messages and clicks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vela_main_form.h"

namespace mainform {

// Dispatches this thread's messages until the condition holds or the time is up; quit messages
// (the closed main window posts one) are dropped. True when the condition held.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
void Pump(DWORD ms);

// Runs steps from a thread timer, also inside modal loops that the code under test runs: each
// step is retried every few milliseconds until it returns true; then the next one runs.
class Script {
public:
    explicit Script(std::vector<std::function<bool()>> steps);
    ~Script();
    bool Done() const { return m_next >= m_steps.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    std::vector<std::function<bool()>> m_steps;
    size_t m_next = 0;
    UINT_PTR m_timer = 0;
};

// A shown window of this thread with the class name (and title, when given); null when none.
HWND FindThreadWindow(const wchar_t* className, const wchar_t* title = nullptr);
// The form object of a framework window of this thread.
template <typename T>
T* FormOf(HWND hWnd) {
    return hWnd != nullptr ? dynamic_cast<T*>(reinterpret_cast<UIToolkit::CWindowWnd*>(
                                 ::GetWindowLongPtrW(hWnd, GWLP_USERDATA)))
                           : nullptr;
}
// Posts a left click at the centre of the named control of a framework window.
bool ClickControl(HWND hWnd, UIToolkit::CWindowManagerUI& manager, const wchar_t* name);

// The data folder's files that the main window reads and writes.
std::wstring DataFile(const wchar_t* name);
void RemoveDataFiles();
// Writes "Set.ini" as text (UTF-8 source, written as UTF-16 with its mark).
void WriteSettings(const std::string& text);
std::wstring ReadSetting(const wchar_t* section, const wchar_t* key);

// The three-byte form of a UTF-8 text, as the playlist files store it.
std::string Fixed3(const std::string& utf8);
// One "Track" element of a playlist file, fields in file order (14 texts, then the two flags).
struct TrackFields {
    std::string texts[14];
    bool downloading = false;
    bool local = false;
};
// A whole playlist file as the player writes it.
std::string PlayListFile(const std::vector<TrackFields>& tracks);

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window as the player does, shows it and lets it build its playlists.
    void Open();
    // Closes it with the message and waits until the window is gone.
    void CloseWith(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UIToolkit::CControlUI* Control(const wchar_t* name);
    void Click(const wchar_t* name);
    // The cell text that "ListPlayList" draws.
    std::wstring Cell(int row, int column);
    UIToolkit::CListUI* List(const wchar_t* name);

    VelaUI::VelaMainForm* form = nullptr;
    HWND hWnd = nullptr;
};

}  // namespace mainform
