// Shared pieces of the combo, play-list and menu tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui_controls.h"
#include "uicore_test_util.h"

namespace listext {

using namespace UIToolkit;

// A shown framework window (a child of the tests' paint host) with its manager and a log of the
// notifications it receives, as "<type>:<wParam>:<lParam>".
class NotifyWindow : public uitest::TestWindow {
public:
    void Notify(UINotify& msg) override;

    std::vector<std::wstring> log;
    // The notifications of one type, in order.
    std::vector<std::wstring> Of(const wchar_t* type) const;
};

// Moves the real cursor to the far corner of the screen, off every test window.
void ParkCursor();

// The screen point of a control's centre.
POINT ScreenCenter(CControlUI* control);

// Posts a left click (down and up) at a client point of a window and dispatches the messages.
void ClickAt(HWND hWnd, POINT client);
// Posts a mouse move to a client point and dispatches it.
void MoveTo(HWND hWnd, POINT client);

// Lays out and paints a window now.
void Repaint(HWND hWnd);

}  // namespace listext
