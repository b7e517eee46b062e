// Helpers for the player's form tests: the program's resources, the pointer, posted input.
#pragma once

#include <windows.h>

#include <string>

#include "ui_controls.h"

namespace formtest {

// Points the UI framework at this program's own resources.
void UseOwnResources();
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

}  // namespace formtest
