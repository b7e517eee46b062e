#include "button.h"

#include <cwchar>
#include <utility>

namespace UIToolkit {

// ---------------------------------------------------------------------------------------------
// CButtonUI

CButtonUI::CButtonUI()
    : m_buttonState(0), m_hotTextColor(0), m_pushedTextColor(0), m_focusedTextColor(0) {
    m_textStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
}

CButtonUI::~CButtonUI() = default;

const wchar_t* CButtonUI::GetClassName() const {
    return L"ButtonUI";
}

void* CButtonUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"Button") == 0) return this;
    return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const {
    return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : UIFLAG_TABSTOP;
}

bool CButtonUI::Activate() {
    if (!CLabelUI::Activate()) return false;
    if (m_manager != nullptr) m_manager->SendNotify(this, L"click");
    return true;
}

void CButtonUI::SetEnabled(bool enable) {
    CLabelUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState = 0;
}

void CButtonUI::HandleEvent(UIEvent& event) {
    if (ForwardIgnoredMouseEvent(event)) return;
    const UINT pressBits = BUTTONSTATE_PUSHED | BUTTONSTATE_CAPTURED;
    switch (event.type) {
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
            Invalidate();
            break;
        case UIEVENT_KEYDOWN:
            if (event.key == VK_SPACE || event.key == VK_RETURN) {
                Activate();
                return;
            }
            break;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (::PtInRect(&m_rcItem, event.ptMouse) && IsEnabled()) {
                m_buttonState |= pressBits;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSEMOVE:
            if ((m_buttonState & BUTTONSTATE_CAPTURED) != 0) {
                // Moves reach a captured button that no longer holds the manager's click only
                // when the release went elsewhere: the press is over.
                if (m_manager != nullptr && m_manager->GetClick() != this) {
                    m_buttonState &= ~pressBits;
                } else if (::PtInRect(&m_rcItem, event.ptMouse)) {
                    m_buttonState |= BUTTONSTATE_PUSHED;
                } else {
                    m_buttonState &= ~BUTTONSTATE_PUSHED;
                }
                Invalidate();
            }
            return;
        case UIEVENT_BUTTONUP:
            if ((m_buttonState & BUTTONSTATE_CAPTURED) != 0) {
                // The press ends before the click is reported, so that a click handler that runs
                // a modal loop does not leave the button drawn pushed.
                m_buttonState &= ~pressBits;
                Invalidate();
                if (::PtInRect(&m_rcItem, event.ptMouse)) Activate();
            }
            return;
        case UIEVENT_CONTEXTMENU:
            // The manager has dropped the click: no release will follow.
            if ((m_buttonState & pressBits) != 0) {
                m_buttonState &= ~pressBits;
                Invalidate();
            }
            if (IsContextMenuEnabled() && m_manager != nullptr) {
                m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
            }
            return;
        case UIEVENT_MOUSEENTER:
            if (IsEnabled()) {
                m_buttonState |= BUTTONSTATE_HOT;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSELEAVE:
            if (IsEnabled()) {
                m_buttonState &= ~BUTTONSTATE_HOT;
                Invalidate();
            }
            return;
        case UIEVENT_SETCURSOR:
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return;
        default:
            break;
    }
    CLabelUI::HandleEvent(event);
}

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"normalimage") == 0) {
        SetNormalImage(value);
    } else if (wcscmp(name, L"hotimage") == 0) {
        SetHotImage(value);
    } else if (wcscmp(name, L"pushedimage") == 0) {
        SetPushedImage(value);
    } else if (wcscmp(name, L"focusedimage") == 0) {
        SetFocusedImage(value);
    } else if (wcscmp(name, L"disabledimage") == 0) {
        SetDisabledImage(value);
    } else if (wcscmp(name, L"hottextcolor") == 0) {
        SetHotTextColor(ParseColor(value));
    } else if (wcscmp(name, L"pushedtextcolor") == 0) {
        SetPushedTextColor(ParseColor(value));
    } else if (wcscmp(name, L"focusedtextcolor") == 0) {
        SetFocusedTextColor(ParseColor(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

SIZE CButtonUI::EstimateSize(SIZE available) {
    if (m_fixed.cy != 0 || m_manager == nullptr) return CControlUI::EstimateSize(available);
    return SIZE{m_fixed.cx, m_manager->GetDefaultFontInfo()->tm.tmHeight + 8};
}

void CButtonUI::RefreshState() {
    if (IsFocused()) {
        m_buttonState |= BUTTONSTATE_FOCUSED;
    } else {
        m_buttonState &= ~BUTTONSTATE_FOCUSED;
    }
    if (IsEnabled()) {
        m_buttonState &= ~BUTTONSTATE_DISABLED;
    } else {
        m_buttonState |= BUTTONSTATE_DISABLED;
    }
}

void CButtonUI::PaintStatusImage(HDC hDC) {
    RefreshState();
    CUIString* stateImage = nullptr;
    if ((m_buttonState & BUTTONSTATE_DISABLED) != 0) {
        stateImage = &m_disabledImage;
    } else if ((m_buttonState & BUTTONSTATE_PUSHED) != 0) {
        stateImage = &m_pushedImage;
    } else if ((m_buttonState & BUTTONSTATE_HOT) != 0) {
        stateImage = &m_hotImage;
    } else if ((m_buttonState & BUTTONSTATE_FOCUSED) != 0) {
        stateImage = &m_focusedImage;
    }
    if (stateImage != nullptr && DrawImageOnce(hDC, *stateImage)) return;
    DrawImageOnce(hDC, m_normalImage);
}

DWORD CButtonUI::GetStateTextColor() const {
    if ((m_buttonState & BUTTONSTATE_DISABLED) != 0) return m_disabledTextColor;
    if ((m_buttonState & BUTTONSTATE_PUSHED) != 0 && m_pushedTextColor != 0) return m_pushedTextColor;
    if ((m_buttonState & BUTTONSTATE_HOT) != 0 && m_hotTextColor != 0) return m_hotTextColor;
    if ((m_buttonState & BUTTONSTATE_FOCUSED) != 0 && m_focusedTextColor != 0) return m_focusedTextColor;
    return m_textColor;
}

void CButtonUI::PaintText(HDC hDC) {
    RefreshState();
    ResolveDefaultColors();
    if (m_text.IsEmpty()) return;
    DrawLabelText(hDC, GetTextRect(), GetStateTextColor(), m_textStyle);
}

void CButtonUI::SetNormalImage(const wchar_t* image) {
    m_normalImage = image;
    Invalidate();
}

void CButtonUI::SetHotImage(const wchar_t* image) {
    m_hotImage = image;
    Invalidate();
}

void CButtonUI::SetPushedImage(const wchar_t* image) {
    m_pushedImage = image;
    Invalidate();
}

void CButtonUI::SetFocusedImage(const wchar_t* image) {
    m_focusedImage = image;
    Invalidate();
}

void CButtonUI::SetDisabledImage(const wchar_t* image) {
    m_disabledImage = image;
    Invalidate();
}

void CButtonUI::SetHotTextColor(DWORD color) {
    m_hotTextColor = color;
}

DWORD CButtonUI::GetHotTextColor() const {
    return m_hotTextColor;
}

void CButtonUI::SetPushedTextColor(DWORD color) {
    m_pushedTextColor = color;
}

void CButtonUI::SetFocusedTextColor(DWORD color) {
    m_focusedTextColor = color;
}

DWORD CButtonUI::GetFocusedTextColor() const {
    return m_focusedTextColor;
}

void CButtonUI::SwapStateImages() {
    std::swap(m_normalImage, m_pushedImage);
    std::swap(m_hotImage, m_parkedImage);
    Invalidate();
}

// ---------------------------------------------------------------------------------------------
// COptionUI

COptionUI::COptionUI() : m_selected(false), m_selectedTextColor(0) {}

COptionUI::~COptionUI() {
    if (m_manager != nullptr && !m_group.IsEmpty()) m_manager->RemoveOptionGroup(m_group, this);
}

const wchar_t* COptionUI::GetClassName() const {
    return L"OptionUI";
}

void* COptionUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"Option") == 0) return this;
    return CButtonUI::GetInterface(name);
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    if (!m_group.IsEmpty()) {
        SetSelected(true);
    } else {
        SetSelected(!m_selected);
    }
    return true;
}

void COptionUI::SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
    // Moving to another manager leaves the group of the old one, which would otherwise keep a
    // pointer to this option.
    if (m_manager != nullptr && m_manager != manager && !m_group.IsEmpty()) {
        m_manager->RemoveOptionGroup(m_group, this);
    }
    CButtonUI::SetManager(manager, parent, init);
    if (init && m_manager != nullptr && !m_group.IsEmpty()) m_manager->AddOptionGroup(m_group, this);
}

void COptionUI::SetEnabled(bool enable) {
    CButtonUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState = m_selected ? static_cast<UINT>(BUTTONSTATE_SELECTED) : 0u;
}

void COptionUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"group") == 0) {
        SetGroup(value);
    } else if (wcscmp(name, L"selected") == 0) {
        SetSelected(ParseBool(value));
    } else if (wcscmp(name, L"selectedimage") == 0) {
        SetSelectedImage(value);
    } else if (wcscmp(name, L"foreimage") == 0) {
        SetForeImage(value);
    } else if (wcscmp(name, L"selectedtextcolor") == 0) {
        SetSelectedTextColor(ParseColor(value));
    } else {
        CButtonUI::SetAttribute(name, value);
    }
}

bool COptionUI::IsSelected() const {
    return m_selected;
}

void COptionUI::SetSelected(bool select) {
    if (m_selected == select) return;
    m_selected = select;
    if (select) {
        m_buttonState |= BUTTONSTATE_SELECTED;
    } else {
        m_buttonState &= ~BUTTONSTATE_SELECTED;
    }
    Invalidate();
    if (m_manager == nullptr) return;
    if (!m_group.IsEmpty()) {
        // In a group only the newly selected option reports.
        if (!select) return;
        CUIPtrArray* members = m_manager->GetOptionGroup(m_group);
        for (int i = 0; members != nullptr && i < members->GetSize(); ++i) {
            CControlUI* member = static_cast<CControlUI*>(members->GetAt(i));
            if (member == this || member == nullptr) continue;
            COptionUI* other = static_cast<COptionUI*>(member->GetInterface(L"Option"));
            if (other != nullptr) other->SetSelected(false);
        }
    }
    m_manager->SendNotify(this, L"selectchanged");
}

void COptionUI::SetGroup(const wchar_t* name) {
    const CUIString group(name != nullptr ? name : L"");
    if (m_group == group.GetData()) return;
    if (m_manager != nullptr && !m_group.IsEmpty()) m_manager->RemoveOptionGroup(m_group, this);
    m_group = group;
    if (m_manager != nullptr && !m_group.IsEmpty()) m_manager->AddOptionGroup(m_group, this);
}

void COptionUI::SetSelectedImage(const wchar_t* image) {
    m_selectedImage = image;
    Invalidate();
}

void COptionUI::SetForeImage(const wchar_t* image) {
    m_foreImage = image;
    Invalidate();
}

void COptionUI::SetSelectedTextColor(DWORD color) {
    m_selectedTextColor = color;
}

void COptionUI::PaintStatusImage(HDC hDC) {
    // An option never paints as pushed (nor takes the pushed text colour).
    m_buttonState &= ~BUTTONSTATE_PUSHED;
    if (!(m_selected && DrawImageOnce(hDC, m_selectedImage))) CButtonUI::PaintStatusImage(hDC);
    DrawImageOnce(hDC, m_foreImage);
}

void COptionUI::PaintText(HDC hDC) {
    if (!m_selected) {
        CButtonUI::PaintText(hDC);
        return;
    }
    // The selected colour applies to this paint only; the stored text colour is left alone.
    RefreshState();
    ResolveDefaultColors();
    if (m_text.IsEmpty()) return;
    DWORD color = m_disabledTextColor;
    if (IsEnabled()) color = m_selectedTextColor != 0 ? m_selectedTextColor : m_textColor;
    DrawLabelText(hDC, GetTextRect(), color, m_textStyle);
}

}  // namespace UIToolkit
