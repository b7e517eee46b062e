#include "label.h"

#include <cwchar>

#include "render_engine.h"

namespace UIToolkit {

// ---------------------------------------------------------------------------------------------
// CLabelUI

CLabelUI::CLabelUI()
    : m_textColor(0), m_disabledTextColor(0), m_font(-1), m_textStyle(DT_VCENTER),
      m_textPadding{0, 0, 0, 0}, m_showHtml(false) {}

CLabelUI::~CLabelUI() = default;

const wchar_t* CLabelUI::GetClassName() const {
    return L"LabelUI";
}

void* CLabelUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"Label") == 0) return this;
    return CControlUI::GetInterface(name);
}

void CLabelUI::HandleEvent(UIEvent& event) {
    switch (event.type) {
        case UIEVENT_SETFOCUS:
            m_focused = true;
            return;
        case UIEVENT_KILLFOCUS:
            m_focused = false;
            return;
        case UIEVENT_MOUSEENTER:
        case UIEVENT_MOUSELEAVE:
            return;
        default:
            CControlUI::HandleEvent(event);
            return;
    }
}

void CLabelUI::ApplyAlign(const wchar_t* value) {
    // The words are looked for as substrings and applied in this fixed order, whatever their
    // order in the value.
    if (wcsstr(value, L"left") != nullptr) {
        m_textStyle &= ~(DT_CENTER | DT_RIGHT | DT_BOTTOM);
    }
    if (wcsstr(value, L"center") != nullptr) {
        m_textStyle &= ~(DT_RIGHT | DT_BOTTOM);
        m_textStyle |= DT_CENTER;
    }
    if (wcsstr(value, L"right") != nullptr) {
        m_textStyle &= ~(DT_CENTER | DT_BOTTOM);
        m_textStyle |= DT_RIGHT;
    }
    if (wcsstr(value, L"top") != nullptr) {
        m_textStyle &= ~(DT_RIGHT | DT_VCENTER | DT_BOTTOM);
    }
    if (wcsstr(value, L"bottom") != nullptr) {
        m_textStyle &= ~(DT_RIGHT | DT_VCENTER);
        m_textStyle |= DT_BOTTOM;
    }
}

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"align") == 0) {
        ApplyAlign(value);
    } else if (wcscmp(name, L"endellipsis") == 0) {
        if (ParseBool(value)) {
            m_textStyle |= DT_END_ELLIPSIS;
        } else {
            m_textStyle &= ~static_cast<UINT>(DT_END_ELLIPSIS);
        }
    } else if (wcscmp(name, L"font") == 0) {
        SetFont(ParseInt(value));
    } else if (wcscmp(name, L"textcolor") == 0) {
        SetTextColor(ParseColor(value));
    } else if (wcscmp(name, L"disabledtextcolor") == 0) {
        SetDisabledTextColor(ParseColor(value));
    } else if (wcscmp(name, L"textpadding") == 0) {
        int v[4] = {};
        ParseIntList(value, v, 4);
        SetTextPadding(RECT{v[0], v[1], v[2], v[3]});
    } else if (wcscmp(name, L"showhtml") == 0) {
        SetShowHtml(ParseBool(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

SIZE CLabelUI::EstimateSize(SIZE available) {
    if (m_fixed.cy != 0 || m_manager == nullptr) return CControlUI::EstimateSize(available);
    return SIZE{m_fixed.cx, m_manager->GetDefaultFontInfo()->tm.tmHeight + 4};
}

void CLabelUI::ResolveDefaultColors() {
    if (m_manager == nullptr) return;
    if (m_textColor == 0) m_textColor = m_manager->GetDefaultFontColor();
    if (m_disabledTextColor == 0) m_disabledTextColor = m_manager->GetDefaultDisabledColor();
}

RECT CLabelUI::GetTextRect() const {
    RECT rc = m_rcItem;
    rc.left += m_textPadding.left;
    rc.top += m_textPadding.top;
    rc.right -= m_textPadding.right;
    rc.bottom -= m_textPadding.bottom;
    // Paddings wider than the control leave an empty area rather than an inverted one.
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    return rc;
}

bool CLabelUI::ForwardIgnoredMouseEvent(UIEvent& event) {
    const bool mouseEvent = event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
    if (IsMouseEnabled() || !mouseEvent) return false;
    if (m_parent != nullptr) {
        m_parent->HandleEvent(event);
    } else {
        CLabelUI::HandleEvent(event);
    }
    return true;
}

void CLabelUI::DrawLabelText(HDC hDC, RECT rc, DWORD color, UINT style) {
    if (m_showHtml) {
        int links = 0;
        CUIRenderer::DrawTaggedText(hDC, m_manager, rc, m_text, color, nullptr, nullptr, links, style);
    } else {
        CUIRenderer::DrawText(hDC, m_manager, rc, m_text, color, m_font, style);
    }
}

bool CLabelUI::DrawImageOnce(HDC hDC, CUIString& image, const wchar_t* modifier) {
    if (image.IsEmpty()) return false;
    if (DrawImage(hDC, image, modifier)) return true;
    image.Empty();
    return false;
}

void CLabelUI::PaintText(HDC hDC) {
    ResolveDefaultColors();
    if (m_text.IsEmpty()) return;
    const DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
    DrawLabelText(hDC, GetTextRect(), color, m_textStyle | DT_SINGLELINE);
}

void CLabelUI::SetTextColor(DWORD color) {
    m_textColor = color;
}

DWORD CLabelUI::GetTextColor() const {
    return m_textColor;
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
    m_disabledTextColor = color;
}

void CLabelUI::SetFont(int index) {
    m_font = index;
}

void CLabelUI::SetTextPadding(RECT rc) {
    m_textPadding = rc;
    Invalidate();
}

RECT CLabelUI::GetTextPadding() const {
    return m_textPadding;
}

void CLabelUI::SetShowHtml(bool showHtml) {
    if (m_showHtml == showHtml) return;
    m_showHtml = showHtml;
    Invalidate();
}

// ---------------------------------------------------------------------------------------------
// CLabelUIEx

CLabelUIEx::CLabelUIEx() = default;

CLabelUIEx::~CLabelUIEx() = default;

const wchar_t* CLabelUIEx::GetClassName() const {
    return L"LabelUIEx";
}

void* CLabelUIEx::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"LabelEx") == 0) return this;
    return CLabelUI::GetInterface(name);
}

UINT CLabelUIEx::GetControlFlags() const {
    return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : UIFLAG_TABSTOP;
}

void CLabelUIEx::HandleEvent(UIEvent& event) {
    if (event.type == UIEVENT_SETCURSOR) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return;
    }
    CLabelUI::HandleEvent(event);
}

}  // namespace UIToolkit
