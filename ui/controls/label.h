// Text controls: the one-line label (also the base of buttons, options, progress bars, sliders
// and edits) and the label that shows the hand cursor.
#pragma once

#include <windows.h>

#include "control.h"

namespace UIToolkit {

// One line of plain or tagged text inside a padding, drawn in the text colour or, when the
// control is disabled, in the disabled text colour.
class CLabelUI : public CControlUI {
public:
    CLabelUI();
    ~CLabelUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintText(HDC hDC) override;

    // Colours are ARGB; 0 means "not set" and becomes the manager's default at the first paint.
    void SetTextColor(DWORD color);
    DWORD GetTextColor() const;
    void SetDisabledTextColor(DWORD color);
    // Index into the manager's fonts; -1 is the manager's default font.
    void SetFont(int index);
    int GetFont() const { return m_font; }
    void SetTextPadding(RECT rc);
    RECT GetTextPadding() const;
    void SetShowHtml(bool showHtml = true);

protected:
    // Replaces unset (zero) text colours by the manager's defaults, once and for good.
    void ResolveDefaultColors();
    // The item rectangle shrunk by the text padding (never inverted).
    RECT GetTextRect() const;
    // Applies the words of an "align" value to the text style.
    void ApplyAlign(const wchar_t* value);
    // For controls that are not mouse-enabled: hands a mouse event to the parent (without a
    // parent, to the label's handling). True when the event was handed on.
    bool ForwardIgnoredMouseEvent(UIEvent& event);
    // Draws the text into rc in the colour, tagged or plain as the show-html flag says.
    void DrawLabelText(HDC hDC, RECT rc, DWORD color, UINT style);
    // Draws a non-empty image string with an optional modifier. A string whose drawing reports
    // failure is emptied for good. True only when the image was drawn.
    bool DrawImageOnce(HDC hDC, CUIString& image, const wchar_t* modifier = nullptr);

    DWORD m_textColor;
    DWORD m_disabledTextColor;
    int m_font;
    UINT m_textStyle;
    RECT m_textPadding;
    bool m_showHtml;
};

// A label that shows the hand cursor (built in code for the rows of the downloads view).
class CLabelUIEx : public CLabelUI {
public:
    CLabelUIEx();
    ~CLabelUIEx() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void HandleEvent(UIEvent& event) override;
};

}  // namespace UIToolkit
