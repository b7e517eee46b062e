// Shared pieces of the list tests: a window whose manager records notifications with their
// parameters, list builders, and synthesized input.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "list.h"
#include "list_elements.h"
#include "list_header.h"
#include "ui_event.h"
#include "uicore_test_util.h"

namespace listtest {

using namespace UIToolkit;

struct Note {
    std::wstring type;
    CControlUI* sender;
    WPARAM wParam;
    LPARAM lParam;
};

// A framework window that keeps the notifications it receives (all but the manager's own
// "setfocus", "killfocus" and "windowinit").
class ListWindow : public uitest::TestWindow {
public:
    void Notify(UINotify& msg) override;

    std::vector<Note> log;
    // "<type>:<wParam>:<lParam>" of each notification, in order.
    std::vector<std::wstring> Texts() const;
};

// Moves the real cursor to the far corner of the screen, off every test window.
void ParkCursor();

// A list with count label rows of the given height, texts "row<i>", names "row<i>".
CListUI* MakeLabelList(int count, int rowHeight = 20);

// Appends header columns of the given widths to the list's header.
void AddColumns(CListUI* list, const std::vector<int>& widths);

using uitest::MakeEvent;

// Sends a key-down to a control as the manager would.
void PressKey(CControlUI* control, wchar_t key);

// Sends a message to a window, then dispatches whatever it queued.
LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LPARAM Point(int x, int y);

// Writes a 4 x 4 BMP of one opaque colour (0xRRGGBB).
std::string SolidBmp(DWORD rgb);

// The centre of a control's rectangle.
POINT Center(CControlUI* control);

}  // namespace listtest
