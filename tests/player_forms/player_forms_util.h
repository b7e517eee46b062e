// Helpers for the player's form tests: the program's resources, the pointer, posted input.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui_controls.h"
#include "vela_dialog.h"

namespace formtest {

// Points the UI framework at this program's own resources.
void UseOwnResources();
// A hidden window for dialogs to be owned by.
HWND MakeOwnerWindow();
// Destroys the player's dialogs (window classes "VelaUI::...") that this thread still has, so a
// dialog that a failed case left open is not found by the next case.
void DestroyDialogWindows();
// Moves the display's one pointer to the screen's bottom-right corner, off every test window.
void ParkPointer();
// The bytes of a resource of this program ("" when missing).
std::string ResourceBytes(UINT id, const wchar_t* type);
// Posts a left click (down and up) at the centre of a laid-out control of a window.
void PostClick(HWND hWnd, UIToolkit::CControlUI* control);
// Posts a key press (down and up) to a window.
void PostKey(HWND hWnd, WPARAM key);
// The centre of a control in screen coordinates, packed as WM_NCHITTEST wants it.
LPARAM ScreenPoint(HWND hWnd, int x, int y);

// What a dialog showed when a DialogScript met it.
struct SeenDialog {
    std::wstring windowClass;
    HWND owner = nullptr;
    std::wstring firstLine;  // text of "Lable1" (info tips)
    std::wstring picture;    // background image of "LablePic"
};

// Drives the modal dialogs that a call opens on this thread, one step per dialog in order of
// appearance: a step waits until a dialog of its class that no step has met is the active one
// (visible and enabled: a modal dialog disables its owner), lays it out, notes what it shows and
// acts on it. Only one script runs at a time. A script that has not finished 30 s after its
// start closes every dialog of the thread, so that a failing test ends instead of waiting.
class DialogScript {
public:
    typedef std::function<void(VelaUI::VelaDialogForm& form, HWND hWnd)> Action;

    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    DialogScript& Then(const wchar_t* windowClass, Action action);
    // Info tips and most dialogs share this class.
    DialogScript& ThenDialog(Action action) { return Then(L"VelaUI::VelaCloseSetForm", action); }
    // A dialog met before that is active again (after a dialog over it closed), other than the
    // one the previous step acted on.
    DialogScript& ThenAgain(const wchar_t* windowClass, Action action);
    DialogScript& ThenDialogAgain(Action action) { return ThenAgain(L"VelaUI::VelaCloseSetForm", action); }
    // Starts watching; the steps run from the modal loops of the call that follows.
    void Start();

    const std::vector<SeenDialog>& Seen() const { return m_seen; }
    bool Finished() const { return m_next == m_steps.size(); }

    // Actions.
    static Action PressEscape();
    static Action Click(const wchar_t* control);
    static Action SetTextAndClick(const wchar_t* edit, const wchar_t* text, const wchar_t* control);

private:
    struct Step {
        std::wstring windowClass;
        Action action;
        bool again;
    };
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK FindActive(HWND hWnd, LPARAM script);
    static BOOL CALLBACK CloseDialog(HWND hWnd, LPARAM);

    std::vector<Step> m_steps;
    size_t m_next = 0;
    std::vector<HWND> m_met;
    std::vector<SeenDialog> m_seen;
    HWND m_found = nullptr;
    UINT_PTR m_timer = 0;
    DWORD m_started = 0;
};

}  // namespace formtest
