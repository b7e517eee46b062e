#include "list_elements.h"

#include <algorithm>
#include <cwchar>

#include "render_engine.h"
#include "scroll_bar.h"

namespace UIToolkit {

namespace {

bool IsMouseEvent(const UIEvent& event) {
    return event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
}

bool IsActivateEvent(const UIEvent& event) {
    return event.type == UIEVENT_DBLCLICK || (event.type == UIEVENT_KEYDOWN && event.key == VK_RETURN);
}

IListOwnerUI* OwnerOf(CControlUI* owner) {
    return owner != nullptr ? static_cast<IListOwnerUI*>(owner->GetInterface(L"IListOwner")) : nullptr;
}

int DefaultTextHeight(CWindowManagerUI* manager) {
    if (manager == nullptr) return 0;
    UIFontInfo* font = manager->GetDefaultFontInfo();
    return font != nullptr ? static_cast<int>(font->tm.tmHeight) : 0;
}

RECT Shrink(const RECT& rc, const RECT& padding) {
    return RECT{rc.left + padding.left, rc.top + padding.top, rc.right - padding.right, rc.bottom - padding.bottom};
}

// The selection rule shared by both item classes. Selecting asks the owner to make the item its
// selection; an owner that refuses leaves the item unselected, so that item and owner agree.
// Deselecting is allowed even for a disabled item: the owner deselects its old item whatever
// state it is in, and the item must not go on showing itself selected.
void InvalidateListItem(CControlUI& control);

bool SelectListItem(CControlUI& control, bool& selectedFlag, IListOwnerUI* owner, int index, bool select) {
    if (select && !control.IsEnabled()) return false;
    if (selectedFlag == select) return true;
    selectedFlag = select;
    if (select && owner != nullptr && !owner->SelectItem(index, false)) {
        selectedFlag = false;
        InvalidateListItem(control);
        return false;
    }
    InvalidateListItem(control);
    return true;
}

// A selected item that becomes hidden leaves its owner with no selection (no "itemselect").
void DeselectHiddenItem(CControlUI& control, bool& selectedFlag, IListOwnerUI* owner) {
    if (control.IsVisible() || !selectedFlag) return;
    selectedFlag = false;
    if (owner != nullptr) owner->SelectItem(-1, false);
}

// Hands an event the item does not keep to its owner, or to the plain control handling when the
// item has none.
void PassToOwner(CControlUI& item, IListOwnerUI* owner, UIEvent& event) {
    if (owner != nullptr) {
        owner->HandleEvent(event);
    } else {
        item.CControlUI::HandleEvent(event);
    }
}

// What both item classes do before their own input handling: an item that takes no mouse input
// passes mouse events on to its owner (or, without one, to its base class's handling), and a
// double click or Return activates an enabled item. True when the event is done with.
template <typename BaseHandling>
bool HandleItemPassThrough(CControlUI& item, IListOwnerUI* owner, UIEvent& event, BaseHandling baseHandling) {
    if (!item.IsMouseEnabled() && IsMouseEvent(event)) {
        if (owner != nullptr) {
            owner->HandleEvent(event);
        } else {
            baseHandling();
        }
        return true;
    }
    if (IsActivateEvent(event) && item.IsEnabled()) {
        item.Activate();
        InvalidateListItem(item);
        return true;
    }
    return false;
}

// The hot state follows the mouse into an enabled item and out of it again. True for the enter
// and leave events, which end there.
bool TrackHotState(CControlUI& item, UINT& buttonState, UINT hotBit, const UIEvent& event) {
    if (event.type == UIEVENT_MOUSEENTER) {
        if (item.IsEnabled()) {
            buttonState |= hotBit;
            InvalidateListItem(item);
        }
        return true;
    }
    if (event.type == UIEVENT_MOUSELEAVE) {
        if ((buttonState & hotBit) != 0) {
            buttonState &= ~hotBit;
            InvalidateListItem(item);
        }
        return true;
    }
    return false;
}

ListItemStyle* StyleOf(IListOwnerUI* owner) {
    return owner != nullptr ? owner->GetListItemStyle() : nullptr;
}

bool ActivateListItem(CControlUI& control) {
    if (!control.CControlUI::Activate()) return false;
    if (control.GetManager() != nullptr) control.GetManager()->SendNotify(&control, L"itemactivate");
    return true;
}

// Redraws the part of the item that its parent's client area and every further ancestor let show.
void InvalidateListItem(CControlUI& control) {
    if (!control.IsVisible()) return;
    CControlUI* parent = control.GetParent();
    CContainerUI* container =
        parent != nullptr ? static_cast<CContainerUI*>(parent->GetInterface(L"Container")) : nullptr;
    if (container == nullptr) {
        control.Invalidate();
        return;
    }
    RECT area = Shrink(container->GetPos(), container->GetInset());
    const CScrollBarUI* vertical = container->GetVerticalScrollBar();
    if (vertical != nullptr && vertical->IsVisible()) area.right -= vertical->GetFixedWidth();
    const CScrollBarUI* horizontal = container->GetHorizontalScrollBar();
    if (horizontal != nullptr && horizontal->IsVisible()) area.bottom -= horizontal->GetFixedHeight();
    RECT rc;
    const RECT& rcItem = control.GetPos();
    if (!::IntersectRect(&rc, &rcItem, &area)) return;
    for (CControlUI* ancestor = parent->GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent()) {
        const RECT& rcAncestor = ancestor->GetPos();
        if (!::IntersectRect(&rc, &rc, &rcAncestor)) return;
    }
    if (control.GetManager() != nullptr) control.GetManager()->Invalidate(rc);
}

// Draws an image; true when painting of the background ends here. An image that cannot be drawn
// is emptied so that it is not tried again.
bool DrawFinalImage(HDC hDC, CControlUI& control, const RECT& rcItem, const RECT& rcPaint, CUIString& image) {
    if (image.IsEmpty()) return false;
    if (CUIRenderer::DrawImageString(hDC, control.GetManager(), rcItem, rcPaint, image)) return true;
    image.Empty();
    return false;
}

// An item's background: the colour its class chose for its state, then the state's image (or the
// item's own or the style's normal one) and the line under the item.
void DrawItemBackground(HDC hDC, CControlUI& control, const RECT& rcItem, const RECT& rcPaint, ListItemStyle& st,
                        DWORD color, bool selected, bool hot, int index, CUIString& ownImage) {
    if (color != 0) CUIRenderer::DrawColor(hDC, rcItem, control.AdjustColor(color));
    if (!control.IsEnabled() && DrawFinalImage(hDC, control, rcItem, rcPaint, st.disabledImage)) return;
    if (selected && DrawFinalImage(hDC, control, rcItem, rcPaint, st.selectedImage)) return;
    if (hot && DrawFinalImage(hDC, control, rcItem, rcPaint, st.hotImage)) return;
    if (!ownImage.IsEmpty()) {
        // Only even rows show the item's own background image.
        if (index % 2 == 0 &&
            !CUIRenderer::DrawImageString(hDC, control.GetManager(), rcItem, rcPaint, ownImage)) {
            ownImage.Empty();
        }
    } else if (DrawFinalImage(hDC, control, rcItem, rcPaint, st.bkImage)) {
        return;
    }
    if (st.lineColor != 0) {
        const RECT line = {rcItem.left, rcItem.bottom - 1, rcItem.right, rcItem.bottom - 1};
        CUIRenderer::DrawLine(hDC, line, 1, control.AdjustColor(st.lineColor));
    }
}

DWORD ItemTextColor(const ListItemStyle& st, bool enabled, bool selected, bool hot) {
    DWORD color = st.textColor;
    if (hot) color = st.hotTextColor;
    if (selected) color = st.selectedTextColor;
    if (!enabled) color = st.disabledTextColor;
    return color;
}

}  // namespace

// =============================================================================================
// CListElementUI

CListElementUI::CListElementUI() : m_index(-1), m_selected(false), m_buttonState(0), m_owner(nullptr) {}

CListElementUI::~CListElementUI() = default;

const wchar_t* CListElementUI::GetClassName() const { return L"ListElementUI"; }

void* CListElementUI::GetInterface(const wchar_t* name) {
    if (name != nullptr) {
        if (wcscmp(name, L"ListItem") == 0) return static_cast<IListItemUI*>(this);
        if (wcscmp(name, L"ListElement") == 0) return this;
    }
    return CControlUI::GetInterface(name);
}

UINT CListElementUI::GetControlFlags() const { return UIFLAG_LISTELEMENT; }

bool CListElementUI::Activate() { return ActivateListItem(*this); }

void CListElementUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    DeselectHiddenItem(*this, m_selected, m_owner);
}

void CListElementUI::SetEnabled(bool enable) {
    CControlUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState = 0;
}

void CListElementUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name != nullptr && wcscmp(name, L"selected") == 0) {
        Select(true);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

int CListElementUI::GetIndex() const { return m_index; }
void CListElementUI::SetIndex(int index) { m_index = index; }
IListOwnerUI* CListElementUI::GetOwner() { return m_owner; }
void CListElementUI::SetOwner(CControlUI* owner) { m_owner = OwnerOf(owner); }
bool CListElementUI::IsSelected() const { return m_selected; }

bool CListElementUI::Select(bool select) {
    return SelectListItem(*this, m_selected, m_owner, m_index, select);
}

bool CListElementUI::IsExpanded() const { return false; }
bool CListElementUI::Expand(bool) { return false; }

void CListElementUI::InvalidateItem() { InvalidateListItem(*this); }

void CListElementUI::HandleEvent(UIEvent& event) {
    if (HandleItemPassThrough(*this, m_owner, event, [&] { CControlUI::HandleEvent(event); })) return;
    PassToOwner(*this, m_owner, event);
}

void CListElementUI::DrawItemBk(HDC hDC, const RECT& rcItem) {
    ListItemStyle* st = StyleOf(m_owner);
    if (st == nullptr) return;
    DWORD color = m_bkColor;
    if (IsHot()) color = st->hotBkColor;
    if (m_selected) color = st->selectedBkColor;
    DrawItemBackground(hDC, *this, rcItem, m_rcPaint, *st, color, m_selected, IsHot(), m_index, m_bkImage);
}

// =============================================================================================
// CListLabelElementUI

CListLabelElementUI::CListLabelElementUI() = default;

const wchar_t* CListLabelElementUI::GetClassName() const { return L"ListLabelElementUI"; }

void* CListLabelElementUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"ListLabelElement") == 0) return this;
    return CListElementUI::GetInterface(name);
}

void CListLabelElementUI::HandleEvent(UIEvent& event) {
    // The base passes on the mouse events of an item that takes no mouse input.
    if (!IsMouseEnabled() && IsMouseEvent(event)) {
        CListElementUI::HandleEvent(event);
        return;
    }
    if (TrackHotState(*this, m_buttonState, kStateHot, event)) return;
    switch (event.type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_RBUTTONDOWN:
            if (!IsEnabled()) break;
            if (m_manager != nullptr) m_manager->SendNotify(this, L"itemclick");
            Select(true);
            InvalidateItem();
            return;
        case UIEVENT_MOUSEMOVE:
        case UIEVENT_BUTTONUP:
            return;
        case UIEVENT_DBLCLICK:
            if (!IsEnabled()) break;
            if (m_manager != nullptr) m_manager->SendNotify(this, L"itemdbclick");
            Select(true);
            InvalidateItem();
            break;
        default:
            break;
    }
    CListElementUI::HandleEvent(event);
}

SIZE CListLabelElementUI::EstimateSize(SIZE) {
    const ListItemStyle* st = StyleOf(m_owner);
    if (st == nullptr) return SIZE{0, 0};
    SIZE size = m_fixed;
    if (size.cy == 0 && m_manager != nullptr) {
        size.cy = DefaultTextHeight(m_manager) + 8 + st->textPadding.top + st->textPadding.bottom;
    }
    HDC dc = m_manager != nullptr ? m_manager->GetPaintDC() : nullptr;
    if (size.cx == 0 && dc != nullptr) {
        RECT rc = {0, 0, 9999, size.cy};
        const UINT style = (st->textStyle & ~static_cast<UINT>(DT_CENTER | DT_RIGHT)) | DT_CALCRECT | DT_SINGLELINE;
        if (st->showHtml) {
            int links = 0;
            CUIRenderer::DrawTaggedText(dc, m_manager, rc, m_text, 0, nullptr, nullptr, links, style);
        } else {
            CUIRenderer::DrawText(dc, m_manager, rc, m_text, 0, st->font, style);
        }
        size.cx = rc.right - rc.left + st->textPadding.left + st->textPadding.right;
    }
    return size;
}

void CListLabelElementUI::Paint(HDC hDC, const RECT& rcPaint) {
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
    DrawItemBk(hDC, m_rcItem);
    DrawItemText(hDC, m_rcItem);
}

void CListLabelElementUI::DrawItemText(HDC hDC, const RECT& rcItem) {
    if (m_text.IsEmpty()) return;
    const ListItemStyle* st = StyleOf(m_owner);
    if (st == nullptr) return;
    const DWORD color = ItemTextColor(*st, IsEnabled(), m_selected, IsHot());
    RECT rc = Shrink(rcItem, st->textPadding);
    const UINT style = st->textStyle | DT_SINGLELINE;
    if (st->showHtml) {
        int links = 0;
        CUIRenderer::DrawTaggedText(hDC, m_manager, rc, m_text, color, nullptr, nullptr, links, style);
    } else {
        CUIRenderer::DrawText(hDC, m_manager, rc, m_text, color, st->font, style);
    }
}

// =============================================================================================
// CListTextElementUI

CListTextElementUI::CListTextElementUI() : m_linkCount(0), m_links{}, m_hoverLink(-1), m_list(nullptr) {}

CListTextElementUI::~CListTextElementUI() {
    for (int i = 0; i < m_columnTexts.GetSize(); ++i) delete static_cast<CUIString*>(m_columnTexts[i]);
    m_columnTexts.Empty();
}

const wchar_t* CListTextElementUI::GetClassName() const { return L"ListTextElementUI"; }

void* CListTextElementUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"ListTextElement") == 0) return this;
    return CListLabelElementUI::GetInterface(name);
}

UINT CListTextElementUI::GetControlFlags() const {
    return (IsEnabled() && m_linkCount > 0) ? (UIFLAG_SETCURSOR | UIFLAG_LISTELEMENT) : UIFLAG_LISTELEMENT;
}

void CListTextElementUI::SetOwner(CControlUI* owner) {
    CListLabelElementUI::SetOwner(owner);
    m_list = owner != nullptr ? static_cast<IListUI*>(owner->GetInterface(L"IList")) : nullptr;
}

const wchar_t* CListTextElementUI::GetText(int column) const {
    const CUIString* text = static_cast<const CUIString*>(m_columnTexts.GetAt(column));
    return text != nullptr ? text->GetData() : nullptr;
}

RECT CListTextElementUI::GetLinkRect(int index) const {
    return (index >= 0 && index < kMaxLinks) ? m_links[index] : RECT{0, 0, 0, 0};
}

const wchar_t* CListTextElementUI::GetLinkText(int index) const {
    return (index >= 0 && index < kMaxLinks) ? m_linkTexts[index].GetData() : L"";
}

int CListTextElementUI::LinkAt(POINT pt) const {
    for (int i = 0; i < m_linkCount; ++i) {
        if (::PtInRect(&m_links[i], pt)) return i;
    }
    return -1;
}

void CListTextElementUI::HandleEvent(UIEvent& event) {
    if (!IsMouseEnabled() && IsMouseEvent(event)) {
        if (m_list != nullptr) {
            m_list->HandleEvent(event);
        } else {
            CListLabelElementUI::HandleEvent(event);
        }
        return;
    }
    switch (event.type) {
        case UIEVENT_SETCURSOR:
            if (LinkAt(event.ptMouse) >= 0) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                return;
            }
            break;
        case UIEVENT_BUTTONUP:
            if (IsEnabled()) {
                const int link = LinkAt(event.ptMouse);
                if (link >= 0) {
                    if (m_manager != nullptr) m_manager->SendNotify(this, L"link", static_cast<WPARAM>(link));
                    return;
                }
            }
            break;
        case UIEVENT_MOUSEMOVE:
            if (m_linkCount > 0) {
                const int hover = LinkAt(event.ptMouse);
                if (hover != m_hoverLink) {
                    m_hoverLink = hover;
                    InvalidateItem();
                }
            }
            break;
        case UIEVENT_MOUSELEAVE:
            if (m_linkCount > 0 && m_hoverLink != -1) {
                InvalidateItem();
                m_hoverLink = -1;
            }
            break;
        default:
            break;
    }
    CListLabelElementUI::HandleEvent(event);
}

SIZE CListTextElementUI::EstimateSize(SIZE) {
    SIZE size = m_fixed;
    if (size.cy == 0 && m_manager != nullptr) {
        size.cy = DefaultTextHeight(m_manager) + 8;
        const ListItemStyle* st = StyleOf(m_owner);
        if (st != nullptr) size.cy += st->textPadding.top + st->textPadding.bottom;
    }
    return size;
}

void CListTextElementUI::DrawItemText(HDC hDC, const RECT& rcItem) {
    if (m_list == nullptr) return;
    ListItemStyle* st = m_list->GetListItemStyle();
    if (st == nullptr) return;
    const DWORD color = ItemTextColor(*st, IsEnabled(), m_selected, IsHot());
    IListCallbackUI* callback = m_list->GetTextCallback();
    m_linkCount = 0;
    const UINT style = st->textStyle | DT_SINGLELINE;
    const int columns = std::min(std::max(st->columnCount, 0), static_cast<int>(ListItemStyle::kMaxColumns));
    for (int i = 0; i < columns; ++i) {
        const RECT& column = st->columns[i];
        RECT cell = Shrink(RECT{column.left, rcItem.top, column.right, rcItem.bottom}, st->textPadding);
        const wchar_t* text = callback != nullptr ? callback->GetItemText(this, m_index, i) : GetText(i);
        if (text == nullptr) continue;
        if (st->showHtml) {
            const int freeSlots = kMaxLinks - m_linkCount;
            int found = freeSlots;
            CUIRenderer::DrawTaggedText(hDC, m_manager, cell, text, color,
                                        freeSlots > 0 ? &m_links[m_linkCount] : nullptr,
                                        freeSlots > 0 ? &m_linkTexts[m_linkCount] : nullptr, found, style);
            m_linkCount += std::max(0, std::min(found, freeSlots));
        } else {
            CUIRenderer::DrawText(hDC, m_manager, cell, text, color, st->font, style);
        }
    }
    for (int i = m_linkCount; i < kMaxLinks; ++i) {
        m_links[i] = RECT{0, 0, 0, 0};
        m_linkTexts[i].Empty();
    }
}

// =============================================================================================
// CListContainerElementUI

CListContainerElementUI::CListContainerElementUI()
    : m_index(-1), m_selected(false), m_buttonState(0), m_owner(nullptr) {}

CListContainerElementUI::~CListContainerElementUI() = default;

const wchar_t* CListContainerElementUI::GetClassName() const { return L"ListContainerElementUI"; }

void* CListContainerElementUI::GetInterface(const wchar_t* name) {
    if (name != nullptr) {
        if (wcscmp(name, L"ListItem") == 0) return static_cast<IListItemUI*>(this);
        if (wcscmp(name, L"ListContainerElement") == 0) return this;
    }
    return CContainerUI::GetInterface(name);
}

UINT CListContainerElementUI::GetControlFlags() const { return UIFLAG_LISTELEMENT; }

bool CListContainerElementUI::Activate() { return ActivateListItem(*this); }

void CListContainerElementUI::SetVisible(bool visible) {
    CContainerUI::SetVisible(visible);
    DeselectHiddenItem(*this, m_selected, m_owner);
}

void CListContainerElementUI::SetEnabled(bool enable) {
    CContainerUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState = 0;
}

void CListContainerElementUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name != nullptr && wcscmp(name, L"selected") == 0) {
        Select(true);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

int CListContainerElementUI::GetIndex() const { return m_index; }
void CListContainerElementUI::SetIndex(int index) { m_index = index; }
IListOwnerUI* CListContainerElementUI::GetOwner() { return m_owner; }
void CListContainerElementUI::SetOwner(CControlUI* owner) { m_owner = OwnerOf(owner); }
bool CListContainerElementUI::IsSelected() const { return m_selected; }

bool CListContainerElementUI::Select(bool select) {
    return SelectListItem(*this, m_selected, m_owner, m_index, select);
}

bool CListContainerElementUI::IsExpanded() const { return false; }
bool CListContainerElementUI::Expand(bool) { return false; }
void CListContainerElementUI::DrawItemText(HDC, const RECT&) {}

void CListContainerElementUI::InvalidateItem() { InvalidateListItem(*this); }

int CListContainerElementUI::FocusedChildIndex() const {
    for (int i = 0; i < m_items.GetSize(); ++i) {
        if (GetItemAt(i)->IsFocused()) return i;
    }
    return m_items.GetSize();
}

void CListContainerElementUI::HandleEvent(UIEvent& event) {
    if (HandleItemPassThrough(*this, m_owner, event, [&] { CContainerUI::HandleEvent(event); })) return;
    if (TrackHotState(*this, m_buttonState, kStateHot, event)) return;
    switch (event.type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_RBUTTONDOWN:
            if (!IsEnabled()) break;
            if (m_manager != nullptr) {
                m_manager->SendNotify(this, event.type == UIEVENT_BUTTONDOWN ? L"itemclick" : L"itemclick_r",
                                      static_cast<WPARAM>(FocusedChildIndex()), m_index);
            }
            Select(true);
            InvalidateItem();
            return;
        case UIEVENT_BUTTONUP:
        case UIEVENT_MOUSEMOVE:
            return;
        default:
            break;
    }
    PassToOwner(*this, m_owner, event);
}

void CListContainerElementUI::DrawItemBk(HDC hDC, const RECT& rcItem) {
    ListItemStyle* st = StyleOf(m_owner);
    if (st == nullptr) return;
    DWORD color = 0;
    if (m_index % 2 == 0) color = st->bkColor;
    if (IsHot()) color = st->hotBkColor;
    if (m_selected) color = st->selectedBkColor;
    if (!IsEnabled()) color = st->disabledBkColor;
    DrawItemBackground(hDC, *this, rcItem, m_rcPaint, *st, color, m_selected, IsHot(), m_index, m_bkImage);
}

void CListContainerElementUI::Paint(HDC hDC, const RECT& rcPaint) {
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
    DrawItemBk(hDC, m_rcItem);
    CContainerUI::Paint(hDC, rcPaint);
}

}  // namespace UIToolkit
