// The right-click menus.
#include "menu_right_key.h"

#include <cwchar>

#include "main_messages.h"
#include "vela_frame.h"

namespace VelaUI {

namespace {

const UINT kPlayListMenuLayout = 208;
const UINT kPlayListManageMenuLayout = 209;
const UINT kTrayMenuLayout = 210;
const int kListMenuItems = 4;
const int kTrayMenuItems = 7;

bool g_alwaysOnTop = false;

HWND TopLevelAncestor(HWND hWnd) {
    for (HWND parent = ::GetParent(hWnd); parent != nullptr; parent = ::GetParent(hWnd)) hWnd = parent;
    return hWnd;
}

}  // namespace

bool IsAlwaysOnTop() { return g_alwaysOnTop; }
void SetAlwaysOnTop(bool on) { g_alwaysOnTop = on; }

const wchar_t* TopmostItemText(bool on) { return on ? L"取消总在最前" : L"总在最前"; }

// ---- Shared behaviour -------------------------------------------------------------------------

MenuRightKeyBase::MenuRightKeyBase(UINT layoutId, const wchar_t* className, const wchar_t* layoutFile)
    : m_layoutId(layoutId), m_className(className), m_layoutFile(layoutFile != nullptr ? layoutFile : L"") {}

void MenuRightKeyBase::OnFinalMessage(HWND) { delete this; }

void MenuRightKeyBase::Open(HWND parent, int x, int y) {
    m_x = x;
    m_y = y;
    if (Create(parent, L"", WS_POPUP, WS_EX_TOOLWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT) ==
        nullptr) {
        delete this;
        return;
    }
    HWND ancestor = TopLevelAncestor(m_hWnd);
    ::ShowWindow(m_hWnd, SW_SHOW);
    // A menu opened from the tray belongs to no active window: without the foreground it would
    // never lose the focus, and so never close.
    ::SetForegroundWindow(m_hWnd);
    ::SetFocus(m_hWnd);
    ::SendMessageW(ancestor, WM_NCACTIVATE, TRUE, 0);
}

LRESULT MenuRightKeyBase::OnCreate() {
    m_pm.Init(m_hWnd);
    UIToolkit::CDialogBuilder builder;
    CControlUI* root =
        builder.Create(UIToolkit::LayoutSource::Resource(static_cast<WORD>(m_layoutId)), L"xml", nullptr, &m_pm);
    m_pm.AttachRoot(root);
    m_pm.AddNotifier(this);
    m_pm.SetRoundCorner(3, 3);
    OnLayoutBuilt();
    FitToWorkArea();
    return 0;
}

void MenuRightKeyBase::FitToWorkArea() {
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    int left = m_x;
    int top = m_y;
    ::SetRect(&rc, left, top, left + width, top + height);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromRect(&rc, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    if (top + height > work.bottom) top = height < work.bottom - work.top ? work.bottom - height : 0;
    if (left + width > work.right) left = width < work.right - work.left ? work.right - width : 0;
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
}

LRESULT MenuRightKeyBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        ApplyRoundRegion(m_hWnd, m_pm);
        break;  // the manager lays the items out as well
    case WM_KILLFOCUS:
        if (reinterpret_cast<HWND>(wParam) != m_hWnd) PostMessage(WM_CLOSE);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) Close(1);
        return 0;
    case WM_MOUSEWHEEL:
        return 0;
    default:
        break;
    }
    LRESULT result = 0;
    if (m_pm.HandleMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

int MenuRightKeyBase::ItemNumber(CControlUI* sender, int maxItem) {
    if (sender == nullptr) return 0;
    const UIToolkit::CUIString name = sender->GetName();
    const wchar_t prefix[] = L"MenuElement_";
    const size_t prefixLength = sizeof prefix / sizeof prefix[0] - 1;
    if (name.GetLength() != static_cast<int>(prefixLength) + 1 ||
        std::wcsncmp(name.GetData(), prefix, prefixLength) != 0) {
        return 0;
    }
    const int k = name.GetData()[prefixLength] - L'0';
    return k >= 1 && k <= maxItem ? k : 0;
}

// ---- List menus -------------------------------------------------------------------------------

MenuRightKey_PlayList::MenuRightKey_PlayList(const wchar_t* layoutFile)
    : MenuRightKey_PlayList(kPlayListMenuLayout, L"MenuRightKey_PlayList", layoutFile, L"menu_PlayList") {}

MenuRightKey_PlayList::MenuRightKey_PlayList(UINT layoutId, const wchar_t* className, const wchar_t* layoutFile,
                                             const wchar_t* notification)
    : MenuRightKeyBase(layoutId, className, layoutFile), m_notification(notification) {}

void MenuRightKey_PlayList::ShowAt(CControlUI* owner, int x, int y) {
    if (owner == nullptr || owner->GetManager() == nullptr) {
        delete this;
        return;
    }
    m_owner = owner;
    Open(owner->GetManager()->GetPaintWindow(), x, y);
}

void MenuRightKey_PlayList::Notify(UINotify& msg) {
    if (msg.type == L"itemselect") {
        Close(1);
    } else if (msg.type == L"itemclick") {
        const int k = ItemNumber(msg.sender, kListMenuItems);
        if (k != 0 && m_owner != nullptr && m_owner->GetManager() != nullptr) {
            m_owner->GetManager()->SendNotify(m_owner, m_notification, static_cast<WPARAM>(k), 0, true);
        }
    }
}

MenuRightKey_PlayListManage::MenuRightKey_PlayListManage(const wchar_t* layoutFile)
    : MenuRightKey_PlayList(kPlayListManageMenuLayout, L"MenuRightKey_PlayListManage", layoutFile,
                            L"menu_PlayList_Manage") {}

// ---- Tray menu --------------------------------------------------------------------------------

MenuRightKey_Tray::MenuRightKey_Tray(const wchar_t* layoutFile)
    : MenuRightKeyBase(kTrayMenuLayout, L"MenuRightKey_Tray", layoutFile) {}

void MenuRightKey_Tray::ShowAt(HWND owner, int x, int y) {
    if (owner == nullptr) {
        delete this;
        return;
    }
    m_receiver = TopLevelAncestor(owner);
    Open(owner, x, y);
}

void MenuRightKey_Tray::OnLayoutBuilt() {
    if (CControlUI* label = m_pm.FindControlByName(L"LableMenuElement_3")) label->SetText(TopmostItemText(IsAlwaysOnTop()));
}

void MenuRightKey_Tray::Notify(UINotify& msg) {
    if (msg.type == L"itemselect") {
        Close(1);
    } else if (msg.type == L"itemclick") {
        const int k = ItemNumber(msg.sender, kTrayMenuItems);
        if (k == 0) return;
        if (k == 3) {
            SetAlwaysOnTop(!IsAlwaysOnTop());
            auto* row = dynamic_cast<UIToolkit::CContainerUI*>(msg.sender);
            if (CControlUI* label = row != nullptr ? row->GetItemAt(0) : nullptr) {
                label->SetText(TopmostItemText(IsAlwaysOnTop()));
            }
        }
        if (m_receiver != nullptr) ::PostMessageW(m_receiver, WM_TRAYMENU_FIRST + static_cast<UINT>(k), 0, 0);
    }
}

}  // namespace VelaUI
