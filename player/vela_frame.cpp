// The borderless frame shared by the main window and the dialogs.
#include "vela_frame.h"

#include <windowsx.h>

namespace VelaUI {

namespace {

bool KeepsClicks(UIToolkit::CControlUI* control, CaptionControls keep) {
    const wchar_t* cls = control->GetClassName();
    if (::lstrcmpW(cls, L"ButtonUI") == 0) return true;
    return keep == kCaptionKeepsButtonsOptionsAndTexts &&
           (::lstrcmpW(cls, L"OptionUI") == 0 || ::lstrcmpW(cls, L"TextUI") == 0);
}

LRESULT SizeBoxHit(const RECT& client, const RECT& box, POINT pt) {
    const bool left = pt.x < client.left + box.left;
    const bool right = pt.x >= client.right - box.right;
    if (pt.y < client.top + box.top) return left ? HTTOPLEFT : (right ? HTTOPRIGHT : HTTOP);
    if (pt.y >= client.bottom - box.bottom) return left ? HTBOTTOMLEFT : (right ? HTBOTTOMRIGHT : HTBOTTOM);
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    return HTNOWHERE;
}

}  // namespace

void MakeBorderless(HWND hWnd) {
    LONG_PTR style = ::GetWindowLongPtrW(hWnd, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION);
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    ::SetWindowLongPtrW(hWnd, GWL_STYLE, style);
}

LRESULT FrameHitTest(HWND hWnd, const UIToolkit::CWindowManagerUI& manager, LPARAM screenPoint, bool useSizeBox,
                     CaptionControls keep) {
    POINT pt = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};  // signed: multi-monitor desktops
    ::ScreenToClient(hWnd, &pt);
    RECT client = {};
    ::GetClientRect(hWnd, &client);
    if (useSizeBox && !::IsZoomed(hWnd)) {
        const LRESULT edge = SizeBoxHit(client, manager.GetSizeBox(), pt);
        if (edge != HTNOWHERE) return edge;
    }
    const RECT caption = manager.GetCaptionRect();
    if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right && pt.y >= caption.top &&
        pt.y < caption.bottom) {
        UIToolkit::CControlUI* control = manager.FindControlAt(pt);
        if (control != nullptr && !KeepsClicks(control, keep)) return HTCAPTION;
    }
    return HTCLIENT;
}

void ApplyRoundRegion(HWND hWnd, const UIToolkit::CWindowManagerUI& manager) {
    if (::IsIconic(hWnd)) return;
    const SIZE corner = manager.GetRoundCorner();
    if (corner.cx == 0 && corner.cy == 0) return;
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    ::OffsetRect(&rc, -rc.left, -rc.top);
    HRGN region = ::CreateRoundRectRgn(rc.left, rc.top, rc.right + 1, rc.bottom + 1, corner.cx, corner.cy);
    // The window owns the region once it is set; it is ours to free only when that fails.
    if (region != nullptr && ::SetWindowRgn(hWnd, region, TRUE) == 0) ::DeleteObject(region);
}

bool FrameNcActivate(HWND hWnd, WPARAM wParam, LRESULT& result) {
    if (::IsIconic(hWnd)) return false;
    result = wParam == 0 ? 1 : 0;
    return true;
}

}  // namespace VelaUI
