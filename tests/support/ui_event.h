// Input events for handing to a control directly, as the window manager makes them. For the
// tests of the UI framework and its controls only (it needs the framework's headers).
#pragma once

#include <windows.h>

#include "window_manager.h"

namespace uitest {

inline UIToolkit::UIEvent MakeEvent(int type, UIToolkit::CControlUI* sender = nullptr, POINT pt = POINT{0, 0},
                                    wchar_t key = 0, WPARAM wParam = 0, LPARAM lParam = 0, WORD keyState = 0) {
    return UIToolkit::UIEvent{type, sender, ::GetTickCount(), pt, key, keyState, wParam, lParam};
}

}  // namespace uitest
