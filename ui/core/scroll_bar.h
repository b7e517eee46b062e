// Windowless scroll bar: two buttons, a thumb with a rail mark and a background, painted from
// image strings by state; line, page and drag scrolling with timer-driven auto-repeat.
#pragma once

#include "control.h"

namespace UIToolkit {

class CContainerUI;

class CScrollBarUI : public CControlUI {
public:
    enum { kRepeatTimerId = 10, kRepeatElapse = 50, kDefaultThickness = 16 };

    CScrollBarUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;

    CContainerUI* GetOwner() const { return m_owner; }
    void SetOwner(CContainerUI* owner);

    bool IsHorizontal() const { return m_horizontal; }
    void SetHorizontal(bool horizontal = true);
    int GetScrollRange() const { return m_range; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_position; }
    void SetScrollPos(int pos);
    int GetLineSize() const { return m_lineSize; }
    void SetLineSize(int size);

    bool GetShowButton1() const { return m_showButton1; }
    void SetShowButton1(bool show);
    bool GetShowButton2() const { return m_showButton2; }
    void SetShowButton2(bool show);

    const RECT& GetButton1Rect() const { return m_button1.rect; }
    const RECT& GetButton2Rect() const { return m_button2.rect; }
    const RECT& GetThumbRect() const { return m_thumb.rect; }
    UINT GetButton1State() const { return m_button1.state; }
    UINT GetButton2State() const { return m_button2.state; }
    UINT GetThumbState() const { return m_thumb.state; }

    void SetButton1NormalImage(const wchar_t* image);
    void SetButton1HotImage(const wchar_t* image);
    void SetButton1PushedImage(const wchar_t* image);
    void SetButton1DisabledImage(const wchar_t* image);
    void SetButton2NormalImage(const wchar_t* image);
    void SetButton2HotImage(const wchar_t* image);
    void SetButton2PushedImage(const wchar_t* image);
    void SetButton2DisabledImage(const wchar_t* image);
    void SetThumbNormalImage(const wchar_t* image);
    void SetThumbHotImage(const wchar_t* image);
    void SetThumbPushedImage(const wchar_t* image);
    void SetThumbDisabledImage(const wchar_t* image);
    void SetRailNormalImage(const wchar_t* image);
    void SetRailHotImage(const wchar_t* image);
    void SetRailPushedImage(const wchar_t* image);
    void SetRailDisabledImage(const wchar_t* image);
    void SetBkNormalImage(const wchar_t* image);
    void SetBkHotImage(const wchar_t* image);
    void SetBkPushedImage(const wchar_t* image);
    void SetBkDisabledImage(const wchar_t* image);

    void SetPos(RECT rc) override;
    void SetVisible(bool visible = true) override;
    void SetEnabled(bool enable = true) override;
    void SetFocus() override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;

    // State bits of the parts.
    enum : UINT { kStateDisabled = 0x4, kStateHot = 0x8, kStatePushed = 0x10, kStateCaptured = 0x40 };

private:
    // Image strings of one part by state.
    struct PartImages {
        CUIString normal, hot, pushed, disabled;
    };
    struct Part {
        RECT rect = {0, 0, 0, 0};
        UINT state = 0;
        PartImages images;
    };

    int Thickness() const;
    // The drag offset for a pointer movement of delta pixels along the bar.
    int DragOffset(int delta) const;
    void LineBack();
    void LineForward();
    void PageStepAt(POINT pt);
    void NotifyScroll();
    void StopRepeat();
    void OnRepeatTick();
    void SyncDisabledBit(UINT& state) const;
    // Draws the image that fits the state, falling back to the normal one; images that fail are
    // emptied. True when one was drawn.
    bool DrawStateImage(HDC hDC, UINT state, PartImages& images, const wchar_t* modifier);
    void PaintBk(HDC hDC);
    void PaintPart(HDC hDC, Part& part);
    void PaintRail(HDC hDC);
    CUIString MakeDestModifier(const RECT& rc) const;

    bool m_horizontal = false;
    int m_range = 100;
    int m_position = 0;
    int m_lineSize = 8;
    CContainerUI* m_owner = nullptr;
    POINT m_dragStartPoint = {0, 0};
    int m_dragStartPosition = 0;
    int m_dragOffset = 0;
    int m_repeatCount = 0;
    PartImages m_bk;
    bool m_showButton1 = true;
    Part m_button1;
    bool m_showButton2 = true;
    Part m_button2;
    Part m_thumb;
    PartImages m_rail;
    CUIString m_modifier;
};

}  // namespace UIToolkit
