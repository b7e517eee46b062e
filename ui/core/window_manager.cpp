// Window manager: binding, message translation, layout and painting, pre-translation.
#include "window_manager.h"

#include <windowsx.h>

#include <vector>

#include "control.h"
#include "gdi_owners.h"

namespace UIToolkit {

namespace {

// The live managers of the process, in creation order.
CUIPtrArray& Managers() {
    static CUIPtrArray managers;
    return managers;
}

HPEN g_showDirtyPen = nullptr;

// A cap on the repeated search for controls whose layout is pending: a control whose SetPos
// leaves its layout pending must not keep the paint pass spinning.
const int kMaxLayoutRounds = 4096;

struct ShortcutSearch {
    wchar_t key;
    bool pickNext;
};

wchar_t UpperChar(wchar_t ch) {
    return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(
        ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(static_cast<unsigned short>(ch))))));
}

POINT PointFromLParam(LPARAM lParam) {
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return pt;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and binding

CWindowManagerUI::CWindowManagerUI()
    : m_hWndPaint(nullptr), m_hDcPaint(nullptr), m_hWndTooltip(nullptr), m_toolTip(),
      m_showDirty(false), m_root(nullptr), m_focus(nullptr), m_hover(nullptr), m_click(nullptr),
      m_key(nullptr), m_lastMousePos{-1, -1}, m_minTrack{0, 0}, m_maxTrack{0, 0}, m_initSize{0, 0},
      m_sizeBox{0, 0, 0, 0}, m_roundCorner{0, 0}, m_captionRect{0, 0, 0, 0}, m_timerCounter(4096),
      m_firstLayout(true), m_layoutPending(false), m_focusNeeded(false), m_offscreenPaint(true),
      m_backgroundTransparent(false), m_mouseTracking(false), m_captured(false), m_nameMap(83),
      m_optionGroups(83), m_resourceParent(nullptr), m_defaultDisabledColor(0xFFA7A6AA),
      m_defaultFontColor(0xFF000000), m_defaultLinkFontColor(0xFF0000FF),
      m_defaultLinkHoverFontColor(0xFFD3215F), m_defaultSelectedBkColor(0xFFBAE4FF), m_images(83),
      m_defaultAttrLists(83) {
    if (g_showDirtyPen == nullptr) {
        g_showDirtyPen = ::CreatePen(PS_SOLID, 1, RGB(220, 0, 0));
        ::InitCommonControls();
        ::LoadLibraryW(L"msimg32.dll");
    }
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    m_defaultFont.hFont = ::CreateFontIndirectW(&lf);
    m_defaultFont.faceName = lf.lfFaceName;
    m_defaultFont.size = -lf.lfHeight;
    m_defaultFont.bold = lf.lfWeight >= FW_BOLD;
    m_defaultFont.underline = lf.lfUnderline == 1;
    m_defaultFont.italic = lf.lfItalic == 1;
}

CWindowManagerUI::~CWindowManagerUI() {
    PurgeDelayedCleanup();
    for (int i = 0; i < m_asyncNotify.GetSize(); ++i) delete static_cast<UINotify*>(m_asyncNotify[i]);
    m_asyncNotify.Empty();
    m_nameMap.Resize(0);
    CControlUI* root = m_root;
    m_root = nullptr;
    delete root;

    if (m_defaultFont.hFont != nullptr) ::DeleteObject(m_defaultFont.hFont);
    m_defaultFont.hFont = nullptr;
    RemoveAllFonts();
    RemoveAllImages();
    RemoveAllDefaultAttributeLists();
    RemoveAllOptionGroups();
    RemoveAllTimers();

    if (m_hWndTooltip != nullptr) ::DestroyWindow(m_hWndTooltip);
    m_hWndTooltip = nullptr;
    m_offscreen.Release();
    m_background.Release();
    if (m_hDcPaint != nullptr) ::ReleaseDC(m_hWndPaint, m_hDcPaint);
    m_hDcPaint = nullptr;

    CUIPtrArray& managers = Managers();
    const int index = managers.Find(this);
    if (index >= 0) managers.Remove(index);
}

void CWindowManagerUI::Init(HWND hWnd) {
    m_hWndPaint = hWnd;
    if (m_hDcPaint != nullptr) ::ReleaseDC(m_hWndPaint, m_hDcPaint);
    m_hDcPaint = ::GetDC(hWnd);
    if (Managers().Find(this) < 0) Managers().Add(this);
}

int CWindowManagerUI::GetManagerCount() {
    return Managers().GetSize();
}

bool CWindowManagerUI::AttachRoot(CControlUI* control) {
    SetFocus(nullptr);
    m_key = nullptr;
    m_hover = nullptr;
    m_click = nullptr;
    if (m_root != nullptr && m_root != control) {
        m_postPaintControls.Empty();
        AddDelayedCleanup(m_root);
    }
    m_root = control;
    m_layoutPending = true;
    m_firstLayout = true;
    m_focusNeeded = true;
    return InitControls(control, nullptr);
}

bool CWindowManagerUI::InitControls(CControlUI* control, CControlUI* parent) {
    if (control == nullptr) return false;
    control->SetManager(this, parent != nullptr ? parent : control->GetParent(), true);
    control->FindControl(CollectNameProc, this, UIFIND_ALL);
    return true;
}

void CWindowManagerUI::OnControlDestroyed(CControlUI* control) {
    if (control == nullptr) return;
    ForgetControl(control);
}

void CWindowManagerUI::OnControlRenamed(CControlUI* control, const wchar_t* oldName) {
    if (control == nullptr) return;
    if (oldName != nullptr && oldName[0] != L'\0' && m_nameMap.Find(oldName) == control) {
        m_nameMap.Remove(oldName);
    }
    const CUIString name = control->GetName();
    if (!name.IsEmpty()) m_nameMap.Set(name, control);
}

// Drops every reference the manager holds to one control.
void CWindowManagerUI::ForgetControl(CControlUI* control) {
    if (m_focus == control) m_focus = nullptr;
    if (m_hover == control) {
        m_hover = nullptr;
        HideTooltip();
    }
    if (m_click == control) {
        m_click = nullptr;
        if (m_captured) ReleaseCapture();
    }
    if (m_key == control) m_key = nullptr;
    KillTimers(control);
    const CUIString name = control->GetName();
    if (!name.IsEmpty() && m_nameMap.Find(name) == control) m_nameMap.Remove(name);
    for (int i = m_postPaintControls.GetSize() - 1; i >= 0; --i) {
        if (m_postPaintControls[i] == control) m_postPaintControls.Remove(i);
    }
    for (int i = 0; i < m_asyncNotify.GetSize(); ++i) {
        UINotify* queued = static_cast<UINotify*>(m_asyncNotify[i]);
        if (queued->sender == control) queued->sender = nullptr;
    }
    for (int i = m_optionGroups.GetSize() - 1; i >= 0; --i) {
        const wchar_t* group = m_optionGroups.GetKeyAt(i);
        if (group == nullptr) continue;
        CUIPtrArray* members = static_cast<CUIPtrArray*>(m_optionGroups.Find(group));
        if (members != nullptr && members->Find(control) >= 0) {
            const CUIString key(group);
            RemoveOptionGroup(key, control);
        }
    }
}

CControlUI* CALLBACK CWindowManagerUI::ForgetProc(CControlUI* control, LPVOID data) {
    static_cast<CWindowManagerUI*>(data)->ForgetControl(control);
    return nullptr;
}

void CWindowManagerUI::ForgetSubtree(CControlUI* control) {
    control->FindControl(ForgetProc, this, UIFIND_ALL);
    ForgetControl(control);
}

// ---------------------------------------------------------------------------------------------
// Layout and painting

void CWindowManagerUI::Invalidate(const RECT& rc) {
    if (m_hWndPaint != nullptr) ::InvalidateRect(m_hWndPaint, &rc, FALSE);
}

bool CWindowManagerUI::AddPostPaint(CControlUI* control) {
    return m_postPaintControls.Add(control);
}

bool CWindowManagerUI::RemovePostPaint(CControlUI* control) {
    const int index = m_postPaintControls.Find(control);
    if (index < 0) return false;
    return m_postPaintControls.Remove(index);
}

void CWindowManagerUI::AddDelayedCleanup(CControlUI* control) {
    if (control == nullptr) return;
    // The detached subtree no longer tells this manager when it dies, so every reference to it
    // goes now.
    ForgetSubtree(control);
    control->SetManager(nullptr, nullptr, false);
    if (m_delayedCleanup.Find(control) < 0) m_delayedCleanup.Add(control);
    if (m_hWndPaint != nullptr) ::PostMessageW(m_hWndPaint, WM_UI_DELAYED_CLEANUP, 0, 0);
}

void CWindowManagerUI::PurgeDelayedCleanup() {
    // Deleting a control may queue more; the loop takes those too.
    while (!m_delayedCleanup.IsEmpty()) {
        CControlUI* control = static_cast<CControlUI*>(m_delayedCleanup[0]);
        m_delayedCleanup.Remove(0);
        delete control;
    }
}

CControlUI* CALLBACK CWindowManagerUI::HitTestProc(CControlUI* control, LPVOID data) {
    const POINT* pt = static_cast<const POINT*>(data);
    const RECT& rc = control->GetPos();
    return ::PtInRect(&rc, *pt) ? control : nullptr;
}

CControlUI* CALLBACK CWindowManagerUI::NeedsLayoutProc(CControlUI* control, LPVOID) {
    return control->IsLayoutPending() ? control : nullptr;
}

CControlUI* CALLBACK CWindowManagerUI::CollectNameProc(CControlUI* control, LPVOID data) {
    CWindowManagerUI* manager = static_cast<CWindowManagerUI*>(data);
    const CUIString name = control->GetName();
    if (!name.IsEmpty()) manager->m_nameMap.Set(name, control);
    return nullptr;
}

CControlUI* CALLBACK CWindowManagerUI::ShortcutProc(CControlUI* control, LPVOID data) {
    ShortcutSearch* search = static_cast<ShortcutSearch*>(data);
    if (!control->IsVisible()) return nullptr;
    const wchar_t shortcut = control->GetShortcut();
    if (shortcut != 0 && UpperChar(shortcut) == search->key) search->pickNext = true;
    const CUIString className(control->GetClassName());
    if (className.Find(L"LabelUI") >= 0) return nullptr;
    return search->pickNext ? control : nullptr;
}

void CWindowManagerUI::LayoutPendingControls() {
    CControlUI* previous = nullptr;
    for (int round = 0; round < kMaxLayoutRounds; ++round) {
        CControlUI* control = m_root->FindControl(NeedsLayoutProc, nullptr, UIFIND_VISIBLE | UIFIND_ME_FIRST);
        if (control == nullptr) return;
        // A control that stays pending right after its own SetPos would be found for ever.
        if (control == previous) return;
        control->SetPos(control->GetPos());
        previous = control;
    }
}

void CWindowManagerUI::PaintPass() {
    RECT rcUpdate = {};
    if (!::GetUpdateRect(m_hWndPaint, &rcUpdate, FALSE)) return;
    if (m_root == nullptr) {
        PAINTSTRUCT ps = {};
        ::BeginPaint(m_hWndPaint, &ps);
        ::EndPaint(m_hWndPaint, &ps);
        return;
    }
    if (m_layoutPending) {
        m_layoutPending = false;
        RECT rcClient = {};
        ::GetClientRect(m_hWndPaint, &rcClient);
        if (!::IsRectEmpty(&rcClient)) {
            if (m_root->IsLayoutPending()) {
                m_root->SetPos(rcClient);
                // The surfaces are made again at the window's new size.
                m_offscreen.Release();
                m_background.Release();
            } else {
                LayoutPendingControls();
            }
            if (m_firstLayout) {
                m_firstLayout = false;
                SendNotify(m_root, L"windowinit", 0, 0, false);
                if (m_root == nullptr) return;
            }
        }
    }
    if (m_focusNeeded) FocusNextTabStop(true);

    RECT rcClient = {};
    ::GetClientRect(m_hWndPaint, &rcClient);
    if (m_offscreenPaint && !m_offscreen.IsValid()) {
        m_offscreen.Create(m_hDcPaint, rcClient.right - rcClient.left, rcClient.bottom - rcClient.top);
    }
    PAINTSTRUCT ps = {};
    ::BeginPaint(m_hWndPaint, &ps);
    if (m_offscreenPaint && m_offscreen.IsValid()) {
        PaintOffscreen(ps.hdc, ps.rcPaint, rcClient);
        if (m_showDirty) {
            CSelectObject pen(ps.hdc, g_showDirtyPen);
            CSelectObject brush(ps.hdc, ::GetStockObject(NULL_BRUSH));
            ::Rectangle(ps.hdc, rcUpdate.left, rcUpdate.top, rcUpdate.right, rcUpdate.bottom);
        }
    } else {
        const int saved = ::SaveDC(ps.hdc);
        m_root->Paint(ps.hdc, ps.rcPaint);
        ::RestoreDC(ps.hdc, saved);
    }
    ::EndPaint(m_hWndPaint, &ps);
    if (m_layoutPending) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

// Paints the controls into the off-screen surface and copies the painted part to the window.
void CWindowManagerUI::PaintOffscreen(HDC target, const RECT& rcPaint, const RECT& rcClient) {
    HDC offscreen = m_offscreen.GetDC();
    const int saved = ::SaveDC(offscreen);
    const int w = rcPaint.right - rcPaint.left;
    const int h = rcPaint.bottom - rcPaint.top;
    if (m_backgroundTransparent) {
        // What lay behind the window at its first paint is kept and shows under the controls.
        if (!m_background.IsValid() &&
            m_background.Create(m_hDcPaint, rcClient.right - rcClient.left, rcClient.bottom - rcClient.top)) {
            ::BitBlt(m_background.GetDC(), rcPaint.left, rcPaint.top, w, h, target, rcPaint.left, rcPaint.top, SRCCOPY);
        }
        ::BitBlt(offscreen, rcPaint.left, rcPaint.top, w, h, m_background.GetDC(), rcPaint.left, rcPaint.top, SRCCOPY);
    }
    m_root->Paint(offscreen, rcPaint);
    for (int i = 0; i < m_postPaintControls.GetSize(); ++i) {
        static_cast<CControlUI*>(m_postPaintControls[i])->PostPaint(offscreen, rcPaint);
    }
    ::RestoreDC(offscreen, saved);
    ::BitBlt(target, rcPaint.left, rcPaint.top, w, h, offscreen, rcPaint.left, rcPaint.top, SRCCOPY);
}

void CWindowManagerUI::PrintClient(HDC hDC, LPARAM flags) {
    RECT rcClient = {};
    ::GetClientRect(m_hWndPaint, &rcClient);
    const int saved = ::SaveDC(hDC);
    if (m_root != nullptr) m_root->Paint(hDC, rcClient);
    if ((flags & PRF_CHILDREN) != 0) {
        for (HWND child = ::GetWindow(m_hWndPaint, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            RECT rcChild = {};
            ::GetWindowRect(child, &rcChild);
            ::MapWindowPoints(HWND_DESKTOP, m_hWndPaint, reinterpret_cast<POINT*>(&rcChild), 2);
            ::SetWindowOrgEx(hDC, -rcChild.left, -rcChild.top, nullptr);
            ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(hDC), flags | PRF_NONCLIENT);
        }
    }
    ::RestoreDC(hDC, saved);
}

CControlUI* CWindowManagerUI::FindControlAt(POINT pt) const {
    if (m_root == nullptr) return nullptr;
    return m_root->FindControl(HitTestProc, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CWindowManagerUI::FindControlByName(const wchar_t* name) const {
    if (name == nullptr) return nullptr;
    return static_cast<CControlUI*>(m_nameMap.Find(name));
}

WORD CWindowManagerUI::MapKeyState() {
    WORD state = 0;
    if (::GetKeyState(VK_CONTROL) < 0) state |= UIKEY_CONTROL;
    if (::GetKeyState(VK_RBUTTON) < 0) state |= UIKEY_RBUTTON;
    if (::GetKeyState(VK_LBUTTON) < 0) state |= UIKEY_LBUTTON;
    if (::GetKeyState(VK_SHIFT) < 0) state |= UIKEY_SHIFT;
    if (::GetKeyState(VK_MENU) < 0) state |= UIKEY_ALT;
    return state;
}

void CWindowManagerUI::SetInitSize(int cx, int cy) {
    m_initSize.cx = cx;
    m_initSize.cy = cy;
    if (m_root == nullptr && m_hWndPaint != nullptr) {
        ::SetWindowPos(m_hWndPaint, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CWindowManagerUI::SetWindowAlpha(int alpha) {
    if (m_hWndPaint == nullptr) return;
    typedef BOOL(WINAPI * SetLayeredProc)(HWND, COLORREF, BYTE, DWORD);
    HMODULE user32 = ::GetModuleHandleW(L"User32.dll");
    if (user32 == nullptr) return;
    SetLayeredProc setLayered =
        reinterpret_cast<SetLayeredProc>(reinterpret_cast<void*>(::GetProcAddress(user32, "SetLayeredWindowAttributes")));
    if (setLayered == nullptr) return;
    const LONG_PTR style = ::GetWindowLongPtrW(m_hWndPaint, GWL_EXSTYLE);
    const LONG_PTR newStyle = (alpha >= 0 && alpha <= 255) ? (style | WS_EX_LAYERED) : (style & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    if (newStyle != style) ::SetWindowLongPtrW(m_hWndPaint, GWL_EXSTYLE, newStyle);
    setLayered(m_hWndPaint, 0, static_cast<BYTE>(alpha & 0xFF), LWA_ALPHA);
}

// ---------------------------------------------------------------------------------------------
// Messages

void CWindowManagerUI::FireEvent(CControlUI* target, int type, CControlUI* sender, POINT pt, WPARAM wParam,
                                 LPARAM lParam, wchar_t key, WORD keyState) {
    UIEvent event = {type, sender, ::GetTickCount(), pt, key, keyState, wParam, lParam};
    target->DispatchEvent(event);
}

bool CWindowManagerUI::RunFilters(CUIPtrArray& filters, UINT message, WPARAM wParam, LPARAM lParam,
                                  LRESULT& result) {
    // A filter may add or remove filters (itself too) while it runs: walk a copy of the list and
    // ask only those that are still registered, so none is skipped or asked after it left.
    std::vector<IMessageFilterUI*> snapshot;
    snapshot.reserve(static_cast<size_t>(filters.GetSize()));
    for (int i = 0; i < filters.GetSize(); ++i) snapshot.push_back(static_cast<IMessageFilterUI*>(filters[i]));
    for (IMessageFilterUI* filter : snapshot) {
        if (filters.Find(filter) < 0) continue;
        bool handled = false;
        const LRESULT value = filter->FilterMessage(message, wParam, lParam, handled);
        if (handled) {
            result = value;
            return true;
        }
    }
    return false;
}

bool CWindowManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
    return m_preMessageFilters.Add(filter);
}

bool CWindowManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
    const int index = m_preMessageFilters.Find(filter);
    return index >= 0 && m_preMessageFilters.Remove(index);
}

bool CWindowManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
    return m_messageFilters.Add(filter);
}

bool CWindowManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
    const int index = m_messageFilters.Find(filter);
    return index >= 0 && m_messageFilters.Remove(index);
}

// A focus control that was hidden or disabled (possibly from another thread) gives up the focus.
void CWindowManagerUI::DropUnusableFocus() {
    if (m_focus != nullptr && !IsFocusable(m_focus)) SetFocus(nullptr);
}

void CWindowManagerUI::ArmMouseTracking() {
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_HOVER | TME_LEAVE;
    tme.hwndTrack = m_hWndPaint;
    tme.dwHoverTime = m_hWndTooltip == nullptr
                          ? 400UL
                          : static_cast<DWORD>(::SendMessageW(m_hWndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    ::_TrackMouseEvent(&tme);
    m_mouseTracking = true;
}

bool CWindowManagerUI::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (m_hWndPaint == nullptr) return false;
    DeliverQueuedNotifications();
    if (RunFilters(m_messageFilters, message, wParam, lParam, result)) return true;

    // A message that is consumed returns at once; after any other, the notifications queued
    // meanwhile go out before the form handles the message itself.
    switch (message) {
        case WM_UI_DELAYED_CLEANUP:
            PurgeDelayedCleanup();
            break;
        case WM_PAINT:
            PaintPass();
            return true;
        case WM_PRINTCLIENT:
            PrintClient(reinterpret_cast<HDC>(wParam), lParam);
            break;
        case WM_SIZE:
            OnSize();
            return true;
        case WM_GETMINMAXINFO:
            OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
            break;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_CLOSE:
            OnClose();
            break;
        case WM_TIMER:
            OnTimer(wParam);
            break;
        case WM_MOUSEHOVER:
            if (OnMouseHover(lParam)) return true;
            break;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(lParam);
            break;
        case WM_LBUTTONDOWN:
            OnButtonDown(UIEVENT_BUTTONDOWN, wParam, lParam);
            break;
        case WM_RBUTTONDOWN:
            OnButtonDown(UIEVENT_RBUTTONDOWN, wParam, lParam);
            break;
        case WM_LBUTTONDBLCLK:
            OnDoubleClick(wParam, lParam);
            break;
        case WM_LBUTTONUP:
            OnButtonUp(wParam, lParam);
            break;
        case WM_CONTEXTMENU:
            OnContextMenu(wParam, lParam);
            break;
        case WM_MOUSEWHEEL:
            OnMouseWheel(wParam, lParam);
            break;
        case WM_SETCURSOR:
            if (OnSetCursor(wParam, lParam)) return true;
            break;
        case WM_KEYDOWN:
            OnKeyDown(wParam);
            break;
        case WM_KEYUP:
            OnKeyUp(wParam);
            break;
        case WM_CHAR:
            OnChar(wParam);
            break;
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_NOTIFY:
            if (ReflectToChild(message, wParam, lParam, result)) return true;
            break;
        default:
            break;
    }
    DeliverQueuedNotifications();
    return false;
}

CControlUI* CWindowManagerUI::OwnControlAt(POINT pt) const {
    CControlUI* control = FindControlAt(pt);
    return control != nullptr && control->GetManager() == this ? control : nullptr;
}

CControlUI* CWindowManagerUI::PressedControl(LPARAM lParam, POINT& pt) {
    ::SetFocus(m_hWndPaint);
    pt = PointFromLParam(lParam);
    m_lastMousePos = pt;
    return OwnControlAt(pt);
}

CControlUI* CWindowManagerUI::TakeClick() {
    if (m_click == nullptr) return nullptr;
    ReleaseCapture();
    CControlUI* click = m_click;
    m_click = nullptr;
    return click;
}

void CWindowManagerUI::OnSize() {
    if (m_focus != nullptr) FireEvent(m_focus, UIEVENT_WINDOWSIZE, m_focus, POINT{0, 0});
    if (m_root != nullptr) m_root->RequestLayout();
}

void CWindowManagerUI::OnGetMinMaxInfo(MINMAXINFO* info) {
    if (m_minTrack.cx > 0) info->ptMinTrackSize.x = m_minTrack.cx;
    if (m_minTrack.cy > 0) info->ptMinTrackSize.y = m_minTrack.cy;
    if (m_maxTrack.cx > 0) info->ptMaxTrackSize.x = m_maxTrack.cx;
    if (m_maxTrack.cy > 0) info->ptMaxTrackSize.y = m_maxTrack.cy;
}

void CWindowManagerUI::OnClose() {
    const POINT pt = m_lastMousePos;
    if (m_hover != nullptr) {
        CControlUI* hover = m_hover;
        m_hover = nullptr;
        HideTooltip();
        FireEvent(hover, UIEVENT_MOUSELEAVE, hover, pt);
    }
    if (m_click != nullptr) {
        CControlUI* click = m_click;
        m_click = nullptr;
        FireEvent(click, UIEVENT_BUTTONUP, click, pt);
    }
    if (m_captured) ReleaseCapture();
    m_key = nullptr;
    SetFocus(nullptr);
    HWND owner = ::GetWindow(m_hWndPaint, GW_OWNER);
    if (owner != nullptr) ::SetFocus(owner);
}

void CWindowManagerUI::OnTimer(WPARAM timerId) {
    for (int i = 0; i < m_timers.GetSize(); ++i) {
        const UITimerEntry* entry = static_cast<const UITimerEntry*>(m_timers[i]);
        if (entry->hWnd == m_hWndPaint && entry->winTimerId == timerId && !entry->killed) {
            FireEvent(entry->control, UIEVENT_TIMER, entry->control, POINT{0, 0}, entry->localId, 0);
            return;
        }
    }
}

bool CWindowManagerUI::OnMouseHover(LPARAM lParam) {
    m_mouseTracking = false;
    const POINT pt = PointFromLParam(lParam);
    CControlUI* control = FindControlAt(pt);
    if (control == nullptr) return false;
    if (m_hover != nullptr) FireEvent(m_hover, UIEVENT_MOUSEHOVER, m_hover, pt);
    ShowTooltip(control);
    return true;
}

void CWindowManagerUI::OnMouseLeave() {
    HideTooltip();
    // A hover control is made to leave even when hover tracking already ended; the synthetic
    // move must not arm tracking again while the mouse is outside.
    if (m_mouseTracking || m_hover != nullptr) {
        m_mouseTracking = true;
        ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
    }
    m_mouseTracking = false;
}

void CWindowManagerUI::OnMouseMove(LPARAM lParam) {
    if (!m_mouseTracking) ArmMouseTracking();
    const POINT pt = PointFromLParam(lParam);
    m_lastMousePos = pt;
    CControlUI* control = FindControlAt(pt);
    if (control != nullptr && control->GetManager() != this) return;
    if (control != m_hover && m_hover != nullptr) {
        CControlUI* oldHover = m_hover;
        m_hover = nullptr;
        FireEvent(oldHover, UIEVENT_MOUSELEAVE, oldHover, pt);
        HideTooltip();
    }
    if (control != m_hover && control != nullptr) {
        m_hover = control;
        FireEvent(control, UIEVENT_MOUSEENTER, control, pt);
    }
    if (m_click != nullptr) {
        FireEvent(m_click, UIEVENT_MOUSEMOVE, m_click, pt);
    } else if (control != nullptr && control == m_hover) {
        FireEvent(control, UIEVENT_MOUSEMOVE, control, pt);
    }
}

void CWindowManagerUI::OnButtonDown(int eventType, WPARAM wParam, LPARAM lParam) {
    POINT pt;
    CControlUI* control = PressedControl(lParam, pt);
    if (control == nullptr) return;
    m_click = control;
    control->SetFocus();
    SetCapture();
    if (m_click != control) return;  // the focus change removed it
    FireEvent(control, eventType, control, pt, wParam, lParam, 0, LOWORD(wParam));
}

void CWindowManagerUI::OnDoubleClick(WPARAM wParam, LPARAM lParam) {
    POINT pt;
    CControlUI* control = PressedControl(lParam, pt);
    if (control == nullptr) return;
    SetCapture();
    m_click = control;
    FireEvent(control, UIEVENT_DBLCLICK, control, pt, 0, 0, 0, LOWORD(wParam));
}

void CWindowManagerUI::OnButtonUp(WPARAM wParam, LPARAM lParam) {
    const POINT pt = PointFromLParam(lParam);
    m_lastMousePos = pt;
    CControlUI* click = TakeClick();
    if (click != nullptr) FireEvent(click, UIEVENT_BUTTONUP, click, pt, wParam, lParam, 0, LOWORD(wParam));
}

void CWindowManagerUI::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    POINT pt = PointFromLParam(lParam);
    ::ScreenToClient(m_hWndPaint, &pt);
    m_lastMousePos = pt;
    CControlUI* click = TakeClick();
    if (click == nullptr) return;
    FireEvent(click, UIEVENT_CONTEXTMENU, click, pt, 0, reinterpret_cast<LPARAM>(click), 0, LOWORD(wParam));
}

void CWindowManagerUI::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    POINT pt = PointFromLParam(lParam);
    ::ScreenToClient(m_hWndPaint, &pt);
    m_lastMousePos = pt;
    CControlUI* control = OwnControlAt(pt);
    if (control == nullptr) return;
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    FireEvent(control, UIEVENT_SCROLLWHEEL, control, POINT{0, 0}, delta < 0 ? 1 : 0, lParam, 0, MapKeyState());
    ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, MAKELPARAM(m_lastMousePos.x, m_lastMousePos.y));
}

bool CWindowManagerUI::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) return false;
    if (m_captured) return true;
    POINT pt = {};
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWndPaint, &pt);
    CControlUI* control = FindControlAt(pt);
    if (control == nullptr || (control->GetControlFlags() & UIFLAG_SETCURSOR) == 0) return false;
    FireEvent(control, UIEVENT_SETCURSOR, nullptr, pt, wParam, lParam, 0, MapKeyState());
    return true;
}

void CWindowManagerUI::OnKeyDown(WPARAM wParam) {
    DropUnusableFocus();
    if (m_focus == nullptr) return;
    // The control becomes the key control before its key-down runs: it keeps the key-up when
    // the key-down moves the focus, and loses it only when the key-down deletes it (the manager
    // forgets a deleted control).
    CControlUI* focus = m_focus;
    m_key = focus;
    FireEvent(focus, UIEVENT_KEYDOWN, nullptr, m_lastMousePos, 0, 0, static_cast<wchar_t>(wParam), MapKeyState());
}

void CWindowManagerUI::OnKeyUp(WPARAM wParam) {
    if (m_key == nullptr) return;
    CControlUI* key = m_key;
    m_key = nullptr;
    FireEvent(key, UIEVENT_KEYUP, nullptr, m_lastMousePos, 0, 0, static_cast<wchar_t>(wParam), MapKeyState());
}

void CWindowManagerUI::OnChar(WPARAM wParam) {
    DropUnusableFocus();
    if (m_focus == nullptr) return;
    FireEvent(m_focus, UIEVENT_CHAR, nullptr, m_lastMousePos, 0, 0, static_cast<wchar_t>(wParam), MapKeyState());
}

bool CWindowManagerUI::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (lParam == 0) return message == WM_NOTIFY;
    HWND child = nullptr;
    if (message == WM_NOTIFY) {
        // Any program on the desktop can post WM_NOTIFY with any lParam: the header is copied
        // with a read that fails instead of faulting on an address that is nothing here.
        NMHDR header = {};
        SIZE_T read = 0;
        if (::ReadProcessMemory(::GetCurrentProcess(), reinterpret_cast<const void*>(lParam), &header, sizeof header,
                                &read) &&
            read == sizeof header) {
            child = header.hwndFrom;
        }
    } else {
        child = reinterpret_cast<HWND>(lParam);
    }
    // Only the window's own child windows get the reflected message.
    if (child == nullptr || !::IsChild(m_hWndPaint, child)) return message == WM_NOTIFY;
    result = ::SendMessageW(child, WM_UI_REFLECTED_BASE + message, wParam, lParam);
    return true;
}

bool CWindowManagerUI::PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (RunFilters(m_preMessageFilters, message, wParam, lParam, result)) return true;
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) DropUnusableFocus();
    switch (message) {
        case WM_KEYDOWN: {
            if (wParam != VK_TAB) return false;
            if (m_focus != nullptr && m_focus->IsVisible() && m_focus->IsEnabled()) {
                const CUIString className(m_focus->GetClassName());
                if (className.Find(L"RichEditUI") >= 0) {
                    IWantTabUI* wantTab = static_cast<IWantTabUI*>(m_focus->GetInterface(L"WantTab"));
                    if (wantTab != nullptr && wantTab->IsWantTab()) return false;
                }
            }
            FocusNextTabStop(::GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        case WM_SYSKEYDOWN: {
            if (m_focus != nullptr) {
                FireEvent(m_focus, UIEVENT_SYSKEY, nullptr, m_lastMousePos, 0, 0, static_cast<wchar_t>(wParam),
                          MapKeyState());
            }
            return false;
        }
        case WM_SYSCHAR: {
            if (m_root == nullptr) return false;
            ShortcutSearch search = {UpperChar(static_cast<wchar_t>(wParam)), false};
            CControlUI* control =
                m_root->FindControl(ShortcutProc, &search, UIFIND_ENABLED | UIFIND_ME_FIRST | UIFIND_TOP_FIRST);
            if (control == nullptr) return false;
            control->SetFocus();
            control->Activate();
            return true;
        }
        default:
            return false;
    }
}

bool CWindowManagerUI::TranslateMessage(const MSG* msg) {
    if (msg == nullptr) return false;
    const LONG_PTR style = ::GetWindowLongPtrW(msg->hwnd, GWL_STYLE);
    HWND parent = ::GetParent(msg->hwnd);
    CUIPtrArray& managers = Managers();
    for (int i = 0; i < managers.GetSize(); ++i) {
        CWindowManagerUI* manager = static_cast<CWindowManagerUI*>(managers[i]);
        HWND hWnd = manager->GetPaintWindow();
        if (hWnd == msg->hwnd || ((style & WS_CHILD) != 0 && parent == hWnd && hWnd != nullptr)) {
            LRESULT result = 0;
            if (manager->PreHandleMessage(msg->message, msg->wParam, msg->lParam, result)) return true;
        }
    }
    return false;
}

void CWindowManagerUI::MessageLoop() {
    MSG msg = {};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!CWindowManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

}  // namespace UIToolkit
