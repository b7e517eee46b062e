// A shown framework window whose root is a plain container, for the edit and rich edit tests;
// controls are placed as float children at fixed rectangles.
#pragma once

#include <string>
#include <vector>

#include "uicore_test_util.h"

namespace edittest {

using namespace UIToolkit;

class FormFixture {
public:
    FormFixture(int width = 320, int height = 200);
    ~FormFixture();
    FormFixture(const FormFixture&) = delete;
    FormFixture& operator=(const FormFixture&) = delete;

    HWND hwnd() const { return m_window->GetHWND(); }
    CWindowManagerUI& pm() { return m_window->pm; }
    CContainerUI* root() { return m_root; }
    std::vector<std::wstring>& notes() { return m_window->notes; }
    // How many notifications of that "<type>:<sender>" text arrived.
    int CountNotes(const std::wstring& text) const;

    // Adds a control as a float child at the given rectangle (relative to the window).
    void Place(CControlUI* control, const RECT& rc);
    // Lays out and paints whatever is pending, then handles every waiting message.
    void Settle();
    // Sends a message to the window through the framework's pre-translation, as the message
    // loop would. True when pre-translation consumed it.
    bool Deliver(UINT message, WPARAM wParam, LPARAM lParam);

private:
    uitest::TestWindow* m_window;
    CContainerUI* m_root;
};

// Counts the pixels of a canvas area whose colour is near the given one (0xRRGGBB).
int CountNear(const uitest::Canvas& canvas, const RECT& rc, DWORD rgb, int tolerance);
// Whether two canvases hold the same pixels in an area.
bool SameArea(const uitest::Canvas& a, const uitest::Canvas& b, const RECT& rc);

}  // namespace edittest
