#include "edit.h"

#include <cwchar>
#include <vector>

#include "button.h"
#include "render_engine.h"

namespace UIToolkit {

namespace {

const int kDefaultMaxChar = 255;

bool OnOwnThread(HWND hWnd) {
    return ::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CEditWnd

CEditWnd::CEditWnd()
    : m_owner(nullptr), m_bkBrush(nullptr), m_initialized(false), m_depth(0), m_destroyed(false) {}

CEditWnd::~CEditWnd() {
    if (m_bkBrush != nullptr) ::DeleteObject(m_bkBrush);
}

const wchar_t* CEditWnd::GetWindowClassName() const {
    return L"EditWnd";
}

const wchar_t* CEditWnd::GetSuperClassName() const {
    return L"Edit";
}

RECT CEditWnd::CalPos() const {
    RECT rc = {0, 0, 0, 0};
    if (m_owner == nullptr) return rc;
    rc = m_owner->GetPos();
    const RECT padding = m_owner->GetTextPadding();
    rc.left += padding.left;
    rc.top += padding.top;
    rc.right -= padding.right;
    rc.bottom -= padding.bottom;
    CWindowManagerUI* manager = m_owner->GetManager();
    if (manager == nullptr) return rc;
    const LONG fontHeight = manager->GetDefaultFontInfo()->tm.tmHeight;
    if (fontHeight < rc.bottom - rc.top) {
        rc.top += (rc.bottom - rc.top - fontHeight) / 2;
        rc.bottom = rc.top + fontHeight;
    }
    return rc;
}

bool CEditWnd::Init(CEditUI* owner) {
    m_owner = owner;
    CWindowManagerUI* manager = owner != nullptr ? owner->GetManager() : nullptr;
    if (manager == nullptr || manager->GetPaintWindow() == nullptr) return false;
    const RECT rc = CalPos();
    DWORD style = WS_CHILD | ES_AUTOHSCROLL;
    if (owner->IsPasswordMode()) style |= ES_PASSWORD;
    if (CreateFromRect(manager->GetPaintWindow(), nullptr, style, 0, rc) == nullptr) return false;

    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(manager->GetDefaultFontInfo()->hFont), TRUE);
    SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(owner->GetMaxChar()));
    if (owner->IsPasswordMode()) SendMessage(EM_SETPASSWORDCHAR, static_cast<WPARAM>(owner->GetPasswordChar()));
    ::SetWindowTextW(m_hWnd, owner->GetText());
    SendMessage(EM_SETMODIFY, FALSE);
    SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    ::EnableWindow(m_hWnd, owner->IsEnabled() ? TRUE : FALSE);
    SendMessage(EM_SETREADONLY, owner->IsReadOnly() ? TRUE : FALSE);
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ::SetFocus(m_hWnd);
    m_initialized = true;
    return true;
}

void CEditWnd::OnTextChanged() {
    if (!m_initialized || m_owner == nullptr || m_hWnd == nullptr) return;
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::vector<wchar_t> text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    ::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()));
    text.back() = L'\0';
    m_owner->m_text = text.data();
    CWindowManagerUI* manager = m_owner->GetManager();
    if (manager != nullptr) manager->SendNotify(m_owner, L"textchanged");
}

LRESULT CEditWnd::OnCtlColor(HDC hDC) {
    if (m_owner == nullptr || m_owner->GetNativeEditBkColor() == CEditUI::kSystemColors) return 0;
    DWORD textColor = m_owner->GetTextColor();
    if (textColor == 0 && m_owner->GetManager() != nullptr) textColor = m_owner->GetManager()->GetDefaultFontColor();
    ::SetBkMode(hDC, TRANSPARENT);
    ::SetTextColor(hDC, CUIRenderer::ToColorRef(textColor));
    if (m_bkBrush == nullptr) m_bkBrush = ::CreateSolidBrush(CUIRenderer::ToColorRef(m_owner->GetNativeEditBkColor()));
    return reinterpret_cast<LRESULT>(m_bkBrush);
}

LRESULT CEditWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    ++m_depth;
    const LRESULT result = Dispatch(message, wParam, lParam);
    if (--m_depth == 0 && m_destroyed) delete this;
    return result;
}

LRESULT CEditWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KILLFOCUS: {
            const LRESULT result = CWindowWnd::HandleMessage(message, wParam, lParam);
            PostMessage(WM_CLOSE);
            return result;
        }
        case WM_COMMAND + WM_UI_REFLECTED_BASE: {
            const WORD code = HIWORD(wParam);
            if (code == EN_CHANGE) {
                OnTextChanged();
            } else if (code == EN_UPDATE) {
                ::InvalidateRect(m_hWnd, nullptr, FALSE);
            }
            return 0;
        }
        case WM_KEYDOWN: {
            if (wParam != VK_RETURN) break;
            // The key is consumed: the native edit never sees it. The notified form may delete
            // the owner, so nothing of it is touched afterwards.
            if (m_owner != nullptr && m_owner->GetManager() != nullptr) {
                m_owner->GetManager()->SendNotify(m_owner, L"return");
            }
            return 0;
        }
        case WM_CTLCOLOREDIT + WM_UI_REFLECTED_BASE:
        case WM_CTLCOLORSTATIC + WM_UI_REFLECTED_BASE:
            return OnCtlColor(reinterpret_cast<HDC>(wParam));
        default:
            break;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CEditWnd::OnFinalMessage(HWND) {
    // Only the owner's current window is forgotten: a window that closes late must not clear
    // the pointer to a newer one.
    if (m_owner != nullptr && m_owner->m_window == this) m_owner->m_window = nullptr;
    m_owner = nullptr;
    m_destroyed = true;
    if (m_depth == 0) delete this;
}

// ---------------------------------------------------------------------------------------------
// CEditUI

// Watches the edit across a call that may end in a form deleting it (a notification, or a text
// change that the native window reports); watches nest.
class CEditUI::DeletionWatch {
public:
    explicit DeletionWatch(CEditUI* edit) : m_edit(edit), m_outer(edit->m_deletedFlag), m_deleted(false) {
        edit->m_deletedFlag = &m_deleted;
    }
    ~DeletionWatch() {
        if (!m_deleted) {
            m_edit->m_deletedFlag = m_outer;
        } else if (m_outer != nullptr) {
            *m_outer = true;
        }
    }
    DeletionWatch(const DeletionWatch&) = delete;
    DeletionWatch& operator=(const DeletionWatch&) = delete;
    bool Deleted() const { return m_deleted; }

private:
    CEditUI* m_edit;
    bool* m_outer;
    bool m_deleted;
};

CEditUI::CEditUI()
    : m_window(nullptr), m_maxChar(kDefaultMaxChar), m_readOnly(false), m_password(false), m_passwordChar(L'*'),
      m_editState(0), m_nativeBkColor(kSystemColors), m_deletedFlag(nullptr) {
    m_textPadding = RECT{4, 3, 4, 3};
    SetBkColor(0xFFFFFFFF);
}

CEditUI::~CEditUI() {
    if (m_deletedFlag != nullptr) *m_deletedFlag = true;
    if (m_window == nullptr) return;
    // The native window must not outlive its control: it is cut loose and destroyed now (it
    // deletes itself when its window is gone).
    CEditWnd* window = m_window;
    m_window = nullptr;
    window->DetachOwner();
    HWND hWnd = window->GetHWND();
    if (hWnd == nullptr) return;
    if (OnOwnThread(hWnd) && !window->IsHandlingMessage()) {
        ::DestroyWindow(hWnd);
        return;
    }
    // Deleted from inside one of the window's own messages (a notification it sent), or from
    // another thread: the window closes as soon as that is over.
    if (OnOwnThread(hWnd)) ::ShowWindow(hWnd, SW_HIDE);
    ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
}

const wchar_t* CEditUI::GetClassName() const {
    return L"EditUI";
}

void* CEditUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"Edit") == 0) return this;
    return CLabelUI::GetInterface(name);
}

UINT CEditUI::GetControlFlags() const {
    return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0;
}

HWND CEditUI::GetNativeWindow() const {
    return m_window != nullptr ? m_window->GetHWND() : nullptr;
}

bool CEditUI::OpenNativeWindow() {
    CEditWnd* window = new CEditWnd;
    m_window = window;
    if (!window->Init(this)) {
        // A window whose creation failed part-way has been through its final message already,
        // which forgot it here and deleted the object.
        if (m_window != window) return false;
        m_window = nullptr;
        // A window that was made but failed later deletes its object itself when destroyed.
        if (window->GetHWND() != nullptr) {
            window->DetachOwner();
            ::DestroyWindow(window->GetHWND());
        } else {
            delete window;
        }
        return false;
    }
    Invalidate();
    return true;
}

void CEditUI::SelectAllInNativeWindow() {
    if (m_window == nullptr) return;
    const int length = m_text.GetLength();
    m_window->SendMessage(EM_SETSEL, 0, length > 0 ? length : 1);
}

void CEditUI::CloseNativeWindowWhenHidden() {
    if (IsVisible() || m_window == nullptr) return;
    HWND hWnd = m_window->GetHWND();
    if (hWnd != nullptr && !OnOwnThread(hWnd)) {
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
        return;
    }
    if (m_manager != nullptr) m_manager->SetFocus(nullptr);
    // Clearing the manager's focus takes the keyboard from the window, which then closes; one
    // that kept the keyboard (the focus was elsewhere already) is hidden and closed here.
    if (m_window != nullptr && m_window->GetHWND() != nullptr) {
        ::ShowWindow(m_window->GetHWND(), SW_HIDE);
        m_window->PostMessage(WM_CLOSE);
    }
}

bool CEditUI::NotifySurvived(const wchar_t* type) {
    if (m_manager == nullptr) return true;
    DeletionWatch watch(this);
    m_manager->SendNotify(this, type);
    return !watch.Deleted();
}

void CEditUI::SetText(const wchar_t* text) {
    m_text = text;
    if (m_window != nullptr && m_window->GetHWND() != nullptr) {
        // The window reports the change at once ("textchanged"), and the form may delete this
        // control in answer.
        DeletionWatch watch(this);
        ::SetWindowTextW(m_window->GetHWND(), m_text);
        if (watch.Deleted()) return;
    }
    Invalidate();
}

void CEditUI::SetPos(RECT rc) {
    CLabelUI::SetPos(rc);
    if (m_window == nullptr || m_window->GetHWND() == nullptr) return;
    const RECT pos = m_window->CalPos();
    ::SetWindowPos(m_window->GetHWND(), nullptr, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void CEditUI::SetVisible(bool visible) {
    CLabelUI::SetVisible(visible);
    CloseNativeWindowWhenHidden();
}

void CEditUI::SetInternalVisible(bool visible) {
    CLabelUI::SetInternalVisible(visible);
    CloseNativeWindowWhenHidden();
}

void CEditUI::SetEnabled(bool enable) {
    CLabelUI::SetEnabled(enable);
    if (!enable) m_editState = 0;
}

void CEditUI::SetMaxChar(int maxChar) {
    // Below 0 there is no sensible limit; as a WPARAM it would turn into a huge one.
    m_maxChar = maxChar > 0 ? maxChar : 0;
    if (m_window != nullptr) m_window->SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(m_maxChar));
}

void CEditUI::SetReadOnly(bool readOnly) {
    if (m_readOnly == readOnly) return;
    m_readOnly = readOnly;
    if (m_window != nullptr) m_window->SendMessage(EM_SETREADONLY, readOnly ? TRUE : FALSE);
    Invalidate();
}

void CEditUI::SetPasswordMode(bool password) {
    if (m_password == password) return;
    m_password = password;
    Invalidate();
}

void CEditUI::SetImage(CUIString& image, const wchar_t* value) {
    image = value;
    Invalidate();
}

void CEditUI::SetNormalImage(const wchar_t* image) { SetImage(m_normalImage, image); }
void CEditUI::SetHotImage(const wchar_t* image) { SetImage(m_hotImage, image); }
void CEditUI::SetFocusedImage(const wchar_t* image) { SetImage(m_focusedImage, image); }
void CEditUI::SetDisabledImage(const wchar_t* image) { SetImage(m_disabledImage, image); }

void CEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"readonly") == 0) {
        SetReadOnly(ParseBool(value));
    } else if (wcscmp(name, L"password") == 0) {
        SetPasswordMode(ParseBool(value));
    } else if (wcscmp(name, L"maxchar") == 0) {
        SetMaxChar(ParseInt(value));
    } else if (wcscmp(name, L"normalimage") == 0) {
        SetNormalImage(value);
    } else if (wcscmp(name, L"hotimage") == 0) {
        SetHotImage(value);
    } else if (wcscmp(name, L"focusedimage") == 0) {
        SetFocusedImage(value);
    } else if (wcscmp(name, L"disabledimage") == 0) {
        SetDisabledImage(value);
    } else if (wcscmp(name, L"nativebkcolor") == 0) {
        SetNativeEditBkColor(ParseColor(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

SIZE CEditUI::EstimateSize(SIZE available) {
    if (m_fixed.cy != 0 || m_manager == nullptr) return CControlUI::EstimateSize(available);
    return SIZE{m_fixed.cx, m_manager->GetDefaultFontInfo()->tm.tmHeight + 6};
}

void CEditUI::HandleEvent(UIEvent& event) {
    if (ForwardIgnoredMouseEvent(event)) return;
    switch (event.type) {
        case UIEVENT_SETCURSOR:
            if (!IsEnabled()) break;
            ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
            return;
        case UIEVENT_WINDOWSIZE:
            if (m_window != nullptr && m_manager != nullptr) m_manager->RefocusAfterLayout(this);
            break;
        case UIEVENT_SCROLLWHEEL:
            if (m_window != nullptr) return;
            break;
        case UIEVENT_SETFOCUS:
            if (!IsEnabled()) break;
            if (m_window != nullptr) return;
            OpenNativeWindow();
            break;
        case UIEVENT_KILLFOCUS:
            if (!IsEnabled()) break;
            if (!NotifySurvived(L"killfocus")) return;
            Invalidate();
            break;
        case UIEVENT_KEYDOWN:
            if (event.key == VK_RETURN && !NotifySurvived(L"killfocus")) return;
            break;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
        case UIEVENT_RBUTTONDOWN: {
            if (!IsEnabled()) return;
            if (m_manager != nullptr) m_manager->ReleaseCapture();
            if (IsFocused() && m_window == nullptr) {
                if (OpenNativeWindow() && ::PtInRect(&m_rcItem, event.ptMouse)) SelectAllInNativeWindow();
            } else if (m_window != nullptr) {
                SelectAllInNativeWindow();
            }
            return;
        }
        case UIEVENT_MOUSEMOVE:
        case UIEVENT_BUTTONUP:
        case UIEVENT_CONTEXTMENU:
            return;
        case UIEVENT_MOUSEENTER:
            if (!IsEnabled()) break;
            m_editState |= BUTTONSTATE_HOT;
            Invalidate();
            return;
        case UIEVENT_MOUSELEAVE:
            if (!IsEnabled()) break;
            m_editState &= ~static_cast<UINT>(BUTTONSTATE_HOT);
            Invalidate();
            return;
        default:
            break;
    }
    CLabelUI::HandleEvent(event);
}

void CEditUI::PaintStatusImage(HDC hDC) {
    if (IsFocused()) {
        m_editState |= BUTTONSTATE_FOCUSED;
    } else {
        m_editState &= ~static_cast<UINT>(BUTTONSTATE_FOCUSED);
    }
    if (!IsEnabled()) {
        m_editState |= BUTTONSTATE_DISABLED;
    } else {
        m_editState &= ~static_cast<UINT>(BUTTONSTATE_DISABLED);
    }
    CUIString* picked = nullptr;
    if ((m_editState & BUTTONSTATE_DISABLED) != 0) {
        picked = &m_disabledImage;
    } else if ((m_editState & BUTTONSTATE_FOCUSED) != 0) {
        picked = &m_focusedImage;
    } else if ((m_editState & BUTTONSTATE_HOT) != 0) {
        picked = &m_hotImage;
    }
    if (picked != nullptr && DrawImageOnce(hDC, *picked)) return;
    DrawImageOnce(hDC, m_normalImage);
}

void CEditUI::PaintText(HDC hDC) {
    ResolveDefaultColors();
    if (m_text.IsEmpty()) return;
    CUIString shown;
    if (m_password) {
        for (const wchar_t* p = m_text.GetData(); *p != L'\0'; p = ::CharNextW(p)) shown += m_passwordChar;
    } else {
        shown = m_text;
    }
    RECT rc = GetTextRect();
    CUIRenderer::DrawText(hDC, m_manager, rc, shown, IsEnabled() ? m_textColor : m_disabledTextColor, m_font,
                          m_textStyle | DT_SINGLELINE);
}

}  // namespace UIToolkit
