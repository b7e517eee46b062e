#include "listext_test_util.h"

namespace listext {

void NotifyWindow::Notify(UINotify& msg) {
    log.push_back(std::wstring(msg.type) + L":" + std::to_wstring(static_cast<long long>(msg.wParam)) +
                  L":" + std::to_wstring(static_cast<long long>(msg.lParam)));
    uitest::TestWindow::Notify(msg);
}

std::vector<std::wstring> NotifyWindow::Of(const wchar_t* type) const {
    std::vector<std::wstring> result;
    const std::wstring prefix = std::wstring(type) + L":";
    for (const std::wstring& entry : log) {
        if (entry.compare(0, prefix.size(), prefix) == 0) result.push_back(entry);
    }
    return result;
}

void ParkCursor() {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
}

POINT ScreenCenter(CControlUI* control) {
    const RECT rc = control->GetPos();
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(control->GetManager()->GetPaintWindow(), &pt);
    return pt;
}

void ClickAt(HWND hWnd, POINT client) {
    const LPARAM lParam = MAKELPARAM(client.x, client.y);
    ::PostMessageW(hWnd, WM_MOUSEMOVE, 0, lParam);
    ::PostMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, lParam);
    ::PostMessageW(hWnd, WM_LBUTTONUP, 0, lParam);
    uitest::Pump();
}

void MoveTo(HWND hWnd, POINT client) {
    ::PostMessageW(hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    uitest::Pump();
}

void Repaint(HWND hWnd) {
    ::InvalidateRect(hWnd, nullptr, FALSE);
    ::UpdateWindow(hWnd);
    uitest::Pump();
}

}  // namespace listext
