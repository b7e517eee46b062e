// The header row of a list: column titles over state images, "headerclick", and a separator band
// at one edge of each column that the user drags to change the column's width.
#pragma once

#include <windows.h>

#include "control.h"
#include "layouts.h"
#include "ui_base.h"

namespace UIToolkit {

class CListHeaderUI : public CHorizontalLayoutUI {
public:
    CListHeaderUI();
    ~CListHeaderUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    SIZE EstimateSize(SIZE available) override;
};

class CListHeaderItemUI : public CControlUI {
public:
    // Button state bits.
    enum : UINT { kStateFocused = 0x1, kStateHot = 0x8, kStatePushed = 0x10, kStateCaptured = 0x40 };

    CListHeaderItemUI();
    ~CListHeaderItemUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    void SetEnabled(bool enable = true) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    // The separator band: at the right edge, or at the left edge for a negative width.
    RECT GetSeparatorRect() const;

    bool IsDragable() const { return m_dragable; }
    void SetDragable(bool dragable);
    int GetSepWidth() const { return m_sepWidth; }
    void SetSepWidth(int width);
    UINT GetTextStyle() const { return m_textStyle; }
    void SetTextStyle(UINT style);
    DWORD GetTextColor() const { return m_textColor; }
    void SetTextColor(DWORD color);
    int GetFont() const { return m_font; }
    void SetFont(int index);
    RECT GetTextPadding() const { return m_textPadding; }
    void SetTextPadding(RECT padding);
    bool IsShowHtml() const { return m_showHtml; }
    void SetShowHtml(bool showHtml = true);
    const wchar_t* GetNormalImage() const { return m_normalImage; }
    void SetNormalImage(const wchar_t* image);
    const wchar_t* GetHotImage() const { return m_hotImage; }
    void SetHotImage(const wchar_t* image);
    const wchar_t* GetPushedImage() const { return m_pushedImage; }
    void SetPushedImage(const wchar_t* image);
    const wchar_t* GetFocusedImage() const { return m_focusedImage; }
    void SetFocusedImage(const wchar_t* image);
    const wchar_t* GetSepImage() const { return m_sepImage; }
    void SetSepImage(const wchar_t* image);
    UINT GetButtonState() const { return m_buttonState; }

private:
    // Draws an image string of the item; an image that cannot be drawn is emptied for good.
    void DrawOrForget(HDC hDC, CUIString& image, const wchar_t* modifier = nullptr);
    void RelayoutList();

    POINT m_lastMouse;
    bool m_dragable;
    UINT m_buttonState;
    int m_sepWidth;
    DWORD m_textColor;
    int m_font;
    UINT m_textStyle;
    bool m_showHtml;
    RECT m_textPadding;
    CUIString m_normalImage;
    CUIString m_hotImage;
    CUIString m_pushedImage;
    CUIString m_focusedImage;
    CUIString m_sepImage;
    CUIString m_sepImageModify;
};

}  // namespace UIToolkit
