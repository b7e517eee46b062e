// Helpers for the player's form tests.
#include "player_forms_util.h"

namespace formtest {

using UIToolkit::CControlUI;
using UIToolkit::CWindowManagerUI;

void UseOwnResources() { CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr)); }

void ParkPointer() {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
}

std::string ResourceBytes(UINT id, const wchar_t* type) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (info == nullptr) return std::string();
    HGLOBAL data = ::LoadResource(module, info);
    const void* bytes = data != nullptr ? ::LockResource(data) : nullptr;
    if (bytes == nullptr) return std::string();
    return std::string(static_cast<const char*>(bytes), ::SizeofResource(module, info));
}

void PostClick(HWND hWnd, CControlUI* control) {
    const RECT& rc = control->GetPos();
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::PostMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(hWnd, WM_LBUTTONUP, 0, at);
}

void PostKey(HWND hWnd, WPARAM key) {
    ::PostMessageW(hWnd, WM_KEYDOWN, key, 1);
    ::PostMessageW(hWnd, WM_KEYUP, key, 0xC0000001);
}

LPARAM ScreenPoint(HWND hWnd, int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(hWnd, &pt);
    return MAKELPARAM(static_cast<short>(pt.x), static_cast<short>(pt.y));
}

}  // namespace formtest
