#include "rich_edit.h"

#include <windowsx.h>

#include <cwchar>
#include <vector>

#include "text_host.h"

namespace UIToolkit {

namespace {

const int kDefaultLimit = 0x7FFF;
const wchar_t kPasswordChar = L'*';

bool Meets(const RECT& a, const RECT& b) {
    RECT tmp;
    return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

bool IsCtrlDown() {
    return ::GetKeyState(VK_CONTROL) < 0;
}

}  // namespace

CRichEditUI::CRichEditUI()
    : m_host(nullptr), m_fixingScrollBar(false), m_wantTab(true), m_wantReturn(true), m_wantCtrlReturn(true),
      m_rich(true), m_textColor(0), m_font(-1), m_limit(kDefaultLimit), m_style(ES_MULTILINE),
      m_filterManager(nullptr) {}

CRichEditUI::~CRichEditUI() {
    RemoveFilter();
    ReleaseHost();
}

void CRichEditUI::ReleaseHost() {
    if (m_host == nullptr) return;
    CTxtWinHost* host = m_host;
    m_host = nullptr;
    // A control that goes in the middle of a drag leaves the mouse free.
    if (host->IsCaptured() && m_manager != nullptr) m_manager->ReleaseCapture();
    // The engine goes while this control can still answer it; whoever else might hold the host
    // afterwards finds it without an owner.
    host->Detach();
    host->Release();
}

void CRichEditUI::RemoveFilter() {
    if (m_filterManager == nullptr) return;
    m_filterManager->RemoveMessageFilter(this);
    m_filterManager = nullptr;
}

const wchar_t* CRichEditUI::GetClassName() const {
    return L"RichEditUI";
}

void* CRichEditUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"RichEdit") == 0) return this;
    if (name != nullptr && wcscmp(name, L"WantTab") == 0) return static_cast<IWantTabUI*>(this);
    return CContainerUI::GetInterface(name);
}

UINT CRichEditUI::GetControlFlags() const {
    return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0;
}

// ---------------------------------------------------------------------------------------------
// Settings

void CRichEditUI::SetRich(bool rich) {
    m_rich = rich;
    if (m_host != nullptr) m_host->SetRichTextFlag(rich);
}

void CRichEditUI::SetFont(int index) {
    m_font = index;
    if (m_host != nullptr && m_manager != nullptr) m_host->SetFont(m_manager->GetFont(index));
}

void CRichEditUI::SetTextColor(DWORD color) {
    m_textColor = color;
    if (m_host != nullptr) m_host->SetColor(color);
}

void CRichEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    const bool isTrue = ParseBool(value);
    if (wcscmp(name, L"vscrollbar") == 0) {
        if (isTrue) m_style |= WS_VSCROLL | ES_DISABLENOSCROLL;
    } else if (wcscmp(name, L"autovscroll") == 0) {
        if (isTrue) m_style |= ES_AUTOVSCROLL;
    } else if (wcscmp(name, L"hscrollbar") == 0) {
        if (isTrue) m_style |= WS_HSCROLL | ES_DISABLENOSCROLL;
    } else if (wcscmp(name, L"autohscroll") == 0) {
        if (isTrue) m_style |= ES_AUTOHSCROLL;
    } else if (wcscmp(name, L"wanttab") == 0) {
        SetWantTab(isTrue);
    } else if (wcscmp(name, L"wantreturn") == 0) {
        SetWantReturn(isTrue);
    } else if (wcscmp(name, L"wantctrlreturn") == 0) {
        SetWantCtrlReturn(isTrue);
    } else if (wcscmp(name, L"rich") == 0) {
        SetRich(isTrue);
    } else if (wcscmp(name, L"multiline") == 0) {
        if (wcscmp(value, L"false") == 0) m_style &= ~static_cast<DWORD>(ES_MULTILINE);
    } else if (wcscmp(name, L"readonly") == 0) {
        if (isTrue) m_style |= ES_READONLY;
    } else if (wcscmp(name, L"numberonly") == 0) {
        if (isTrue) m_style |= ES_NUMBER;
    } else if (wcscmp(name, L"password") == 0) {
        if (isTrue) m_style |= ES_PASSWORD;
    } else if (wcscmp(name, L"align") == 0) {
        if (wcsstr(value, L"left") != nullptr) m_style &= ~static_cast<DWORD>(ES_CENTER | ES_RIGHT);
        if (wcsstr(value, L"center") != nullptr) {
            m_style &= ~static_cast<DWORD>(ES_RIGHT);
            m_style |= ES_CENTER;
        }
        if (wcsstr(value, L"right") != nullptr) {
            m_style &= ~static_cast<DWORD>(ES_CENTER);
            m_style |= ES_RIGHT;
        }
    } else if (wcscmp(name, L"font") == 0) {
        SetFont(ParseInt(value));
    } else if (wcscmp(name, L"textcolor") == 0) {
        SetTextColor(ParseColor(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

// ---------------------------------------------------------------------------------------------
// Engine and host

void CRichEditUI::SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
    // The message filter belongs to the manager it was given to; a control that leaves that
    // manager must not be called from it any more.
    if (m_filterManager != nullptr && m_filterManager != manager) RemoveFilter();
    CContainerUI::SetManager(manager, parent, init);
}

void CRichEditUI::OnInit() {
    if (m_manager == nullptr) return;
    if (m_host == nullptr) {
        const CUIString initialText = m_text;
        CREATESTRUCTW create = {};
        create.style = static_cast<LONG>(m_style);
        create.lpszName = initialText.GetData();
        m_host = CreateTextHost(this, &create);
        if (m_host == nullptr) return;
        if ((m_style & ES_PASSWORD) != 0) m_host->SetPasswordChar(kPasswordChar);
        m_host->SetTransparent(true);
        LRESULT result = 0;
        TxSendMessage(EM_SETLANGOPTIONS, 0, 0, &result);
        m_host->OnTxInPlaceActivate(nullptr);
    }
    if (m_filterManager == nullptr) {
        m_manager->AddMessageFilter(this);
        m_filterManager = m_manager;
    }
}

HRESULT CRichEditUI::TxSendMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    ITextServices* services = m_host != nullptr ? m_host->GetTextServices() : nullptr;
    if (services == nullptr) return S_FALSE;
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        if (!m_wantReturn || (IsCtrlDown() && !m_wantCtrlReturn)) {
            if (m_manager != nullptr) m_manager->SendNotify(this, L"return");
            return S_OK;
        }
    }
    // The character that follows an unwanted Return key-down (carriage return, or line feed
    // with Ctrl) would still insert the line; it goes nowhere.
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n')) {
        const bool ctrl = wParam == L'\n' || IsCtrlDown();
        if (!m_wantReturn || (ctrl && !m_wantCtrlReturn)) return S_OK;
    }
    LRESULT ignored = 0;
    return services->TxSendMessage(message, wParam, lParam, result != nullptr ? result : &ignored);
}

bool CRichEditUI::OnTxViewChanged() {
    return true;
}

void CRichEditUI::OnTxNotify(DWORD, void*) {}

long CRichEditUI::GetTextLength(DWORD flags) const {
    GETTEXTLENGTHEX request = {};
    request.flags = flags;
    request.codepage = 1200;
    LRESULT result = 0;
    if (const_cast<CRichEditUI*>(this)->TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0,
                                                        &result) != S_OK) {
        return 0;
    }
    return result > 0 ? static_cast<long>(result) : 0;
}

CUIString CRichEditUI::GetText() const {
    const long length = GetTextLength(GTL_DEFAULT);
    if (length <= 0) return CUIString();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    request.flags = GT_DEFAULT;
    request.codepage = 1200;
    LRESULT result = 0;
    const_cast<CRichEditUI*>(this)->TxSendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                                  reinterpret_cast<LPARAM>(buffer.data()), &result);
    buffer.back() = L'\0';
    return CUIString(buffer.data());
}

void CRichEditUI::SetText(const wchar_t* text) {
    m_text = text;
    if (m_host == nullptr) return;
    SetSel(0, -1);
    ReplaceSel(text != nullptr ? text : L"", false);
}

void CRichEditUI::SetSel(long first, long last) {
    CHARRANGE range = {first, last};
    LRESULT result = 0;
    TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range), &result);
}

void CRichEditUI::ReplaceSel(const wchar_t* text, bool canUndo) {
    LRESULT result = 0;
    TxSendMessage(EM_REPLACESEL, canUndo ? TRUE : FALSE, reinterpret_cast<LPARAM>(text != nullptr ? text : L""),
                  &result);
}

// ---------------------------------------------------------------------------------------------
// Layout and painting

LONG CRichEditUI::NaturalHeight(LONG width) const {
    ITextServices* services = m_host != nullptr ? m_host->GetTextServices() : nullptr;
    if (services == nullptr || m_manager == nullptr || width <= 0) return -1;
    SIZEL extent = {-1, -1};
    LONG naturalWidth = width;
    LONG naturalHeight = 0;
    const HRESULT hr = services->TxGetNaturalSize(DVASPECT_CONTENT, m_manager->GetPaintDC(), nullptr, nullptr,
                                                  TXTNS_FITTOCONTENT, &extent, &naturalWidth, &naturalHeight);
    return SUCCEEDED(hr) ? naturalHeight : -1;
}

void CRichEditUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    RECT area = ChildrenArea();
    CScrollBarUI* vertical = GetVerticalScrollBar();
    CScrollBarUI* horizontal = GetHorizontalScrollBar();
    if (m_host != nullptr) {
        const bool wasVisible = vertical != nullptr && vertical->IsVisible();
        m_host->SetClientRect(area);
        const bool nowVisible = vertical != nullptr && vertical->IsVisible();
        if (vertical != nullptr && ((wasVisible && !nowVisible) || m_fixingScrollBar)) {
            // The text area was measured with the bar as it was before the engine saw the new size.
            const LONG fullWidth = area.right - area.left + (wasVisible ? vertical->GetFixedWidth() : 0);
            const LONG height = NaturalHeight(fullWidth);
            if (height > area.bottom - area.top) {
                vertical->SetVisible(true);
                vertical->SetScrollPos(0);
                m_fixingScrollBar = true;
            } else if (m_fixingScrollBar) {
                vertical->SetVisible(false);
                m_fixingScrollBar = false;
            }
            const RECT fixedArea = ChildrenArea();
            if (!::EqualRect(&fixedArea, &area)) {
                area = fixedArea;
                m_host->SetClientRect(area);
            }
        }
    }
    if (vertical != nullptr && vertical->IsVisible()) {
        vertical->SetPos(RECT{area.right, area.top, area.right + vertical->GetFixedWidth(), area.bottom});
    }
    if (horizontal != nullptr && horizontal->IsVisible()) {
        horizontal->SetPos(RECT{area.left, area.bottom, area.right, area.bottom + horizontal->GetFixedHeight()});
    }
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            PlaceFloatChild(i);
        } else {
            child->SetPos(area);
        }
    }
}

SIZE CRichEditUI::EstimateSize(SIZE available) {
    return CControlUI::EstimateSize(available);
}

void CRichEditUI::Paint(HDC hDC, const RECT& rcPaint) {
    RECT visible;
    if (!::IntersectRect(&visible, &rcPaint, &m_rcItem)) return;
    CUIClip clip;
    CUIClip::Create(hDC, visible, clip);
    CControlUI::Paint(hDC, rcPaint);

    ITextServices* services = m_host != nullptr ? m_host->GetTextServices() : nullptr;
    if (services != nullptr) {
        const RECT client = m_host->GetControlRect();
        RECTL bounds = {client.left, client.top, client.right, client.bottom};
        RECT update = rcPaint;
        services->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, hDC, nullptr, &bounds, nullptr, &update, nullptr, 0,
                         TXTVIEW_ACTIVE);
        if (m_fixingScrollBar) {
            CScrollBarUI* vertical = GetVerticalScrollBar();
            const LONG width = client.right - client.left + (vertical != nullptr ? vertical->GetFixedWidth() : 0);
            const LONG height = NaturalHeight(width);
            if (height >= 0 && height <= client.bottom - client.top) RequestLayout();
        }
    }

    if (!m_items.IsEmpty()) {
        const RECT area = ChildrenArea();
        RECT childPaint;
        const bool childrenShown = ::IntersectRect(&childPaint, &rcPaint, &area) != FALSE;
        for (int i = 0; i < m_items.GetSize(); ++i) {
            CControlUI* child = GetItemAt(i);
            if (!child->IsVisible() || !Meets(rcPaint, child->GetPos())) continue;
            if (child->IsFloat()) {
                if (Meets(m_rcItem, child->GetPos())) child->Paint(hDC, rcPaint);
            } else if (childrenShown && Meets(area, child->GetPos())) {
                CUIClip childClip;
                CUIClip::Create(hDC, childPaint, childClip);
                child->Paint(hDC, rcPaint);
            }
        }
    }
    CScrollBarUI* bars[2] = {GetVerticalScrollBar(), GetHorizontalScrollBar()};
    for (CScrollBarUI* bar : bars) {
        if (bar != nullptr && bar->IsVisible() && Meets(rcPaint, bar->GetPos())) bar->Paint(hDC, rcPaint);
    }
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void CRichEditUI::SendScroll(UINT message, WPARAM code) {
    LRESULT result = 0;
    TxSendMessage(message, code, 0, &result);
}

void CRichEditUI::SetScrollPos(SIZE pos) {
    CScrollBarUI* vertical = GetVerticalScrollBar();
    CScrollBarUI* horizontal = GetHorizontalScrollBar();
    if (vertical != nullptr && vertical->IsVisible()) {
        const int old = vertical->GetScrollPos();
        vertical->SetScrollPos(pos.cy);
        const int moved = vertical->GetScrollPos();
        if (moved != old) {
            SendScroll(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, moved));
            // The engine reports where it really went; plain text that could not go further
            // keeps the bar where it was.
            if (!m_rich && vertical->IsVisible() && moved > old && vertical->GetScrollPos() <= old) {
                vertical->SetScrollPos(old);
            }
        }
    }
    if (horizontal != nullptr && horizontal->IsVisible()) {
        const int old = horizontal->GetScrollPos();
        horizontal->SetScrollPos(pos.cx);
        if (horizontal->GetScrollPos() != old) {
            SendScroll(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, horizontal->GetScrollPos()));
        }
    }
}

void CRichEditUI::LineUp() { SendScroll(WM_VSCROLL, SB_LINEUP); }

void CRichEditUI::LineDown() {
    CScrollBarUI* vertical = GetVerticalScrollBar();
    const int before = vertical != nullptr ? vertical->GetScrollPos() : 0;
    SendScroll(WM_VSCROLL, SB_LINEDOWN);
    if (!m_rich && vertical != nullptr && vertical->IsVisible() && vertical->GetScrollPos() <= before) {
        vertical->SetScrollPos(vertical->GetScrollRange());
    }
}

void CRichEditUI::PageUp() { SendScroll(WM_VSCROLL, SB_PAGEUP); }
void CRichEditUI::PageDown() { SendScroll(WM_VSCROLL, SB_PAGEDOWN); }
void CRichEditUI::ScrollToTop() { SendScroll(WM_VSCROLL, SB_TOP); }
void CRichEditUI::ScrollToBottom() { SendScroll(WM_VSCROLL, SB_BOTTOM); }
void CRichEditUI::LineLeft() { SendScroll(WM_HSCROLL, SB_LINELEFT); }
void CRichEditUI::LineRight() { SendScroll(WM_HSCROLL, SB_LINERIGHT); }
void CRichEditUI::PageLeft() { SendScroll(WM_HSCROLL, SB_PAGELEFT); }
void CRichEditUI::PageRight() { SendScroll(WM_HSCROLL, SB_PAGERIGHT); }
void CRichEditUI::ScrollToLeftEnd() { SendScroll(WM_HSCROLL, SB_LEFT); }
void CRichEditUI::ScrollToRightEnd() { SendScroll(WM_HSCROLL, SB_RIGHT); }

// ---------------------------------------------------------------------------------------------
// Events and messages

void CRichEditUI::HandleEvent(UIEvent& event) {
    const bool mouseEvent = event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
    if (!IsMouseEnabled() && mouseEvent) {
        if (m_parent != nullptr) {
            m_parent->HandleEvent(event);
        } else {
            CControlUI::HandleEvent(event);
        }
        return;
    }
    LRESULT result = 0;
    switch (event.type) {
        case UIEVENT_SETCURSOR:
            if (IsEnabled() && m_host != nullptr && m_host->DoSetCursor(nullptr, event.ptMouse)) return;
            break;
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
            if (m_host != nullptr) {
                m_host->OnTxInPlaceActivate(nullptr);
                TxSendMessage(event.type == UIEVENT_SETFOCUS ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, &result);
            }
            break;
        case UIEVENT_TIMER:
            if (m_host != nullptr) {
                TxSendMessage(WM_TIMER, event.wParam, event.lParam, &result);
                return;
            }
            break;
        case UIEVENT_SCROLLWHEEL:
            if ((event.keyState & UIKEY_CONTROL) != 0) return;
            break;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
        case UIEVENT_MOUSEMOVE:
        case UIEVENT_BUTTONUP:
        case UIEVENT_MOUSEENTER:
        case UIEVENT_MOUSELEAVE:
        case UIEVENT_KEYDOWN:
        case UIEVENT_KEYUP:
        case UIEVENT_CHAR:
        case UIEVENT_SYSKEY:
            return;
        default:
            break;
    }
    CContainerUI::HandleEvent(event);
}

LRESULT CRichEditUI::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (!IsVisible() || !IsEnabled() || m_host == nullptr || m_manager == nullptr) return 0;
    const bool mouse = message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
    if (mouse && !IsMouseEnabled()) return 0;
    if (message == WM_MOUSEWHEEL && (LOWORD(wParam) & MK_CONTROL) == 0) return 0;

    bool markHandled = true;
    if (mouse) {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (message == WM_MOUSEWHEEL) ::ScreenToClient(m_manager->GetPaintWindow(), &pt);
        // While the engine holds the mouse, the button that ends its drag belongs to it wherever
        // it is released; otherwise the engine would keep the capture and go on selecting.
        const bool captured = m_host->IsCaptured();
        if (!captured && message >= WM_LBUTTONDOWN && message <= WM_RBUTTONUP && m_manager->FindControlAt(pt) != this) {
            return 0;
        }
        const RECT client = m_host->GetControlRect();
        const bool ours = captured || (::PtInRect(&client, pt) && !m_manager->IsCaptured());
        if (!ours) return 0;
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN) SetFocus();
        // The form may have hidden or disabled the control when it got the focus.
        if (!IsVisible() || !IsEnabled()) return 0;
    } else if (message >= WM_KEYFIRST && message <= WM_KEYLAST) {
        if (m_manager->GetFocus() != this) return 0;
    } else if (message == WM_CONTEXTMENU) {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ScreenToClient(m_manager->GetPaintWindow(), &pt);
        if (m_manager->FindControlAt(pt) != this) return 0;
        markHandled = false;
    } else if (message == WM_HELP) {
        markHandled = false;
    } else {
        return 0;
    }
    LRESULT result = 0;
    if (TxSendMessage(message, wParam, lParam, &result) == S_OK && markHandled) handled = true;
    return result;
}

}  // namespace UIToolkit
