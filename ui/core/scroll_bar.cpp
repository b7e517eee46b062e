// Windowless scroll bar.
#include "scroll_bar.h"

#include <algorithm>
#include <cwchar>

#include "container.h"
#include "layout_support.h"
#include "render_engine.h"

namespace UIToolkit {

namespace {

bool IsAllZero(const RECT& rc) {
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

// position + step without leaving the 32-bit range.
int AddClamped(int position, long long step) {
    return LayoutSupport::ToInt(static_cast<long long>(position) + step);
}

}  // namespace

CScrollBarUI::CScrollBarUI() { m_fixed.cx = kDefaultThickness; }

const wchar_t* CScrollBarUI::GetClassName() const { return L"ScrollBarUI"; }

void* CScrollBarUI::GetInterface(const wchar_t* name) {
    if (name && wcscmp(name, L"ScrollBar") == 0) return this;
    return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetOwner(CContainerUI* owner) { m_owner = owner; }

void CScrollBarUI::SetHorizontal(bool horizontal) {
    if (m_horizontal == horizontal) return;
    m_horizontal = horizontal;
    if (m_horizontal) {
        if (m_fixed.cy == 0) {
            m_fixed.cx = 0;
            m_fixed.cy = kDefaultThickness;
        }
    } else if (m_fixed.cx == 0) {
        m_fixed.cx = kDefaultThickness;
        m_fixed.cy = 0;
    }
    if (m_owner) {
        m_owner->RequestLayout();
    } else {
        RequestParentLayout();
    }
}

void CScrollBarUI::SetScrollRange(int range) {
    if (m_range == range) return;
    m_range = std::max(0, range);
    if (m_position > m_range) m_position = m_range;
    SetPos(m_rcItem);
}

void CScrollBarUI::SetScrollPos(int pos) {
    if (m_position == pos) return;
    m_position = std::max(0, std::min(pos, m_range));
    SetPos(m_rcItem);
}

void CScrollBarUI::SetLineSize(int size) { m_lineSize = size; }

void CScrollBarUI::SetShowButton1(bool show) {
    m_showButton1 = show;
    SetPos(m_rcItem);
}

void CScrollBarUI::SetShowButton2(bool show) {
    m_showButton2 = show;
    SetPos(m_rcItem);
}

#define VELA_SCROLLBAR_IMAGE_SETTER(Name, member)              \
    void CScrollBarUI::Name(const wchar_t* image) {            \
        member = image;                                        \
        Invalidate();                                          \
    }
VELA_SCROLLBAR_IMAGE_SETTER(SetButton1NormalImage, m_button1.images.normal)
VELA_SCROLLBAR_IMAGE_SETTER(SetButton1HotImage, m_button1.images.hot)
VELA_SCROLLBAR_IMAGE_SETTER(SetButton1PushedImage, m_button1.images.pushed)
VELA_SCROLLBAR_IMAGE_SETTER(SetButton1DisabledImage, m_button1.images.disabled)
VELA_SCROLLBAR_IMAGE_SETTER(SetButton2NormalImage, m_button2.images.normal)
VELA_SCROLLBAR_IMAGE_SETTER(SetButton2HotImage, m_button2.images.hot)
VELA_SCROLLBAR_IMAGE_SETTER(SetButton2PushedImage, m_button2.images.pushed)
VELA_SCROLLBAR_IMAGE_SETTER(SetButton2DisabledImage, m_button2.images.disabled)
VELA_SCROLLBAR_IMAGE_SETTER(SetThumbNormalImage, m_thumb.images.normal)
VELA_SCROLLBAR_IMAGE_SETTER(SetThumbHotImage, m_thumb.images.hot)
VELA_SCROLLBAR_IMAGE_SETTER(SetThumbPushedImage, m_thumb.images.pushed)
VELA_SCROLLBAR_IMAGE_SETTER(SetThumbDisabledImage, m_thumb.images.disabled)
VELA_SCROLLBAR_IMAGE_SETTER(SetRailNormalImage, m_rail.normal)
VELA_SCROLLBAR_IMAGE_SETTER(SetRailHotImage, m_rail.hot)
VELA_SCROLLBAR_IMAGE_SETTER(SetRailPushedImage, m_rail.pushed)
VELA_SCROLLBAR_IMAGE_SETTER(SetRailDisabledImage, m_rail.disabled)
VELA_SCROLLBAR_IMAGE_SETTER(SetBkNormalImage, m_bk.normal)
VELA_SCROLLBAR_IMAGE_SETTER(SetBkHotImage, m_bk.hot)
VELA_SCROLLBAR_IMAGE_SETTER(SetBkPushedImage, m_bk.pushed)
VELA_SCROLLBAR_IMAGE_SETTER(SetBkDisabledImage, m_bk.disabled)
#undef VELA_SCROLLBAR_IMAGE_SETTER

int CScrollBarUI::Thickness() const { return m_horizontal ? m_fixed.cy : m_fixed.cx; }

void CScrollBarUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const RECT& item = m_rcItem;
    const int t = Thickness();
    // Work along the bar: "start"/"end" are top/bottom for a vertical bar, left/right otherwise.
    const int start = m_horizontal ? item.left : item.top;
    const int end = m_horizontal ? item.right : item.bottom;
    const int length = end - start;
    const int across = m_horizontal ? item.top : item.left;
    const int track = length - (m_showButton1 ? t : 0) - (m_showButton2 ? t : 0);

    auto place = [this](RECT& r, int along1, int along2, int across1, int across2) {
        if (m_horizontal) {
            r = RECT{along1, across1, along2, across2};
        } else {
            r = RECT{across1, along1, across2, along2};
        }
    };

    if (t < track) {
        const int b1End = m_showButton1 ? start + t : start;
        const int b2Start = m_showButton2 ? end - t : end;
        place(m_button1.rect, start, b1End, across, m_showButton1 ? across + t : across);
        place(m_button2.rect, b2Start, end, across, m_showButton2 ? across + t : across);
        int thumbStart = b1End;
        int thumbEnd = b2Start;
        if (m_range > 0) {
            long long thumbLength = static_cast<long long>(length) * track / (static_cast<long long>(length) + m_range);
            thumbLength = std::max<long long>(thumbLength, t);
            long long top = (track - thumbLength) * m_position / m_range + b1End;
            long long bottom = top + thumbLength;
            if (bottom > b2Start) {
                top = b2Start - thumbLength;
                bottom = b2Start;
            }
            thumbStart = static_cast<int>(top);
            thumbEnd = static_cast<int>(bottom);
        }
        place(m_thumb.rect, thumbStart, thumbEnd, across, across + t);
    } else {
        const int buttonLength = std::min(t, length / 2);
        if (m_showButton1) {
            place(m_button1.rect, start, start + buttonLength, across, across + t);
        } else {
            place(m_button1.rect, start, start, across, across);
        }
        if (m_showButton2) {
            place(m_button2.rect, end - buttonLength, end, across, across + t);
        } else {
            place(m_button2.rect, end, end, across, across);
        }
        m_thumb.rect = RECT{0, 0, 0, 0};
    }
}

void CScrollBarUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    m_visible = visible;
    m_focused = false;
}

void CScrollBarUI::SetEnabled(bool enable) {
    CControlUI::SetEnabled(enable);
    if (!IsEnabled()) {
        m_button1.state = 0;
        m_button2.state = 0;
        m_thumb.state = 0;
        StopRepeat();
    }
}

void CScrollBarUI::SetFocus() {
    if (m_owner) {
        m_owner->SetFocus();
    } else {
        CControlUI::SetFocus();
    }
}

void CScrollBarUI::StopRepeat() {
    m_repeatCount = 0;
    m_dragOffset = 0;
    if (m_manager) m_manager->KillTimer(this, kRepeatTimerId);
}

int CScrollBarUI::DragOffset(int delta) const {
    // The thumb travels over the track between the shown buttons, less its own length.
    const int t = Thickness();
    const RECT& item = m_rcItem;
    const long long length = m_horizontal ? item.right - item.left : item.bottom - item.top;
    const long long thumb = m_horizontal ? m_thumb.rect.right - m_thumb.rect.left
                                         : m_thumb.rect.bottom - m_thumb.rect.top;
    const long long travel = length - thumb - (m_showButton1 ? t : 0) - (m_showButton2 ? t : 0);
    if (travel <= 0) return 0;
    const long long offset = static_cast<long long>(delta) * m_range / travel;
    return LayoutSupport::ToInt(offset);
}

void CScrollBarUI::LineBack() {
    if (m_owner) {
        if (m_horizontal) m_owner->LineLeft(); else m_owner->LineUp();
    } else {
        SetScrollPos(AddClamped(m_position, -static_cast<long long>(m_lineSize)));
    }
}

void CScrollBarUI::LineForward() {
    if (m_owner) {
        if (m_horizontal) m_owner->LineRight(); else m_owner->LineDown();
    } else {
        SetScrollPos(AddClamped(m_position, m_lineSize));
    }
}

void CScrollBarUI::PageStepAt(POINT pt) {
    const bool before = m_horizontal ? pt.x < m_thumb.rect.left : pt.y < m_thumb.rect.top;
    const bool after = m_horizontal ? pt.x >= m_thumb.rect.right : pt.y >= m_thumb.rect.bottom;
    const int page = m_horizontal ? m_rcItem.right - m_rcItem.left : m_rcItem.bottom - m_rcItem.top;
    if (before) {
        if (m_owner) {
            if (m_horizontal) m_owner->PageLeft(); else m_owner->PageUp();
        } else {
            SetScrollPos(AddClamped(m_position, -static_cast<long long>(page)));
        }
    } else if (after) {
        if (m_owner) {
            if (m_horizontal) m_owner->PageRight(); else m_owner->PageDown();
        } else {
            SetScrollPos(AddClamped(m_position, page));
        }
    }
}

void CScrollBarUI::NotifyScroll() {
    if (m_manager && !m_owner) m_manager->SendNotify(this, L"scroll");
}

void CScrollBarUI::HandleEvent(UIEvent& event) {
    if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
        if (m_owner) {
            m_owner->HandleEvent(event);
        } else {
            CControlUI::HandleEvent(event);
        }
        return;
    }
    switch (event.type) {
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
        case UIEVENT_CONTEXTMENU:
            return;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK: {
            if (!IsEnabled()) return;
            m_dragOffset = 0;
            m_repeatCount = 0;
            if (m_manager) m_manager->SetTimer(this, kRepeatTimerId, kRepeatElapse);
            const POINT pt = event.ptMouse;
            if (::PtInRect(&m_button1.rect, pt)) {
                m_button1.state |= kStatePushed;
                LineBack();
            } else if (::PtInRect(&m_button2.rect, pt)) {
                m_button2.state |= kStatePushed;
                LineForward();
            } else if (::PtInRect(&m_thumb.rect, pt)) {
                m_thumb.state |= kStateCaptured | kStatePushed;
                m_dragStartPoint = pt;
                m_dragStartPosition = m_position;
            } else {
                PageStepAt(pt);
            }
            NotifyScroll();
            return;
        }
        case UIEVENT_BUTTONUP:
            StopRepeat();
            if (m_thumb.state & kStateCaptured) {
                m_thumb.state &= ~(kStateCaptured | kStatePushed);
            } else if (m_button1.state & kStatePushed) {
                m_button1.state &= ~kStatePushed;
            } else if (m_button2.state & kStatePushed) {
                m_button2.state &= ~kStatePushed;
            }
            Invalidate();
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_thumb.state & kStateCaptured) {
                const int delta = m_horizontal ? event.ptMouse.x - m_dragStartPoint.x
                                               : event.ptMouse.y - m_dragStartPoint.y;
                m_dragOffset = DragOffset(delta);
            } else if (IsEnabled() && ::PtInRect(&m_thumb.rect, event.ptMouse)) {
                if (!(m_thumb.state & kStateHot)) {
                    m_thumb.state |= kStateHot;
                    Invalidate();
                }
            } else if (m_thumb.state & kStateHot) {
                m_thumb.state &= ~kStateHot;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSEENTER:
            if (IsEnabled()) {
                m_button1.state |= kStateHot;
                m_button2.state |= kStateHot;
                if (::PtInRect(&m_thumb.rect, event.ptMouse)) m_thumb.state |= kStateHot;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSELEAVE:
            if (IsEnabled()) {
                m_button1.state &= ~kStateHot;
                m_button2.state &= ~kStateHot;
                m_thumb.state &= ~kStateHot;
                Invalidate();
            }
            return;
        case UIEVENT_TIMER:
            if (event.wParam == kRepeatTimerId) {
                OnRepeatTick();
                return;
            }
            break;
        default:
            break;
    }
    if (m_owner) {
        m_owner->HandleEvent(event);
    } else {
        CControlUI::HandleEvent(event);
    }
}

void CScrollBarUI::OnRepeatTick() {
    ++m_repeatCount;
    const int firstRepeatTick = 6;
    if (m_thumb.state & kStateCaptured) {
        const int target = AddClamped(m_dragStartPosition, m_dragOffset);
        if (m_owner) {
            SIZE pos = m_owner->GetScrollPos();
            if (m_horizontal) pos.cx = target; else pos.cy = target;
            m_owner->SetScrollPos(pos);
        } else {
            SetScrollPos(target);
        }
        Invalidate();
    } else if (m_button1.state & kStatePushed) {
        if (m_repeatCount < firstRepeatTick) return;
        LineBack();
    } else if (m_button2.state & kStatePushed) {
        if (m_repeatCount < firstRepeatTick) return;
        LineForward();
    } else {
        if (m_repeatCount < firstRepeatTick) return;
        POINT pt;
        if (!::GetCursorPos(&pt)) return;
        if (m_manager) ::ScreenToClient(m_manager->GetPaintWindow(), &pt);
        if (::PtInRect(&m_thumb.rect, pt)) return;
        PageStepAt(pt);
    }
    NotifyScroll();
}

void CScrollBarUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    // Attributes without a name are ignored; a missing value reads as an empty one.
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    struct ImageAttribute {
        const wchar_t* name;
        CUIString* slot;
    };
    const ImageAttribute images[] = {
        {L"button1normalimage", &m_button1.images.normal},
        {L"button1hotimage", &m_button1.images.hot},
        {L"button1pushedimage", &m_button1.images.pushed},
        {L"button1disabledimage", &m_button1.images.disabled},
        {L"button2normalimage", &m_button2.images.normal},
        {L"button2hotimage", &m_button2.images.hot},
        {L"button2pushedimage", &m_button2.images.pushed},
        {L"button2disabledimage", &m_button2.images.disabled},
        {L"thumbnormalimage", &m_thumb.images.normal},
        {L"thumbhotimage", &m_thumb.images.hot},
        {L"thumbpushedimage", &m_thumb.images.pushed},
        {L"thumbdisabledimage", &m_thumb.images.disabled},
        {L"railnormalimage", &m_rail.normal},
        {L"railhotimage", &m_rail.hot},
        {L"railpushedimage", &m_rail.pushed},
        {L"raildisabledimage", &m_rail.disabled},
        {L"bknormalimage", &m_bk.normal},
        {L"bkhotimage", &m_bk.hot},
        {L"bkpushedimage", &m_bk.pushed},
        {L"bkdisabledimage", &m_bk.disabled},
    };
    for (const ImageAttribute& image : images) {
        if (wcscmp(name, image.name) == 0) {
            *image.slot = value;
            Invalidate();
            return;
        }
    }
    if (wcscmp(name, L"hor") == 0) {
        SetHorizontal(ParseBool(value));
    } else if (wcscmp(name, L"linesize") == 0) {
        SetLineSize(ParseInt(value));
    } else if (wcscmp(name, L"range") == 0) {
        SetScrollRange(ParseInt(value));
    } else if (wcscmp(name, L"value") == 0) {
        SetScrollPos(ParseInt(value));
    } else if (wcscmp(name, L"showbutton1") == 0) {
        SetShowButton1(ParseBool(value));
    } else if (wcscmp(name, L"showbutton2") == 0) {
        SetShowButton2(ParseBool(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

// ---------------------------------------------------------------------------------------------
// Painting

bool CScrollBarUI::DrawStateImage(HDC hDC, UINT state, PartImages& images, const wchar_t* modifier) {
    CUIString* chosen = nullptr;
    if (state & kStateDisabled) {
        chosen = &images.disabled;
    } else if (state & kStatePushed) {
        chosen = &images.pushed;
    } else if (state & kStateHot) {
        chosen = &images.hot;
    }
    if (chosen && !chosen->IsEmpty()) {
        if (DrawImage(hDC, *chosen, modifier)) return true;
        chosen->Empty();
    }
    if (!images.normal.IsEmpty()) {
        if (DrawImage(hDC, images.normal, modifier)) return true;
        images.normal.Empty();
    }
    return false;
}

CUIString CScrollBarUI::MakeDestModifier(const RECT& rc) const {
    CUIString modifier;
    modifier.Format(L"dest='%d,%d,%d,%d'", rc.left - m_rcItem.left, rc.top - m_rcItem.top,
                    rc.right - m_rcItem.left, rc.bottom - m_rcItem.top);
    return modifier;
}

void CScrollBarUI::SyncDisabledBit(UINT& state) const {
    if (IsEnabled()) {
        state &= ~kStateDisabled;
    } else {
        state |= kStateDisabled;
    }
}

void CScrollBarUI::PaintBk(HDC hDC) {
    SyncDisabledBit(m_thumb.state);
    DrawStateImage(hDC, m_thumb.state, m_bk, nullptr);
}

void CScrollBarUI::PaintPart(HDC hDC, Part& part) {
    SyncDisabledBit(part.state);
    m_modifier = MakeDestModifier(part.rect);
    if (!DrawStateImage(hDC, part.state, part.images, m_modifier)) {
        CUIRenderer::DrawRect(hDC, part.rect, 2, kUIFrameColor);
    }
}

void CScrollBarUI::PaintRail(HDC hDC) {
    SyncDisabledBit(m_thumb.state);
    const int t = Thickness();
    RECT mark = m_thumb.rect;
    if (m_horizontal) {
        mark.left = (m_thumb.rect.left + m_thumb.rect.right) / 2 - t / 2;
        mark.right = mark.left + t;
    } else {
        mark.top = (m_thumb.rect.top + m_thumb.rect.bottom) / 2 - t / 2;
        mark.bottom = mark.top + t;
    }
    m_modifier = MakeDestModifier(mark);
    DrawStateImage(hDC, m_thumb.state, m_rail, m_modifier);
}

void CScrollBarUI::Paint(HDC hDC, const RECT& rcPaint) {
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
    PaintBk(hDC);
    if (m_showButton1) PaintPart(hDC, m_button1);
    if (m_showButton2) PaintPart(hDC, m_button2);
    if (!IsAllZero(m_thumb.rect)) {
        PaintPart(hDC, m_thumb);
        PaintRail(hDC);
    }
}

}  // namespace UIToolkit
