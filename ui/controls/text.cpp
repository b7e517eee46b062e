#include "text.h"

#include <cwchar>

#include "render_engine.h"

namespace UIToolkit {

CTextUI::CTextUI() : m_linkCount(0), m_links{}, m_hoverLink(-1) {
    m_textStyle = DT_WORDBREAK;
    m_textPadding = RECT{2, 0, 2, 0};
}

CTextUI::~CTextUI() = default;

const wchar_t* CTextUI::GetClassName() const {
    return L"TextUI";
}

void* CTextUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"Text") == 0) return this;
    return CLabelUI::GetInterface(name);
}

UINT CTextUI::GetControlFlags() const {
    return IsEnabled() && m_linkCount > 0 ? UIFLAG_SETCURSOR : 0;
}

int CTextUI::LinkAt(POINT pt) const {
    const int count = m_linkCount < kMaxLinks ? m_linkCount : kMaxLinks;
    for (int i = 0; i < count; ++i) {
        if (::PtInRect(&m_links[i], pt)) return i;
    }
    return -1;
}

void CTextUI::HandleEvent(UIEvent& event) {
    if (ForwardIgnoredMouseEvent(event)) return;
    const bool enabled = IsEnabled();
    switch (event.type) {
        case UIEVENT_SETCURSOR:
            if (LinkAt(event.ptMouse) >= 0) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                return;
            }
            break;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (enabled && LinkAt(event.ptMouse) >= 0) {
                Invalidate();
                return;
            }
            break;
        case UIEVENT_BUTTONUP:
            if (enabled) {
                const int link = LinkAt(event.ptMouse);
                if (link >= 0) {
                    if (m_manager != nullptr) m_manager->SendNotify(this, L"link", static_cast<WPARAM>(link), 0);
                    return;
                }
            }
            break;
        case UIEVENT_CONTEXTMENU:
            return;
        case UIEVENT_MOUSEMOVE:
            if (enabled && m_linkCount > 0) {
                const int link = LinkAt(event.ptMouse);
                if (link != m_hoverLink) {
                    m_hoverLink = link;
                    Invalidate();
                    return;
                }
            }
            break;
        case UIEVENT_MOUSELEAVE:
            if (enabled && m_linkCount > 0 && m_hoverLink != -1) {
                m_hoverLink = -1;
                Invalidate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::HandleEvent(event);
}

SIZE CTextUI::EstimateSize(SIZE available) {
    if (m_manager == nullptr) return CControlUI::EstimateSize(available);
    RECT rc = {0, 0, m_fixed.cx > available.cx ? m_fixed.cx : available.cx, 9999};
    rc.left += m_textPadding.left;
    rc.right -= m_textPadding.right;
    SIZE measured = {0, 0};
    // Paddings that leave no room for the text measure nothing.
    if (rc.right > rc.left) {
        const UINT style = m_textStyle | DT_CALCRECT;
        if (m_showHtml) {
            int links = 0;
            CUIRenderer::DrawTaggedText(m_manager->GetPaintDC(), m_manager, rc, m_text, 0, nullptr, nullptr,
                                        links, style);
        } else {
            CUIRenderer::DrawText(m_manager->GetPaintDC(), m_manager, rc, m_text, 0, m_font, style);
        }
        measured.cx = rc.right - rc.left;
        measured.cy = rc.bottom - rc.top;
    }
    SIZE size = {measured.cx + m_textPadding.left + m_textPadding.right,
                 measured.cy + m_textPadding.top + m_textPadding.bottom};
    if (size.cx < 0) size.cx = 0;
    if (size.cy < 0) size.cy = 0;
    if (m_fixed.cy != 0) size.cy = m_fixed.cy;
    return size;
}

void CTextUI::PaintText(HDC hDC) {
    if (m_text.IsEmpty()) {
        m_linkCount = 0;
        m_hoverLink = -1;
        return;
    }
    ResolveDefaultColors();
    RECT rc = GetTextRect();
    const DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
    if (m_showHtml) {
        m_linkCount = kMaxLinks;
        CUIRenderer::DrawTaggedText(hDC, m_manager, rc, m_text, color, m_links, m_linkTexts, m_linkCount,
                                    m_textStyle);
    } else {
        CUIRenderer::DrawText(hDC, m_manager, rc, m_text, color, m_font, m_textStyle);
        m_linkCount = 0;
    }
    if (m_hoverLink >= m_linkCount) m_hoverLink = -1;
}

}  // namespace UIToolkit
