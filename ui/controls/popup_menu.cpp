#include "popup_menu.h"

#include <algorithm>
#include <cwchar>

#include "combo.h"
#include "list_header.h"
#include "render_engine.h"

namespace UIToolkit {

namespace {

const size_t kMaxChoiceText = 99;

wchar_t g_lastChoiceText[kMaxChoiceText + 1] = L"";

RECT PrimaryWorkArea() {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

SIZE SizeOf(const RECT& rc) {
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void KeepRootCaptionActive(HWND popup) {
    HWND top = popup;
    while (HWND parent = ::GetParent(top)) top = parent;
    ::SendMessageW(top, WM_NCACTIVATE, TRUE, 0);
}

// The menu list an item belongs to: the first ancestor that is a menu.
CMenuUI* OwnerMenuOf(CControlUI* item) {
    for (CControlUI* parent = item ? item->GetParent() : nullptr; parent; parent = parent->GetParent()) {
        if (CMenuUI* menu = static_cast<CMenuUI*>(parent->GetInterface(L"Menu"))) return menu;
    }
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Observer and receivers

ObserverImpl& GetMenuObserver() {
    static ObserverImpl observer;
    return observer;
}

void ObserverImpl::AddReceiver(ReceiverImplBase* receiver) {
    if (!receiver) return;
    m_receivers.push_back(receiver);
    receiver->AddObserver(this);
}

void ObserverImpl::RemoveReceiver(ReceiverImplBase* receiver) {
    auto it = std::find(m_receivers.begin(), m_receivers.end(), receiver);
    if (it != m_receivers.end()) m_receivers.erase(it);
}

bool ObserverImpl::IsRegistered(const ReceiverImplBase* receiver) const {
    return receiver &&
           std::find(m_receivers.begin(), m_receivers.end(), receiver) != m_receivers.end();
}

void ObserverImpl::Deliver(const std::vector<ReceiverImplBase*>& order, ContextMenuParam param) {
    for (ReceiverImplBase* receiver : order) {
        // A receiver may have left (and be gone) because of an earlier one's reaction.
        if (IsRegistered(receiver)) receiver->Receive(param);
    }
}

int ObserverImpl::Broadcast(ContextMenuParam param) {
    const std::vector<ReceiverImplBase*> order(m_receivers);
    Deliver(order, param);
    return 0;
}

int ObserverImpl::BroadcastReverse(ContextMenuParam param) {
    const std::vector<ReceiverImplBase*> order(m_receivers.rbegin(), m_receivers.rend());
    Deliver(order, param);
    return 0;
}

int ObserverImpl::Respond(ContextMenuParam param) {
    const std::vector<ReceiverImplBase*> order(m_receivers);
    for (ReceiverImplBase* receiver : order) {
        if (IsRegistered(receiver)) receiver->Respond(param, this);
    }
    return 0;
}

ReceiverImplBase* ObserverImpl::Iterator::Next() {
    while (m_position < m_observer.m_receivers.size()) {
        ReceiverImplBase* receiver = m_observer.m_receivers[m_position++];
        if (receiver) return receiver;
    }
    return nullptr;
}

ReceiverImpl::~ReceiverImpl() {
    RemoveFromObservers();
}

void ReceiverImpl::AddObserver(ObserverImplBase* observer) {
    if (observer) m_observers.push_back(observer);
}

void ReceiverImpl::RemoveFromObservers() {
    std::vector<ObserverImplBase*> observers;
    observers.swap(m_observers);
    for (ObserverImplBase* observer : observers) observer->RemoveReceiver(this);
}

bool ReceiverImpl::Receive(ContextMenuParam /*param*/) {
    return false;
}

bool ReceiverImpl::Respond(ContextMenuParam /*param*/, ObserverImplBase* /*observer*/) {
    return false;
}

// ---------------------------------------------------------------------------------------------
// CMenuUI

CMenuUI::CMenuUI() {
    if (GetHeader()) GetHeader()->SetVisible(false);
}

CMenuUI::~CMenuUI() = default;

const wchar_t* CMenuUI::GetClassName() const {
    return L"MenuUI";
}

void* CMenuUI::GetInterface(const wchar_t* name) {
    if (name == nullptr) return nullptr;
    if (_wcsicmp(name, L"Menu") == 0) return this;
    return CListUI::GetInterface(name);
}

void CMenuUI::HandleEvent(UIEvent& event) {
    CListUI::HandleEvent(event);
}

void CMenuUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    // Attributes without a name are ignored; a missing value reads as an empty one.
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"MenuID") == 0) {
        m_menuId = static_cast<UINT>(wcstoul(value, nullptr, 10));
    } else {
        CListUI::SetAttribute(name, value);
    }
}

SIZE CMenuUI::EstimateSize(SIZE available) {
    SIZE result = {0, 0};
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* item = GetItemAt(i);
        if (!item->IsVisible()) continue;
        const SIZE sz = item->EstimateSize(available);
        result.cx = std::max(result.cx, sz.cx);
        result.cy += sz.cy;
    }
    return result;
}

bool CMenuUI::IsMenuItem(CControlUI* control) {
    return control && control->GetInterface(L"MenuElement") != nullptr;
}

void CMenuUI::HideSubItems(CControlUI* item) {
    IContainerUI* container = static_cast<IContainerUI*>(item->GetInterface(L"IContainer"));
    if (!container) return;
    for (int i = 0; i < container->GetCount(); ++i) {
        CControlUI* child = container->GetItemAt(i);
        if (IsMenuItem(child)) child->SetInternalVisible(false);
    }
}

int CMenuUI::GetItemIndex(CControlUI* control) const {
    if (!IsMenuItem(control)) return -1;
    return CListUI::GetItemIndex(control);
}

bool CMenuUI::SetItemIndex(CControlUI* control, int index) {
    if (!IsMenuItem(control)) return false;
    return CListUI::SetItemIndex(control, index);
}

bool CMenuUI::Add(CControlUI* control) {
    if (!IsMenuItem(control)) return false;
    HideSubItems(control);
    return CListUI::Add(control);
}

bool CMenuUI::AddAt(CControlUI* control, int index) {
    if (!IsMenuItem(control)) return false;
    HideSubItems(control);
    return CListUI::AddAt(control, index);
}

bool CMenuUI::Remove(CControlUI* control) {
    if (!IsMenuItem(control)) return false;
    return CListUI::Remove(control);
}

// ---------------------------------------------------------------------------------------------
// CMenuElementUI

CMenuElementUI::CMenuElementUI() {
    SetFixedHeight(25);
    SetMouseChildEnabled(false);
}

CMenuElementUI::~CMenuElementUI() {
    // An open sub-menu holds this item's sub-items and a pointer to it.
    if (m_subMenu) {
        CMenuWnd* subMenu = m_subMenu;
        m_subMenu = nullptr;
        subMenu->DetachOwner();
    }
}

const wchar_t* CMenuElementUI::GetClassName() const {
    return L"MenuElementUI";
}

void* CMenuElementUI::GetInterface(const wchar_t* name) {
    if (name == nullptr) return nullptr;
    if (_wcsicmp(name, L"MenuElement") == 0) return this;
    return CListContainerElementUI::GetInterface(name);
}

bool CMenuElementUI::IsMenuItem(CControlUI* control) {
    return control && control->GetInterface(L"MenuElement") != nullptr;
}

HWND CMenuElementUI::GetItemWindow() const {
    return m_manager ? m_manager->GetPaintWindow() : nullptr;
}

void CMenuElementUI::CloseAllMenus() {
    GetMenuObserver().BroadcastReverse(ContextMenuParam{MENU_CLOSE_ALL, GetItemWindow()});
}

bool CMenuElementUI::ShowSubItems() {
    bool any = false;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!IsMenuItem(child)) continue;
        child->SetVisible(true);
        child->SetInternalVisible(true);
        any = true;
    }
    return any;
}

void CMenuElementUI::OpenSubMenu() {
    if (m_subMenu) return;
    HWND hWnd = GetItemWindow();
    CMenuWnd* subMenu = new CMenuWnd(hWnd);
    m_subMenu = subMenu;
    GetMenuObserver().BroadcastReverse(ContextMenuParam{MENU_CLOSE_BELOW, hWnd});
    subMenu->Init(this, LayoutSource(L""), L"", 0, 0);
}

void CMenuElementUI::SetPos(RECT rc) {
    // The sub-items are placed by the sub-menu that shows them, never inside this item.
    CControlUI::SetPos(rc);
    RECT inner = rc;
    inner.left += m_inset.left;
    inner.top += m_inset.top;
    inner.right -= m_inset.right;
    inner.bottom -= m_inset.bottom;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (IsMenuItem(child) || !child->IsVisible()) continue;
        if (child->IsFloat()) {
            PlaceFloatChild(i);
        } else {
            child->SetPos(inner);
        }
    }
}

void CMenuElementUI::HandleEvent(UIEvent& event) {
    const bool mouseInput = event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
    if (mouseInput && !IsMouseEnabled()) {
        CListContainerElementUI::HandleEvent(event);
        return;
    }
    if (event.type == UIEVENT_MOUSEENTER) {
        CListContainerElementUI::HandleEvent(event);
        if (m_subMenu) return;
        if (ShowSubItems()) {
            if (m_owner) m_owner->SelectItem(m_index, true);
            OpenSubMenu();
        } else {
            GetMenuObserver().BroadcastReverse(ContextMenuParam{MENU_CLOSE_BELOW, GetItemWindow()});
            if (m_owner) m_owner->SelectItem(m_index, true);
        }
        return;
    }
    if (event.type == UIEVENT_BUTTONDOWN && IsEnabled()) {
        CListContainerElementUI::HandleEvent(event);
        if (m_subMenu) return;
        if (ShowSubItems()) {
            OpenSubMenu();
        } else {
            CloseAllMenus();
        }
        return;
    }
    CListContainerElementUI::HandleEvent(event);
}

bool CMenuElementUI::Activate() {
    if (!CListContainerElementUI::Activate() || !IsSelected()) return false;
    if (m_subMenu) return true;
    if (ShowSubItems()) {
        OpenSubMenu();
    } else {
        CloseAllMenus();
    }
    return true;
}

void CMenuElementUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    // Attributes without a name are ignored; a missing value reads as an empty one.
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"ItemID") == 0) {
        m_itemId = static_cast<UINT>(wcstoul(value, nullptr, 10));
    } else {
        CListContainerElementUI::SetAttribute(name, value);
    }
}

SIZE CMenuElementUI::EstimateSize(SIZE available) {
    SIZE result = {0, 0};
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        const SIZE sz = child->EstimateSize(available);
        result.cx = std::max(result.cx, sz.cx);
        result.cy += sz.cy;
    }
    if (result.cy == 0 && m_owner && m_manager) {
        const ListItemStyle* style = m_owner->GetListItemStyle();
        const RECT& pad = style->textPadding;
        RECT rc = {pad.left, 0, std::max(static_cast<int>(m_fixed.cx), static_cast<int>(available.cx)) - pad.right,
                   9999};
        const UINT format = DT_CALCRECT | style->textStyle;
        if (style->showHtml) {
            int links = 0;
            CUIRenderer::DrawTaggedText(m_manager->GetPaintDC(), m_manager, rc, m_text, 0, nullptr,
                                        nullptr, links, format);
        } else {
            CUIRenderer::DrawText(m_manager->GetPaintDC(), m_manager, rc, m_text, 0, style->font,
                                  format);
        }
        result.cx = (rc.right - rc.left) + pad.left + pad.right + 20;
        result.cy = (rc.bottom - rc.top) + pad.top + pad.bottom;
    }
    if (m_fixed.cy > 0) result.cy = m_fixed.cy;
    return result;
}

void CMenuElementUI::Paint(HDC hDC, const RECT& rcPaint) {
    RECT area;
    if (!::IntersectRect(&area, &rcPaint, &m_rcItem)) return;
    DrawItemBk(hDC, m_rcItem);
    DrawItemText(hDC, m_rcItem);
    CUIClip clip;
    CUIClip::Create(hDC, area, clip);
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (IsMenuItem(child) || !child->IsVisible()) continue;
        child->Paint(hDC, area);
    }
}

void CMenuElementUI::DrawItemText(HDC hDC, const RECT& rcItem) {
    if (m_text.IsEmpty() || !m_owner) return;
    const ListItemStyle* style = m_owner->GetListItemStyle();
    DWORD color = style->textColor;
    if (IsHot()) color = style->hotTextColor;
    if (IsSelected()) color = style->selectedTextColor;
    if (!IsEnabled()) color = style->disabledTextColor;
    RECT rc = rcItem;
    rc.left += style->textPadding.left;
    rc.top += style->textPadding.top;
    rc.right -= style->textPadding.right;
    rc.bottom -= style->textPadding.bottom;
    const UINT format = style->textStyle | DT_SINGLELINE;
    if (style->showHtml) {
        int links = 0;
        CUIRenderer::DrawTaggedText(hDC, m_manager, rc, m_text, color, nullptr, nullptr, links, format);
    } else {
        CUIRenderer::DrawText(hDC, m_manager, rc, m_text, color, style->font, format);
    }
}

// ---------------------------------------------------------------------------------------------
// CMenuBuilderCallback

CControlUI* CMenuBuilderCallback::CreateControl(const wchar_t* className) {
    if (!className) return nullptr;
    if (_wcsicmp(className, L"Menu") == 0) return new CMenuUI;
    if (_wcsicmp(className, L"MenuElement") == 0) return new CMenuElementUI;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// CMenuWnd

CMenuWnd::CMenuWnd(HWND hWndOwner)
    : m_hWndOwner(hWndOwner), m_hWndNotify(hWndOwner), m_source(static_cast<const wchar_t*>(nullptr)) {}

const wchar_t* CMenuWnd::GetLastChoiceText() {
    return g_lastChoiceText;
}

CMenuWnd* CMenuWnd::FindMenuWindow(HWND hWnd) {
    if (!hWnd) return nullptr;
    ObserverImpl::Iterator it(GetMenuObserver());
    while (ReceiverImplBase* receiver = it.Next()) {
        CMenuWnd* menu = dynamic_cast<CMenuWnd*>(receiver);
        if (menu && menu->GetHWND() == hWnd) return menu;
    }
    return nullptr;
}

bool CMenuWnd::Init(CMenuElementUI* owner, LayoutSource source, const wchar_t* type, int x, int y) {
    m_basePoint = POINT{x, y};
    m_owner = owner;
    m_source = source;
    if (type) m_type = type;
    m_layout = nullptr;
    if (owner) {
        // A sub-menu reports to the window its top-level menu reports to.
        if (CMenuWnd* parentMenu = FindMenuWindow(m_hWndOwner)) m_hWndNotify = parentMenu->m_hWndNotify;
    }
    GetMenuObserver().AddReceiver(this);

    HWND parent = owner ? owner->GetItemWindow() : m_hWndOwner;
    m_creating = true;
    HWND hWnd = Create(parent, nullptr, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 0, 0, 0, 0);
    m_creating = false;
    if (!hWnd) {
        Release();
        delete this;
        return false;
    }
    ::ShowWindow(hWnd, SW_SHOW);
    KeepRootCaptionActive(hWnd);
    return true;
}

LRESULT CMenuWnd::OnCreateTopLevel() {
    m_pm.Init(m_hWnd);
    CMenuBuilderCallback callback;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(m_source, m_type.IsEmpty() ? nullptr : m_type.GetData(),
                                      &callback, &m_pm, nullptr);
    if (!root) {
        // Nothing to show: the window goes away again.
        PostMessage(WM_CLOSE);
        return 0;
    }
    m_pm.AttachRoot(root);
    m_pm.AddNotifier(this);

    const SIZE size = root->EstimateSize(SizeOf(PrimaryWorkArea()));
    m_pm.SetInitSize(size.cx, size.cy);
    const RECT rc = {m_basePoint.x, m_basePoint.y, m_basePoint.x + size.cx, m_basePoint.y + size.cy};
    ::SetForegroundWindow(m_hWnd);
    ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_SHOWWINDOW);
    return 0;
}

LRESULT CMenuWnd::OnCreateSubMenu() {
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION);
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    m_pm.Init(m_hWnd);
    CWindowManagerUI* ownerManager = m_owner->GetManager();
    m_layout = new CMenuUI;
    if (ownerManager) m_pm.SetResourceParent(ownerManager);
    m_layout->SetManager(&m_pm, nullptr, true);
    if (ownerManager) {
        if (const wchar_t* defaults = ownerManager->GetDefaultAttributeList(L"Menu")) {
            m_layout->ApplyAttributeList(defaults);
        }
    }
    m_layout->SetBkColor(0xFFFFFFFF);
    m_layout->SetBorderColor(kUIFrameColor);
    m_layout->SetBorderSize(0);
    // The items stay the owner item's. They live in the list's body, so it is the body that must
    // not delete them (the list itself still owns its header and body).
    if (m_layout->GetBody()) m_layout->GetBody()->SetAutoDestroy(false);
    m_layout->EnableScrollBars(true, false);
    if (CMenuUI* parentMenu = OwnerMenuOf(m_owner)) m_layout->SetMenuId(parentMenu->GetMenuId());

    for (int i = 0; i < m_owner->GetCount(); ++i) {
        CControlUI* child = m_owner->GetItemAt(i);
        if (!child->GetInterface(L"MenuElement")) continue;
        m_layout->Add(child);
    }
    m_pm.AttachRoot(m_layout);
    m_pm.AddNotifier(this);

    const SIZE available = SizeOf(PrimaryWorkArea());
    SIZE size = {0, 0};
    for (int i = 0; i < m_layout->GetCount(); ++i) {
        const SIZE sz = m_layout->GetItemAt(i)->EstimateSize(available);
        size.cx = std::max(size.cx, sz.cx);
        size.cy += sz.cy;
    }
    size.cx += 4;
    size.cy += 4;
    const RECT rc = PlaceSubMenu(size);
    ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
    return 0;
}

RECT CMenuWnd::PlaceSubMenu(SIZE size) const {
    HWND hWndParent = m_owner->GetItemWindow();
    RECT parentRect = {0, 0, 0, 0};
    ::GetWindowRect(hWndParent, &parentRect);
    const RECT work = PrimaryWorkArea();

    POINT itemTop = {m_owner->GetPos().left, m_owner->GetPos().top};
    ::ClientToScreen(hWndParent, &itemTop);
    RECT rc;
    rc.top = itemTop.y;
    rc.bottom = rc.top + size.cy;
    rc.left = parentRect.right;
    rc.right = rc.left + size.cx + 2;

    bool reachRight = false;
    bool reachBottom = false;
    ObserverImpl::Iterator it(GetMenuObserver());
    while (ReceiverImplBase* receiver = it.Next()) {
        CMenuWnd* other = dynamic_cast<CMenuWnd*>(receiver);
        if (!other || other == this || !other->GetHWND()) continue;
        RECT otherRect = {0, 0, 0, 0};
        ::GetWindowRect(other->GetHWND(), &otherRect);
        reachRight = otherRect.left >= parentRect.right;
        reachBottom = otherRect.top >= parentRect.bottom;
        if (other->GetHWND() == hWndParent || reachRight || reachBottom) break;
    }
    if (reachBottom) {
        rc.bottom = parentRect.top;
        rc.top = rc.bottom - size.cy;
    }
    if (reachRight) {
        rc.right = parentRect.left;
        rc.left = rc.right - size.cx;
    }
    if (rc.bottom > work.bottom) {
        rc.bottom = rc.top;
        rc.top = rc.bottom - size.cy;
    }
    if (rc.right > work.right) {
        rc.right = parentRect.left;
        rc.left = rc.right - size.cx;
        rc.top = parentRect.bottom;
        rc.bottom = rc.top + size.cy;
    }
    if (rc.top < work.top) {
        rc.top = work.top;
        rc.bottom = rc.top + size.cy;
    }
    if (rc.left < work.left) {
        rc.left = parentRect.right;
        rc.right = rc.left + size.cx;
    }
    return rc;
}

void CMenuWnd::Notify(UINotify& msg) {
    if (msg.type != L"itemclick" || !msg.sender) return;
    CMenuElementUI* item = static_cast<CMenuElementUI*>(msg.sender->GetInterface(L"MenuElement"));
    CMenuUI* menu = OwnerMenuOf(msg.sender);
    const CUIString text = msg.sender->GetText();
    wcsncpy(g_lastChoiceText, text.GetData(), kMaxChoiceText);
    g_lastChoiceText[kMaxChoiceText] = L'\0';
    ::PostMessageW(m_hWndNotify, menu ? menu->GetMenuId() : 0, item ? item->GetItemId() : 0,
                   reinterpret_cast<LPARAM>(g_lastChoiceText));
}

bool CMenuWnd::Receive(ContextMenuParam param) {
    switch (param.type) {
    case MENU_CLOSE_ALL:
        Close(IDOK);
        break;
    case MENU_CLOSE_BELOW:
        for (HWND ancestor = m_hWnd ? ::GetParent(m_hWnd) : nullptr; ancestor;
             ancestor = ::GetParent(ancestor)) {
            if (ancestor == param.hWnd) {
                Close(IDOK);
                break;
            }
        }
        break;
    default:
        break;
    }
    return true;
}

void CMenuWnd::ReturnItems() {
    if (m_itemsReturned || !m_owner) return;
    m_itemsReturned = true;
    if (m_pm.GetPaintWindow()) {
        m_pm.SetFocus(nullptr);
        for (int i = 0; i < m_owner->GetCount(); ++i) {
            CControlUI* child = m_owner->GetItemAt(i);
            if (child->GetInterface(L"MenuElement")) ForgetLentControls(m_pm, child);
        }
    }
    m_owner->SetManager(m_owner->GetManager(), m_owner->GetParent(), false);
    // The sub-menu's list must not keep pointers to items it does not own.
    if (m_layout) m_layout->RemoveAll();
}

void CMenuWnd::DetachOwner() {
    ReturnItems();
    m_owner = nullptr;
    Close(IDOK);
}

void CMenuWnd::Release() {
    RemoveFromObservers();
    if (!m_owner) return;
    ReturnItems();
    CControlUI* ownerParent = m_owner->GetParent();
    for (int i = 0; i < m_owner->GetCount(); ++i) {
        CControlUI* child = m_owner->GetItemAt(i);
        IListItemUI* listItem = static_cast<IListItemUI*>(child->GetInterface(L"ListItem"));
        if (!child->GetInterface(L"MenuElement")) continue;
        if (listItem) listItem->SetOwner(ownerParent);
        child->SetVisible(false);
        child->SetInternalVisible(false);
    }
    if (m_owner->m_subMenu == this) m_owner->m_subMenu = nullptr;
    m_owner->m_buttonState &= ~CMenuElementUI::kStatePushed;
    m_owner->Invalidate();
    m_owner = nullptr;
}

LRESULT CMenuWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return m_owner ? OnCreateSubMenu() : OnCreateTopLevel();
    case WM_CONTEXTMENU:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        return 0;
    case WM_KILLFOCUS:
        if (!FindMenuWindow(reinterpret_cast<HWND>(wParam))) {
            GetMenuObserver().BroadcastReverse(ContextMenuParam{MENU_CLOSE_ALL, m_hWnd});
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) Close(IDOK);
        break;
    case WM_CLOSE:
        if (m_owner) {
            ReturnItems();
            m_owner->SetPos(m_owner->GetPos());
            m_owner->SetFocus();
        }
        break;
    default:
        break;
    }
    LRESULT result = 0;
    if (m_pm.HandleMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CMenuWnd::OnFinalMessage(HWND /*hWnd*/) {
    Release();
    if (!m_creating) delete this;
}

}  // namespace UIToolkit
