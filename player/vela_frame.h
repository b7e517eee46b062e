// The borderless frame that the main window and every dialog of the player share: no
// non-client area is drawn, the layout's caption band drags the window, the layout's size box
// (where the window has one) sizes it, and the window is clipped to a rounded rectangle.
#pragma once

#include <windows.h>

#include "ui_core.h"

namespace VelaUI {

// Classes of controls that keep their clicks inside the caption band.
enum CaptionControls {
    kCaptionKeepsButtons,                  // the dialogs: buttons only
    kCaptionKeepsButtonsOptionsAndTexts,   // the main window: buttons, options and texts
};

// Takes the caption from the window's style and keeps its painting off its children and siblings
// (done when the window is created: the frame is the layout's to draw).
void MakeBorderless(HWND hWnd);

// The hit test of a borderless window at a screen point (WM_NCHITTEST's lParam). With useSizeBox,
// the layout's size box gives the sizing edges unless the window is maximised; then the caption
// band gives HTCAPTION unless no control or a control that keeps its clicks lies under the point.
// Every other point is HTCLIENT.
LRESULT FrameHitTest(HWND hWnd, const UIToolkit::CWindowManagerUI& manager, LPARAM screenPoint, bool useSizeBox,
                     CaptionControls keep);

// Clips the window to a rounded rectangle of its real size with the layout's round corner (none
// for a 0 by 0 corner or a minimised window).
void ApplyRoundRegion(HWND hWnd, const UIToolkit::CWindowManagerUI& manager);

// WM_NCACTIVATE of a window without a non-client area: true (with the result) unless the window
// is minimised, when the default processing must run.
bool FrameNcActivate(HWND hWnd, WPARAM wParam, LRESULT& result);

}  // namespace VelaUI
