// Progress bar and slider.
#pragma once

#include <windows.h>

#include "label.h"

namespace UIToolkit {

// Draws its fore image over the share of its area that the value covers: from the left when
// horizontal, from the bottom when vertical.
class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    ~CProgressUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC hDC) override;

    void SetHorizontal(bool horizontal = true);
    // The setters store as given, in any order; the range is put in order (a maximum not above
    // the minimum counts as minimum + 1, the value is clamped into the range) by the getters,
    // the geometry and every paint, which stores the corrections.
    void SetMinValue(int value);
    void SetMaxValue(int value);
    void SetValue(int value);
    int GetMaxValue() const;
    int GetValue() const;
    void SetForeImage(const wchar_t* image);

protected:
    struct Range {
        int minimum;
        int maximum;
        int value;
        long long Span() const { return static_cast<long long>(maximum) - minimum; }
    };
    Range GetOrderedRange() const;
    void StoreOrderedRange();

    bool m_horizontal;
    int m_max;
    int m_min;
    int m_value;
    CUIString m_foreImage;
    CUIString m_imageModifier;
};

// A progress bar with a draggable thumb. Sends "valuechanging" while the thumb is dragged and
// "valuechanged" after a release on the slider and after each wheel step.
class CSliderUI : public CProgressUI {
public:
    CSliderUI();
    ~CSliderUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void SetEnabled(bool enable = true) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC hDC) override;

    int GetStep() const;
    void SetStep(int step);
    // Negative sizes count as 0.
    void SetThumbSize(SIZE size);
    void SetThumbImage(const wchar_t* image);
    void SetThumbHotImage(const wchar_t* image);
    void SetThumbPushedImage(const wchar_t* image);
    // The thumb's rectangle in window coordinates.
    RECT GetThumbRect() const;

private:
    // The value for a mouse position: the thumb's centre follows the point, the track's ends clamp.
    int ValueAt(POINT pt) const;
    // Ends a drag that no release will finish (the manager dropped the click); a drag that has
    // reported "valuechanging" reports its end with "valuechanged", as a release would.
    void EndInterruptedDrag();

    SIZE m_thumbSize;
    UINT m_buttonState;
    // The held thumb has moved (and reported "valuechanging") since it was taken.
    bool m_thumbMoved;
    int m_step;
    CUIString m_thumbImage;
    CUIString m_thumbHotImage;
    CUIString m_thumbPushedImage;
    CUIString m_imageModifier;
};

}  // namespace UIToolkit
