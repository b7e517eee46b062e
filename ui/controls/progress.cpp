#include "progress.h"

#include <climits>
#include <cwchar>

#include "button.h"

namespace UIToolkit {

namespace {

int ClampToInt(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Formats the modifier that places an image at rc, given relative to the item's top-left corner.
void FormatDest(CUIString& modifier, const RECT& rc) {
    modifier.Format(L"dest='%d,%d,%d,%d'", static_cast<int>(rc.left), static_cast<int>(rc.top),
                    static_cast<int>(rc.right), static_cast<int>(rc.bottom));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CProgressUI

CProgressUI::CProgressUI() : m_horizontal(true), m_max(100), m_min(0), m_value(0) {
    m_textStyle = DT_SINGLELINE | DT_CENTER;
    SetFixedHeight(12);
}

CProgressUI::~CProgressUI() = default;

const wchar_t* CProgressUI::GetClassName() const {
    return L"ProgressUI";
}

void* CProgressUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"Progress") == 0) return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"fgimage") == 0) {
        SetForeImage(value);
    } else if (wcscmp(name, L"hor") == 0) {
        SetHorizontal(ParseBool(value));
    } else if (wcscmp(name, L"min") == 0) {
        SetMinValue(ParseInt(value));
    } else if (wcscmp(name, L"max") == 0) {
        SetMaxValue(ParseInt(value));
    } else if (wcscmp(name, L"value") == 0) {
        SetValue(ParseInt(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

CProgressUI::Range CProgressUI::GetOrderedRange() const {
    Range range = {m_min, m_max, m_value};
    if (range.minimum >= range.maximum) {
        if (range.minimum == INT_MAX) range.minimum = INT_MAX - 1;
        range.maximum = range.minimum + 1;
    }
    if (range.value > range.maximum) range.value = range.maximum;
    if (range.value < range.minimum) range.value = range.minimum;
    return range;
}

void CProgressUI::StoreOrderedRange() {
    const Range range = GetOrderedRange();
    m_min = range.minimum;
    m_max = range.maximum;
    m_value = range.value;
}

void CProgressUI::PaintStatusImage(HDC hDC) {
    StoreOrderedRange();
    const Range range = GetOrderedRange();
    const long long width = m_rcItem.right - m_rcItem.left;
    const long long height = m_rcItem.bottom - m_rcItem.top;
    RECT covered = {0, 0, 0, 0};
    if (m_horizontal) {
        covered.right = static_cast<LONG>((static_cast<long long>(range.value) - range.minimum) * width / range.Span());
        covered.bottom = static_cast<LONG>(height);
    } else {
        covered.top = static_cast<LONG>(height * (static_cast<long long>(range.maximum) - range.value) / range.Span());
        covered.right = static_cast<LONG>(width);
        covered.bottom = static_cast<LONG>(height);
    }
    if (m_foreImage.IsEmpty()) return;
    FormatDest(m_imageModifier, covered);
    DrawImageOnce(hDC, m_foreImage, m_imageModifier);
}

void CProgressUI::SetHorizontal(bool horizontal) {
    if (m_horizontal == horizontal) return;
    m_horizontal = horizontal;
    Invalidate();
}

void CProgressUI::SetMinValue(int value) {
    m_min = value;
    Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
    m_max = value;
    Invalidate();
}

void CProgressUI::SetValue(int value) {
    m_value = value;
    Invalidate();
}

int CProgressUI::GetMaxValue() const {
    return GetOrderedRange().maximum;
}

int CProgressUI::GetValue() const {
    return GetOrderedRange().value;
}

void CProgressUI::SetForeImage(const wchar_t* image) {
    if (m_foreImage == (image != nullptr ? image : L"")) return;
    m_foreImage = image;
    Invalidate();
}

// ---------------------------------------------------------------------------------------------
// CSliderUI

CSliderUI::CSliderUI() : m_thumbSize{10, 10}, m_buttonState(0), m_thumbMoved(false), m_step(1) {
    m_textStyle = DT_SINGLELINE | DT_CENTER;
}

CSliderUI::~CSliderUI() = default;

const wchar_t* CSliderUI::GetClassName() const {
    return L"SliderUI";
}

void* CSliderUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"Slider") == 0) return this;
    return CProgressUI::GetInterface(name);
}

UINT CSliderUI::GetControlFlags() const {
    return IsEnabled() ? UIFLAG_SETCURSOR : 0;
}

void CSliderUI::SetEnabled(bool enable) {
    CProgressUI::SetEnabled(enable);
    if (!IsEnabled()) {
        m_buttonState = 0;
        m_thumbMoved = false;
    }
}

RECT CSliderUI::GetThumbRect() const {
    const Range range = GetOrderedRange();
    const RECT& rc = m_rcItem;
    const long long offset = static_cast<long long>(range.value) - range.minimum;
    RECT thumb = {0, 0, 0, 0};
    if (m_horizontal) {
        const long long track = static_cast<long long>(rc.right - rc.left) - m_thumbSize.cx;
        thumb.left = static_cast<LONG>(rc.left + track * offset / range.Span());
        thumb.top = (rc.top + rc.bottom - m_thumbSize.cy) / 2;
    } else {
        const long long track = static_cast<long long>(rc.bottom - rc.top) - m_thumbSize.cy;
        thumb.left = (rc.left + rc.right - m_thumbSize.cx) / 2;
        thumb.top = static_cast<LONG>(rc.bottom - track * offset / range.Span() - m_thumbSize.cy);
    }
    thumb.right = thumb.left + m_thumbSize.cx;
    thumb.bottom = thumb.top + m_thumbSize.cy;
    return thumb;
}

int CSliderUI::ValueAt(POINT pt) const {
    const Range range = GetOrderedRange();
    const RECT& rc = m_rcItem;
    if (m_horizontal) {
        const int half = m_thumbSize.cx / 2;
        const long long track = static_cast<long long>(rc.right - rc.left) - m_thumbSize.cx;
        if (pt.x >= rc.right - half) return range.maximum;
        if (pt.x <= rc.left + half || track <= 0) return range.minimum;
        return ClampToInt(range.minimum + range.Span() * (pt.x - rc.left - half) / track);
    }
    const int half = m_thumbSize.cy / 2;
    const long long track = static_cast<long long>(rc.bottom - rc.top) - m_thumbSize.cy;
    if (pt.y >= rc.bottom - half) return range.minimum;
    if (pt.y <= rc.top + half || track <= 0) return range.maximum;
    return ClampToInt(range.minimum + range.Span() * (rc.bottom - pt.y - half) / track);
}

void CSliderUI::HandleEvent(UIEvent& event) {
    if (ForwardIgnoredMouseEvent(event)) return;
    const bool enabled = IsEnabled();
    switch (event.type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK: {
            const RECT thumb = GetThumbRect();
            if (enabled && ::PtInRect(&thumb, event.ptMouse)) {
                m_buttonState |= BUTTONSTATE_CAPTURED;
                m_thumbMoved = false;
            }
            return;
        }
        case UIEVENT_BUTTONUP:
            m_buttonState &= ~BUTTONSTATE_CAPTURED;
            m_thumbMoved = false;
            // A disabled slider keeps its value.
            if (!enabled) return;
            SetValue(ValueAt(event.ptMouse));
            if (m_manager != nullptr) m_manager->SendNotify(this, L"valuechanged");
            return;
        case UIEVENT_CONTEXTMENU:
            // The manager has dropped the click: no release will follow.
            if ((m_buttonState & BUTTONSTATE_CAPTURED) != 0) EndInterruptedDrag();
            return;
        case UIEVENT_SCROLLWHEEL: {
            const WORD code = LOWORD(event.wParam);
            if (!enabled || (code != SB_LINEUP && code != SB_LINEDOWN)) break;
            const Range range = GetOrderedRange();
            long long value = static_cast<long long>(range.value) + (code == SB_LINEUP ? m_step : -static_cast<long long>(m_step));
            if (value > range.maximum) value = range.maximum;
            if (value < range.minimum) value = range.minimum;
            SetValue(static_cast<int>(value));
            if (m_manager != nullptr) m_manager->SendNotify(this, L"valuechanged");
            return;
        }
        case UIEVENT_MOUSEMOVE:
            if ((m_buttonState & BUTTONSTATE_CAPTURED) == 0) return;
            // Moves reach a captured thumb that no longer holds the manager's click only when
            // the release went elsewhere: the drag is over.
            if (m_manager != nullptr && m_manager->GetClick() != this) {
                EndInterruptedDrag();
                return;
            }
            m_thumbMoved = true;
            SetValue(ValueAt(event.ptMouse));
            if (m_manager != nullptr) m_manager->SendNotify(this, L"valuechanging");
            return;
        case UIEVENT_SETCURSOR: {
            const RECT thumb = GetThumbRect();
            if (enabled && ::PtInRect(&thumb, event.ptMouse)) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                return;
            }
            break;
        }
        case UIEVENT_MOUSEENTER:
            if (enabled) {
                m_buttonState |= BUTTONSTATE_HOT;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSELEAVE:
            if (enabled) {
                m_buttonState &= ~BUTTONSTATE_HOT;
                Invalidate();
            }
            return;
        default:
            break;
    }
    CControlUI::HandleEvent(event);
}

void CSliderUI::EndInterruptedDrag() {
    const bool moved = m_thumbMoved;
    m_buttonState &= ~BUTTONSTATE_CAPTURED;
    m_thumbMoved = false;
    Invalidate();
    // A listener that paused something while the value was changing hears that the change is
    // complete; the value stays where the last move put it.
    if (moved && m_manager != nullptr) m_manager->SendNotify(this, L"valuechanged");
}

void CSliderUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"thumbimage") == 0) {
        SetThumbImage(value);
    } else if (wcscmp(name, L"thumbhotimage") == 0) {
        SetThumbHotImage(value);
    } else if (wcscmp(name, L"thumbpushedimage") == 0) {
        SetThumbPushedImage(value);
    } else if (wcscmp(name, L"thumbsize") == 0) {
        int v[2] = {};
        ParseIntList(value, v, 2);
        SetThumbSize(SIZE{v[0], v[1]});
    } else if (wcscmp(name, L"step") == 0) {
        SetStep(ParseInt(value));
    } else {
        CProgressUI::SetAttribute(name, value);
    }
}

void CSliderUI::PaintStatusImage(HDC hDC) {
    CProgressUI::PaintStatusImage(hDC);
    RECT thumb = GetThumbRect();
    ::OffsetRect(&thumb, -m_rcItem.left, -m_rcItem.top);
    FormatDest(m_imageModifier, thumb);
    if ((m_buttonState & BUTTONSTATE_CAPTURED) != 0) {
        if (DrawImageOnce(hDC, m_thumbPushedImage, m_imageModifier)) return;
    } else if ((m_buttonState & BUTTONSTATE_HOT) != 0) {
        if (DrawImageOnce(hDC, m_thumbHotImage, m_imageModifier)) return;
    }
    DrawImageOnce(hDC, m_thumbImage, m_imageModifier);
}

int CSliderUI::GetStep() const {
    return m_step;
}

void CSliderUI::SetStep(int step) {
    m_step = step;
}

void CSliderUI::SetThumbSize(SIZE size) {
    m_thumbSize.cx = size.cx > 0 ? size.cx : 0;
    m_thumbSize.cy = size.cy > 0 ? size.cy : 0;
}

void CSliderUI::SetThumbImage(const wchar_t* image) {
    m_thumbImage = image;
    Invalidate();
}

void CSliderUI::SetThumbHotImage(const wchar_t* image) {
    m_thumbHotImage = image;
    Invalidate();
}

void CSliderUI::SetThumbPushedImage(const wchar_t* image) {
    m_thumbPushedImage = image;
    Invalidate();
}

}  // namespace UIToolkit
