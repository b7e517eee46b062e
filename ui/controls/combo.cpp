#include "combo.h"

#include <algorithm>
#include <cwchar>

#include "render_engine.h"
#include "scroll_bar.h"

namespace UIToolkit {

namespace {

CControlUI* CALLBACK ForgetProc(CControlUI* control, LPVOID data) {
    static_cast<CWindowManagerUI*>(data)->OnControlDestroyed(control);
    return nullptr;
}

IListItemUI* AsListItem(CControlUI* control) {
    return control ? static_cast<IListItemUI*>(control->GetInterface(L"ListItem")) : nullptr;
}

RECT PrimaryWorkArea() {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

RECT ClientToScreenRect(HWND hWnd, RECT rc) {
    ::MapWindowPoints(hWnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Keeps the application's main window looking active while a popup of it has the focus.
void KeepRootCaptionActive(HWND popup) {
    HWND top = popup;
    while (HWND parent = ::GetParent(top)) top = parent;
    ::SendMessageW(top, WM_NCACTIVATE, TRUE, 0);
}

}  // namespace

void ForgetLentControls(CWindowManagerUI& manager, CControlUI* root) {
    if (root) root->FindControl(ForgetProc, &manager, UIFIND_ALL);
}

// ---------------------------------------------------------------------------------------------
// CComboWnd

RECT CComboWnd::ComputePlacement(CComboUI* owner) {
    const RECT rcOwner = owner->GetPos();
    const SIZE dropBox = owner->GetDropBoxSize();
    RECT rc = rcOwner;
    rc.top = rcOwner.bottom;
    rc.bottom = rc.top + dropBox.cy;
    if (dropBox.cx > 0) rc.right = rc.left + dropBox.cx;

    const SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    int contentHeight = 0;
    for (int i = 0; i < owner->GetCount(); ++i) {
        CControlUI* item = owner->GetItemAt(i);
        if (!item->IsVisible()) continue;
        contentHeight += item->EstimateSize(available).cy;
    }
    contentHeight += 4;
    const int height = std::min(contentHeight, static_cast<int>(dropBox.cy));
    rc.bottom = rc.top + height;

    HWND hWndOwner = owner->GetManager() ? owner->GetManager()->GetPaintWindow() : nullptr;
    rc = ClientToScreenRect(hWndOwner, rc);
    if (rc.bottom > PrimaryWorkArea().bottom) {
        rc.left = rcOwner.left;
        rc.right = dropBox.cx > 0 ? rc.left + dropBox.cx : rcOwner.right;
        rc.top = rcOwner.top - height;
        rc.bottom = rcOwner.top;
        rc = ClientToScreenRect(hWndOwner, rc);
    }
    return rc;
}

bool CComboWnd::Init(CComboUI* owner) {
    m_owner = owner;
    m_oldSel = owner->GetCurSel();
    const RECT rc = ComputePlacement(owner);
    HWND parent = owner->GetManager() ? owner->GetManager()->GetPaintWindow() : nullptr;
    m_creating = true;
    HWND hWnd = CreateFromRect(parent, nullptr, WS_POPUP, WS_EX_TOOLWINDOW, rc);
    m_creating = false;
    if (!hWnd) {
        ReturnItems();
        delete this;
        return false;
    }
    ::ShowWindow(hWnd, SW_SHOW);
    KeepRootCaptionActive(hWnd);
    return true;
}

void CComboWnd::BuildLayout() {
    m_pm.Init(m_hWnd);
    CWindowManagerUI* ownerManager = m_owner ? m_owner->GetManager() : nullptr;
    if (ownerManager) m_pm.SetResourceParent(ownerManager);
    m_layout = new CVerticalLayoutUI;
    m_layout->SetManager(&m_pm, nullptr, true);
    if (ownerManager) {
        if (const wchar_t* defaults = ownerManager->GetDefaultAttributeList(L"VerticalLayout")) {
            m_layout->ApplyAttributeList(defaults);
        }
    }
    m_layout->SetInset(RECT{2, 2, 2, 2});
    m_layout->SetBkColor(0xFFFFFFFF);
    m_layout->SetBorderColor(kUIFrameColor);
    m_layout->SetBorderSize(2);
    m_layout->SetAutoDestroy(false);
    m_layout->EnableScrollBars(true, false);
    if (m_owner) {
        m_layout->ApplyAttributeList(m_owner->GetDropBoxAttributeList());
        // Lend the items: they keep belonging to the combo.
        for (int i = 0; i < m_owner->GetCount(); ++i) m_layout->Add(m_owner->GetItemAt(i));
    }
    m_pm.AttachRoot(m_layout);
}

void CComboWnd::ReturnItems() {
    if (m_itemsReturned) return;
    m_itemsReturned = true;
    if (!m_owner) return;
    if (m_pm.GetPaintWindow()) {
        m_pm.SetFocus(nullptr);
        for (int i = 0; i < m_owner->GetCount(); ++i) ForgetLentControls(m_pm, m_owner->GetItemAt(i));
    }
    m_owner->SetManager(m_owner->GetManager(), m_owner->GetParent(), false);
    // The layout must not keep pointers to items it does not own.
    if (m_layout) m_layout->RemoveAll();
    // Back in the closed box the items keep no trace of the drop-down's places, where the
    // combo's window would find them under the mouse.
    m_owner->ClearItemRects();
}

void CComboWnd::Detach() {
    ReturnItems();
    m_owner = nullptr;
    Close(IDOK);
}

void CComboWnd::EnsureSelectionVisible() {
    if (!m_owner || !m_layout || m_itemsReturned) return;
    const int sel = m_owner->GetCurSel();
    if (sel < 0) return;
    CControlUI* item = m_owner->GetItemAt(sel);
    if (!item) return;
    const RECT rcItem = item->GetPos();
    RECT rcList = m_layout->GetPos();
    const RECT inset = m_layout->GetInset();
    rcList.left += inset.left;
    rcList.top += inset.top;
    rcList.right -= inset.right;
    rcList.bottom -= inset.bottom;
    CScrollBarUI* hbar = m_layout->GetHorizontalScrollBar();
    if (hbar && hbar->IsVisible()) rcList.bottom -= hbar->GetFixedHeight();
    if (rcItem.top >= rcList.top && rcItem.bottom < rcList.bottom) return;
    int dy = 0;
    if (rcItem.top < rcList.top) dy = rcItem.top - rcList.top;
    if (rcItem.bottom > rcList.bottom) dy = rcItem.bottom - rcList.bottom;
    const SIZE pos = m_layout->GetScrollPos();
    m_layout->SetScrollPos(SIZE{pos.cx, pos.cy + dy});
}

LRESULT CComboWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        BuildLayout();
        return 0;
    case WM_KILLFOCUS:
        if (reinterpret_cast<HWND>(wParam) != m_hWnd) PostMessage(WM_CLOSE);
        break;
    case WM_KEYDOWN:
        if (!m_owner) break;
        if (wParam == VK_RETURN) {
            PostMessage(WM_KILLFOCUS);
        } else if (wParam == VK_ESCAPE) {
            m_owner->SelectItem(m_oldSel, true);
            EnsureSelectionVisible();
            PostMessage(WM_KILLFOCUS);
        } else {
            UIEvent event = {};
            event.type = UIEVENT_KEYDOWN;
            event.key = static_cast<wchar_t>(wParam);
            event.timestamp = ::GetTickCount();
            m_owner->HandleEvent(event);
            EnsureSelectionVisible();
        }
        return 0;
    case WM_MOUSEWHEEL: {
        if (!m_owner) break;
        UIEvent event = {};
        event.type = UIEVENT_SCROLLWHEEL;
        event.wParam = static_cast<short>(HIWORD(wParam)) < 0 ? 1 : 0;
        event.lParam = lParam;
        event.timestamp = ::GetTickCount();
        m_owner->HandleEvent(event);
        EnsureSelectionVisible();
        return 0;
    }
    case WM_LBUTTONUP: {
        const POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        CControlUI* control = m_pm.FindControlAt(pt);
        if (control && wcscmp(control->GetClassName(), L"ScrollBarUI") != 0) {
            PostMessage(WM_KILLFOCUS);
        }
        break;
    }
    case WM_CLOSE:
        ReturnItems();
        if (m_owner) {
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

void CComboWnd::OnFinalMessage(HWND /*hWnd*/) {
    ReturnItems();
    if (m_owner) {
        m_owner->m_dropWnd = nullptr;
        m_owner->m_buttonState &= ~CComboUI::kStatePushed;
        m_owner->Invalidate();
        m_owner = nullptr;
    }
    if (!m_creating) delete this;
}

// ---------------------------------------------------------------------------------------------
// CComboUI

CComboUI::CComboUI() {
    // The items are shown by the drop-down only: the mouse never reaches them in the box's window.
    SetMouseChildEnabled(false);
}

CComboUI::~CComboUI() {
    // An open drop-down holds the items and a pointer to this combo: take both back first.
    ReclaimItems();
}

const wchar_t* CComboUI::GetClassName() const {
    return L"ComboUI";
}

void* CComboUI::GetInterface(const wchar_t* name) {
    if (name == nullptr) return nullptr;
    if (wcscmp(name, L"Combo") == 0) return this;
    if (wcscmp(name, L"IListOwner") == 0) return static_cast<IListOwnerUI*>(this);
    return CContainerUI::GetInterface(name);
}

UINT CComboUI::GetControlFlags() const {
    return UIFLAG_TABSTOP;
}

void CComboUI::ReclaimItems() {
    if (!m_dropWnd) return;
    CComboWnd* drop = m_dropWnd;
    m_dropWnd = nullptr;
    m_buttonState &= ~kStatePushed;
    drop->Detach();
}

bool CComboUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (m_dropWnd) return true;
    CComboWnd* drop = new CComboWnd;
    m_dropWnd = drop;
    if (!drop->Init(this)) {
        m_dropWnd = nullptr;
        return false;
    }
    if (m_manager) m_manager->SendNotify(this, L"dropdown");
    Invalidate();
    return true;
}

CUIString CComboUI::GetText() const {
    if (m_curSel < 0) return CUIString();
    CControlUI* item = GetItemAt(m_curSel);
    return item ? item->GetText() : CUIString();
}

void CComboUI::ClearItemRects() {
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetPos(RECT{0, 0, 0, 0});
}

void CComboUI::SetPos(RECT rc) {
    // The items never show inside the closed box; while they are lent to the drop-down its
    // layout places them.
    if (!m_dropWnd) ClearItemRects();
    CControlUI::SetPos(rc);
}

void CComboUI::SetEnabled(bool enable) {
    CControlUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState = 0;
}

void CComboUI::HandleEvent(UIEvent& event) {
    if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
        if (m_parent) {
            m_parent->HandleEvent(event);
        } else {
            CContainerUI::HandleEvent(event);
        }
        return;
    }
    switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
        Invalidate();
        CControlUI::HandleEvent(event);
        return;
    case UIEVENT_BUTTONDOWN:
        if (IsEnabled()) {
            Activate();
            m_buttonState |= kStatePushed | kStateCaptured;
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_buttonState & kStateCaptured) {
            m_buttonState &= ~kStateCaptured;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_CONTEXTMENU:
        return;
    case UIEVENT_KEYDOWN:
        switch (event.key) {
        case VK_UP:
        case VK_PRIOR:
            SelectItem(FindSelectableItem(m_curSel - 1, false));
            return;
        case VK_DOWN:
        case VK_NEXT:
            SelectItem(FindSelectableItem(m_curSel + 1, true));
            return;
        case VK_END:
            SelectItem(FindSelectableItem(GetCount() - 1, true));
            return;
        case VK_HOME:
            SelectItem(FindSelectableItem(0, false));
            return;
        case VK_F4:
            Activate();
            return;
        default:
            CControlUI::HandleEvent(event);
            return;
        }
    case UIEVENT_SCROLLWHEEL:
        if (LOWORD(event.wParam) == 1) {
            SelectItem(FindSelectableItem(m_curSel + 1, true));
        } else {
            SelectItem(FindSelectableItem(m_curSel - 1, false));
        }
        return;
    case UIEVENT_MOUSEENTER:
        if (::PtInRect(&m_rcItem, event.ptMouse)) {
            m_buttonState |= kStateHot;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        if (m_buttonState & kStateHot) {
            m_buttonState &= ~kStateHot;
            Invalidate();
        }
        return;
    default:
        CControlUI::HandleEvent(event);
        return;
    }
}

void CComboUI::SetTextPadding(RECT padding) {
    m_textPadding = padding;
    Invalidate();
}

void CComboUI::SetNormalImage(const wchar_t* image) {
    m_normalImage = image;
    Invalidate();
}

void CComboUI::SetHotImage(const wchar_t* image) {
    m_hotImage = image;
    Invalidate();
}

void CComboUI::SetPushedImage(const wchar_t* image) {
    m_pushedImage = image;
    Invalidate();
}

void CComboUI::SetFocusedImage(const wchar_t* image) {
    m_focusedImage = image;
    Invalidate();
}

void CComboUI::SetDisabledImage(const wchar_t* image) {
    m_disabledImage = image;
    Invalidate();
}

void CComboUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    // Attributes without a name are ignored; a missing value reads as an empty one.
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    auto is = [name](const wchar_t* n) { return wcscmp(name, n) == 0; };
    auto readRect = [value]() {
        int v[4] = {0, 0, 0, 0};
        ParseIntList(value, v, 4);
        return RECT{v[0], v[1], v[2], v[3]};
    };
    if (is(L"textpadding")) {
        SetTextPadding(readRect());
    } else if (is(L"normalimage")) {
        SetNormalImage(value);
    } else if (is(L"hotimage")) {
        SetHotImage(value);
    } else if (is(L"pushedimage")) {
        SetPushedImage(value);
    } else if (is(L"focusedimage")) {
        SetFocusedImage(value);
    } else if (is(L"disabledimage")) {
        SetDisabledImage(value);
    } else if (is(L"dropbox")) {
        m_dropBoxAttributes = value;
    } else if (is(L"itemfont")) {
        m_style.font = ParseInt(value);
    } else if (is(L"itemalign")) {
        m_style.textStyle = CListUI::ApplyAlignment(m_style.textStyle, value);
    } else if (is(L"itemtextpadding")) {
        m_style.textPadding = readRect();
        Invalidate();
    } else if (is(L"itemtextcolor")) {
        m_style.textColor = ParseColor(value);
        Invalidate();
    } else if (is(L"itembkcolor")) {
        m_style.bkColor = ParseColor(value);
    } else if (is(L"itembkimage")) {
        m_style.bkImage = value;
    } else if (is(L"itemaltbk")) {
        m_style.alternateBk = ParseBool(value);
    } else if (is(L"itemselectedtextcolor")) {
        m_style.selectedTextColor = ParseColor(value);
    } else if (is(L"itemselectedbkcolor")) {
        m_style.selectedBkColor = ParseColor(value);
    } else if (is(L"itemselectedimage")) {
        m_style.selectedImage = value;
    } else if (is(L"itemhottextcolor")) {
        m_style.hotTextColor = ParseColor(value);
    } else if (is(L"itemhotbkcolor")) {
        m_style.hotBkColor = ParseColor(value);
    } else if (is(L"itemhotimage")) {
        m_style.hotImage = value;
    } else if (is(L"itemdisabledtextcolor")) {
        m_style.disabledTextColor = ParseColor(value);
    } else if (is(L"itemdisabledbkcolor")) {
        m_style.disabledBkColor = ParseColor(value);
    } else if (is(L"itemdisabledimage")) {
        m_style.disabledImage = value;
    } else if (is(L"itemlinecolor")) {
        m_style.lineColor = ParseColor(value);
    } else if (is(L"itemshowhtml")) {
        const bool showHtml = ParseBool(value);
        if (showHtml != m_style.showHtml) {
            m_style.showHtml = showHtml;
            Invalidate();
        }
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

SIZE CComboUI::EstimateSize(SIZE available) {
    if (m_fixed.cy != 0) return CControlUI::EstimateSize(available);
    int textHeight = 0;
    if (m_manager) textHeight = m_manager->GetDefaultFontInfo()->tm.tmHeight;
    return SIZE{m_fixed.cx, textHeight + 12};
}

void CComboUI::Paint(HDC hDC, const RECT& rcPaint) {
    CControlUI::Paint(hDC, rcPaint);
}

bool CComboUI::DrawStateImage(HDC hDC, CUIString& image) {
    if (image.IsEmpty()) return false;
    if (DrawImage(hDC, image)) return true;
    image.Empty();
    return false;
}

void CComboUI::PaintStatusImage(HDC hDC) {
    if (IsFocused()) {
        m_buttonState |= kStateFocused;
    } else {
        m_buttonState &= ~kStateFocused;
    }
    if (!IsEnabled()) {
        m_buttonState |= kStateDisabled;
    } else {
        m_buttonState &= ~kStateDisabled;
    }
    CUIString* picked = nullptr;
    if (m_buttonState & kStateDisabled) {
        picked = &m_disabledImage;
    } else if (m_buttonState & kStatePushed) {
        picked = &m_pushedImage;
    } else if (m_buttonState & kStateHot) {
        picked = &m_hotImage;
    } else if (m_buttonState & kStateFocused) {
        picked = &m_focusedImage;
    }
    if (picked && DrawStateImage(hDC, *picked)) return;
    DrawStateImage(hDC, m_normalImage);
}

void CComboUI::PaintText(HDC hDC) {
    if (m_curSel < 0) return;
    CControlUI* item = GetItemAt(m_curSel);
    if (!item) return;
    RECT rc = m_rcItem;
    rc.left += m_textPadding.left;
    rc.top += m_textPadding.top;
    rc.right -= m_textPadding.right;
    rc.bottom -= m_textPadding.bottom;
    if (IListItemUI* listItem = AsListItem(item)) {
        listItem->DrawItemText(hDC, rc);
        return;
    }
    const RECT old = item->GetPos();
    item->SetPos(rc);
    item->Paint(hDC, rc);
    item->SetPos(old);
}

// ---- Items ----

void CComboUI::RenumberItems(int first, int last) {
    for (int i = std::max(0, first); i <= last && i < GetCount(); ++i) {
        if (IListItemUI* item = AsListItem(GetItemAt(i))) item->SetIndex(i);
    }
}

bool CComboUI::Add(CControlUI* control) {
    if (!control) return false;
    ReclaimItems();
    if (IListItemUI* item = AsListItem(control)) {
        item->SetOwner(this);
        item->SetIndex(GetCount());
    }
    return CContainerUI::Add(control);
}

bool CComboUI::AddAt(CControlUI* control, int index) {
    if (!control) return false;
    ReclaimItems();
    if (!CContainerUI::AddAt(control, index)) return false;
    if (IListItemUI* item = AsListItem(control)) {
        item->SetOwner(this);
        item->SetIndex(index);
    }
    RenumberItems(index + 1, GetCount() - 1);
    if (m_curSel >= index) ++m_curSel;
    return true;
}

bool CComboUI::Remove(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0) return false;
    ReclaimItems();
    if (!CContainerUI::Remove(control)) return false;
    RenumberItems(index, GetCount() - 1);
    if (index == m_curSel) {
        // As in the list: the nearest selectable item before the removed one, else the first.
        m_curSel = -1;
        SelectItem(FindSelectableItem(index - 1, false), false);
    } else if (index < m_curSel) {
        --m_curSel;
    }
    return true;
}

bool CComboUI::RemoveAt(int index) {
    CControlUI* control = GetItemAt(index);
    return control ? Remove(control) : false;
}

void CComboUI::RemoveAll() {
    ReclaimItems();
    m_curSel = -1;
    CContainerUI::RemoveAll();
}

bool CComboUI::SetItemIndex(CControlUI* control, int index) {
    const int oldIndex = GetItemIndex(control);
    if (oldIndex < 0) return false;
    if (oldIndex == index) return true;
    ReclaimItems();
    IListItemUI* selected = m_curSel >= 0 ? AsListItem(GetItemAt(m_curSel)) : nullptr;
    if (!CContainerUI::SetItemIndex(control, index)) return false;
    RenumberItems(std::min(oldIndex, index), std::max(oldIndex, index));
    if (selected) m_curSel = selected->GetIndex();
    return true;
}

// ---- Owner interface ----

ListItemStyle* CComboUI::GetListItemStyle() {
    return &m_style;
}

int CComboUI::GetCurSel() const {
    return m_curSel;
}

bool CComboUI::SelectItem(int index, bool takeFocus) {
    const bool wasOpen = m_dropWnd != nullptr;
    if (m_dropWnd) m_dropWnd->Close(IDOK);
    if (index == m_curSel) return true;
    const int oldSel = m_curSel;
    if (m_curSel >= 0) {
        IListItemUI* current = AsListItem(GetItemAt(m_curSel));
        m_curSel = -1;
        if (!current) return false;
        current->Select(false);
    }
    const int count = GetCount();
    if (index < 0 || count == 0) return false;
    if (index >= count) index = count - 1;
    CControlUI* control = GetItemAt(index);
    IListItemUI* item = AsListItem(control);
    if (!item || !control->IsVisible() || !control->IsEnabled()) return false;
    m_curSel = index;
    if (wasOpen || takeFocus) control->SetFocus();
    item->Select(true);
    if (m_manager) {
        m_manager->SendNotify(this, L"itemselect", static_cast<WPARAM>(index),
                              static_cast<LPARAM>(oldSel));
    }
    Invalidate();
    return true;
}

}  // namespace UIToolkit
