// Push button with per-state images and text colours, and the option (check box or radio
// button) built on it.
#pragma once

#include <windows.h>

#include "label.h"

namespace UIToolkit {

// Visual state bits of buttons, options and slider thumbs.
enum ButtonState : UINT {
    BUTTONSTATE_FOCUSED = 0x1,
    BUTTONSTATE_SELECTED = 0x2,
    BUTTONSTATE_DISABLED = 0x4,
    BUTTONSTATE_HOT = 0x8,
    BUTTONSTATE_PUSHED = 0x10,
    BUTTONSTATE_CAPTURED = 0x40,
};

// Sends "click" when activated by the mouse (press and release inside) or by Space or Return.
class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    ~CButtonUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetEnabled(bool enable = true) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    void SetNormalImage(const wchar_t* image);
    void SetHotImage(const wchar_t* image);
    void SetPushedImage(const wchar_t* image);
    void SetFocusedImage(const wchar_t* image);
    void SetDisabledImage(const wchar_t* image);

    void SetHotTextColor(DWORD color);
    DWORD GetHotTextColor() const;
    void SetPushedTextColor(DWORD color);
    void SetFocusedTextColor(DWORD color);
    DWORD GetFocusedTextColor() const;

    // Exchanges the normal and pushed images and the hot image with the parked one (two-state
    // buttons); a second call restores the first look.
    void SwapStateImages();

protected:
    // Brings the focused and disabled bits in line with the control.
    void RefreshState();
    // The text colour for the current state (disabled, pushed, hot, focused).
    DWORD GetStateTextColor() const;

    UINT m_buttonState;
    DWORD m_hotTextColor;
    DWORD m_pushedTextColor;
    DWORD m_focusedTextColor;
    CUIString m_normalImage;
    CUIString m_hotImage;
    CUIString m_pushedImage;
    CUIString m_focusedImage;
    CUIString m_disabledImage;
    CUIString m_parkedImage;
};

// A button with a selected state: alone a check box that toggles, in a named group of its
// window manager a radio button. Sends "selectchanged".
class COptionUI : public CButtonUI {
public:
    COptionUI();
    ~COptionUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    bool Activate() override;
    void SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetEnabled(bool enable = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    bool IsSelected() const;
    void SetSelected(bool select);
    void SetGroup(const wchar_t* name);
    void SetSelectedImage(const wchar_t* image);
    void SetForeImage(const wchar_t* image);
    void SetSelectedTextColor(DWORD color);

protected:
    bool m_selected;
    CUIString m_group;
    DWORD m_selectedTextColor;
    CUIString m_selectedImage;
    CUIString m_foreImage;
};

}  // namespace UIToolkit
