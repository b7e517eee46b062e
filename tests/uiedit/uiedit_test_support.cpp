#include "uiedit_test_support.h"

#include <cstdlib>

namespace edittest {

FormFixture::FormFixture(int width, int height) : m_window(new uitest::TestWindow), m_root(new CContainerUI) {
    m_window->CreateShown(width, height);
    m_window->pm.AttachRoot(m_root);
    Settle();
    // The first paint moves the focus to the first tab stop; tests start with none.
    m_window->pm.SetFocus(nullptr);
    uitest::Pump();
    m_window->notes.clear();
}

FormFixture::~FormFixture() {
    ::DestroyWindow(m_window->GetHWND());
    uitest::Pump();
    delete m_window;
}

int FormFixture::CountNotes(const std::wstring& text) const {
    int count = 0;
    for (const std::wstring& note : m_window->notes) {
        if (note == text) ++count;
    }
    return count;
}

void FormFixture::Place(CControlUI* control, const RECT& rc) {
    control->SetAttribute(L"float", L"true");
    wchar_t pos[64];
    wsprintfW(pos, L"%d,%d,%d,%d", static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.right),
              static_cast<int>(rc.bottom));
    control->SetAttribute(L"pos", pos);
    m_root->Add(control);
    Settle();
}

void FormFixture::Settle() {
    uitest::Pump();
    ::InvalidateRect(hwnd(), nullptr, FALSE);
    ::UpdateWindow(hwnd());
    uitest::Pump();
}

bool FormFixture::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg = {};
    msg.hwnd = hwnd();
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    if (CWindowManagerUI::TranslateMessage(&msg)) return true;
    ::SendMessageW(hwnd(), message, wParam, lParam);
    return false;
}

int CountNear(const uitest::Canvas& canvas, const RECT& rc, DWORD rgb, int tolerance) {
    int count = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            const DWORD p = canvas.Pixel(x, y);
            const int dr = std::abs(static_cast<int>((p >> 16) & 0xFF) - static_cast<int>((rgb >> 16) & 0xFF));
            const int dg = std::abs(static_cast<int>((p >> 8) & 0xFF) - static_cast<int>((rgb >> 8) & 0xFF));
            const int db = std::abs(static_cast<int>(p & 0xFF) - static_cast<int>(rgb & 0xFF));
            if (dr <= tolerance && dg <= tolerance && db <= tolerance) ++count;
        }
    }
    return count;
}

bool SameArea(const uitest::Canvas& a, const uitest::Canvas& b, const RECT& rc) {
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
        }
    }
    return true;
}

}  // namespace edittest
