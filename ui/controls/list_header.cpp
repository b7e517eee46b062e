#include "list_header.h"

#include <algorithm>
#include <cwchar>

#include "list.h"
#include "render_engine.h"

namespace UIToolkit {

namespace {

int DefaultTextHeight(CWindowManagerUI* manager) {
    if (manager == nullptr) return 0;
    UIFontInfo* font = manager->GetDefaultFontInfo();
    return font != nullptr ? static_cast<int>(font->tm.tmHeight) : 0;
}

bool IsMouseEvent(const UIEvent& event) {
    return event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
}

}  // namespace

// =============================================================================================
// CListHeaderUI

CListHeaderUI::CListHeaderUI() = default;

CListHeaderUI::~CListHeaderUI() = default;

const wchar_t* CListHeaderUI::GetClassName() const { return L"ListHeaderUI"; }

void* CListHeaderUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"ListHeader") == 0) return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

SIZE CListHeaderUI::EstimateSize(SIZE available) {
    SIZE result = {0, 0};
    int tallest = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        const SIZE sz = GetItemAt(i)->EstimateSize(available);
        result.cx += sz.cx;
        tallest = std::max(tallest, static_cast<int>(sz.cy));
    }
    if (m_fixed.cy != 0) {
        result.cy = m_fixed.cy;
    } else {
        result.cy = tallest;
        if (m_manager != nullptr) result.cy = std::max(tallest, DefaultTextHeight(m_manager) + 6);
    }
    return result;
}

// =============================================================================================
// CListHeaderItemUI

CListHeaderItemUI::CListHeaderItemUI()
    : m_lastMouse{0, 0}, m_dragable(true), m_buttonState(0), m_sepWidth(4), m_textColor(0), m_font(-1),
      m_textStyle(DT_CENTER | DT_VCENTER | DT_SINGLELINE), m_showHtml(false), m_textPadding{2, 0, 2, 0} {
    m_min.cx = 16;
}

CListHeaderItemUI::~CListHeaderItemUI() = default;

const wchar_t* CListHeaderItemUI::GetClassName() const { return L"ListHeaderItemUI"; }

void* CListHeaderItemUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"ListHeaderItem") == 0) return this;
    return CControlUI::GetInterface(name);
}

UINT CListHeaderItemUI::GetControlFlags() const {
    return (IsEnabled() && m_sepWidth != 0) ? UIFLAG_SETCURSOR : 0;
}

void CListHeaderItemUI::SetEnabled(bool enable) {
    CControlUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState = 0;
}

RECT CListHeaderItemUI::GetSeparatorRect() const {
    RECT rc = m_rcItem;
    if (m_sepWidth >= 0) {
        rc.left = rc.right - m_sepWidth;
    } else {
        rc.right = rc.left - m_sepWidth;
    }
    return rc;
}

void CListHeaderItemUI::RelayoutList() {
    if (m_parent != nullptr) m_parent->RequestParentLayout();
}

void CListHeaderItemUI::HandleEvent(UIEvent& event) {
    if (!IsMouseEnabled() && IsMouseEvent(event)) {
        if (m_parent != nullptr) {
            m_parent->HandleEvent(event);
        } else {
            CControlUI::HandleEvent(event);
        }
        return;
    }
    const RECT separator = GetSeparatorRect();
    const bool onSeparator = ::PtInRect(&separator, event.ptMouse) != FALSE;
    switch (event.type) {
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
            Invalidate();
            break;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (!IsEnabled()) break;
            if (onSeparator) {
                if (m_dragable) {
                    m_buttonState |= kStateCaptured;
                    m_lastMouse = event.ptMouse;
                }
            } else {
                m_buttonState |= kStatePushed;
                if (m_manager != nullptr) m_manager->SendNotify(this, L"headerclick");
                Invalidate();
            }
            return;
        case UIEVENT_BUTTONUP:
            if ((m_buttonState & kStateCaptured) != 0) {
                m_buttonState &= ~kStateCaptured;
                RelayoutList();
            } else if ((m_buttonState & kStatePushed) != 0) {
                m_buttonState &= ~kStatePushed;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSEMOVE:
            if ((m_buttonState & kStateCaptured) != 0) {
                RECT rc = m_rcItem;
                const int dx = event.ptMouse.x - m_lastMouse.x;
                if (m_sepWidth >= 0) {
                    rc.right += dx;
                } else {
                    rc.left += dx;
                }
                const int width = rc.right - rc.left;
                if (width > GetMinWidth()) {
                    m_fixed.cx = width;
                    // The layout that applies the width runs only at the next paint; until then
                    // the next move is measured from the edge as dragged so far, so that moves
                    // arriving before that paint are not lost.
                    m_rcItem = rc;
                    m_lastMouse = event.ptMouse;
                    RelayoutList();
                }
                return;
            }
            break;
        case UIEVENT_SETCURSOR:
            if (IsEnabled() && m_dragable && onSeparator) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
                return;
            }
            break;
        case UIEVENT_MOUSEENTER:
            if (IsEnabled()) {
                m_buttonState |= kStateHot;
                Invalidate();
                return;
            }
            break;
        case UIEVENT_MOUSELEAVE:
            if (IsEnabled()) {
                m_buttonState &= ~kStateHot;
                Invalidate();
                return;
            }
            break;
        default:
            break;
    }
    CControlUI::HandleEvent(event);
}

SIZE CListHeaderItemUI::EstimateSize(SIZE available) {
    if (m_fixed.cy != 0) return CControlUI::EstimateSize(available);
    return SIZE{m_fixed.cx, DefaultTextHeight(m_manager) + 14};
}

// ---- Setters --------------------------------------------------------------------------------

void CListHeaderItemUI::SetDragable(bool dragable) {
    m_dragable = dragable;
    if (!m_dragable) m_buttonState &= ~kStateCaptured;
}

void CListHeaderItemUI::SetSepWidth(int width) { m_sepWidth = width; }

void CListHeaderItemUI::SetTextStyle(UINT style) {
    m_textStyle = style;
    Invalidate();
}

void CListHeaderItemUI::SetTextColor(DWORD color) {
    m_textColor = color;
    Invalidate();
}

void CListHeaderItemUI::SetFont(int index) { m_font = index; }

void CListHeaderItemUI::SetTextPadding(RECT padding) {
    m_textPadding = padding;
    Invalidate();
}

void CListHeaderItemUI::SetShowHtml(bool showHtml) {
    if (m_showHtml == showHtml) return;
    m_showHtml = showHtml;
    Invalidate();
}

void CListHeaderItemUI::SetNormalImage(const wchar_t* image) {
    m_normalImage = image;
    Invalidate();
}

void CListHeaderItemUI::SetHotImage(const wchar_t* image) {
    m_hotImage = image;
    Invalidate();
}

void CListHeaderItemUI::SetPushedImage(const wchar_t* image) {
    m_pushedImage = image;
    Invalidate();
}

void CListHeaderItemUI::SetFocusedImage(const wchar_t* image) {
    m_focusedImage = image;
    Invalidate();
}

void CListHeaderItemUI::SetSepImage(const wchar_t* image) {
    m_sepImage = image;
    Invalidate();
}

void CListHeaderItemUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    const CUIString n(name);
    if (n == L"dragable") {
        SetDragable(ParseBool(value));
    } else if (n == L"sepwidth") {
        SetSepWidth(ParseInt(value));
    } else if (n == L"align") {
        SetTextStyle(CListUI::ApplyAlignment(m_textStyle, value));
    } else if (n == L"endellipsis") {
        SetTextStyle(ParseBool(value) ? (m_textStyle | DT_END_ELLIPSIS)
                                      : (m_textStyle & ~static_cast<UINT>(DT_END_ELLIPSIS)));
    } else if (n == L"font") {
        SetFont(ParseInt(value));
    } else if (n == L"textcolor") {
        SetTextColor(ParseColor(value));
    } else if (n == L"textpadding") {
        int v[4] = {0, 0, 0, 0};
        ParseIntList(value, v, 4);
        SetTextPadding(RECT{v[0], v[1], v[2], v[3]});
    } else if (n == L"showhtml") {
        SetShowHtml(ParseBool(value));
    } else if (n == L"normalimage") {
        SetNormalImage(value);
    } else if (n == L"hotimage") {
        SetHotImage(value);
    } else if (n == L"pushedimage") {
        SetPushedImage(value);
    } else if (n == L"focusedimage") {
        SetFocusedImage(value);
    } else if (n == L"sepimage") {
        SetSepImage(value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

// ---- Painting -------------------------------------------------------------------------------

void CListHeaderItemUI::DrawOrForget(HDC hDC, CUIString& image, const wchar_t* modifier) {
    if (image.IsEmpty()) return;
    if (!DrawImage(hDC, image, modifier)) image.Empty();
}

void CListHeaderItemUI::PaintStatusImage(HDC hDC) {
    if (IsFocused()) {
        m_buttonState |= kStateFocused;
    } else {
        m_buttonState &= ~kStateFocused;
    }
    CUIString* stateImage = nullptr;
    if ((m_buttonState & kStatePushed) != 0) {
        stateImage = &m_pushedImage;
    } else if ((m_buttonState & kStateHot) != 0) {
        stateImage = &m_hotImage;
    } else if ((m_buttonState & kStateFocused) != 0) {
        stateImage = &m_focusedImage;
    }
    if (stateImage != nullptr) {
        if (stateImage->IsEmpty()) DrawOrForget(hDC, m_normalImage);
        DrawOrForget(hDC, *stateImage);
    } else {
        DrawOrForget(hDC, m_normalImage);
    }
    if (m_sepImage.IsEmpty()) return;
    const RECT separator = GetSeparatorRect();
    m_sepImageModify.Format(L"dest='%d,%d,%d,%d'", separator.left - m_rcItem.left, separator.top - m_rcItem.top,
                            separator.right - m_rcItem.left, separator.bottom - m_rcItem.top);
    DrawOrForget(hDC, m_sepImage, m_sepImageModify);
}

void CListHeaderItemUI::PaintText(HDC hDC) {
    if (m_textColor == 0 && m_manager != nullptr) m_textColor = m_manager->GetDefaultFontColor();
    RECT rc = {m_rcItem.left + m_textPadding.left, m_rcItem.top + m_textPadding.top,
               m_rcItem.right - m_textPadding.right, m_rcItem.bottom - m_textPadding.bottom};
    if (m_text.IsEmpty()) return;
    const UINT style = m_textStyle | DT_SINGLELINE;
    if (m_showHtml) {
        int links = 0;
        CUIRenderer::DrawTaggedText(hDC, m_manager, rc, m_text, m_textColor, nullptr, nullptr, links, style);
    } else {
        CUIRenderer::DrawText(hDC, m_manager, rc, m_text, m_textColor, m_font, style);
    }
}

}  // namespace UIToolkit
