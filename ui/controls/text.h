// Word-wrapped text whose tagged form may hold clickable links.
#pragma once

#include <windows.h>

#include "label.h"

namespace UIToolkit {

// Multi-line text. With tagged text ("showhtml") up to eight links are collected at every paint;
// a click released on one sends "link" with the link's index as wParam.
class CTextUI : public CLabelUI {
public:
    static const int kMaxLinks = 8;

    CTextUI();
    ~CTextUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void HandleEvent(UIEvent& event) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintText(HDC hDC) override;

private:
    // Index of the first link of the last paint that holds the point, or -1.
    int LinkAt(POINT pt) const;

    int m_linkCount;
    RECT m_links[kMaxLinks];
    CUIString m_linkTexts[kMaxLinks];
    int m_hoverLink;
};

}  // namespace UIToolkit
