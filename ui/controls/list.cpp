#include "list.h"

#include <algorithm>
#include <cwchar>

#include "layout_support.h"
#include "list_header.h"
#include "render_engine.h"
#include "scroll_bar.h"

namespace UIToolkit {

namespace {

IListItemUI* AsListItem(CControlUI* control) {
    return control ? static_cast<IListItemUI*>(control->GetInterface(L"ListItem")) : nullptr;
}

bool IsMouseEvent(const UIEvent& event) {
    return event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
}

RECT Shrink(const RECT& rc, const RECT& inset) {
    return RECT{rc.left + inset.left, rc.top + inset.top, rc.right - inset.right, rc.bottom - inset.bottom};
}

}  // namespace

// =============================================================================================
// CListBodyUI

CListBodyUI::CListBodyUI(CListUI* owner) : m_owner(owner) {
    m_inset = RECT{0, 0, 0, 0};
}

CListBodyUI::~CListBodyUI() = default;

int CListBodyUI::HeaderRequiredWidth(const RECT& rc) const {
    if (m_owner == nullptr) return -1;
    CListHeaderUI* header = m_owner->GetHeader();
    if (header == nullptr || header->GetCount() == 0) return -1;
    const SIZE sz = header->EstimateSize(SIZE{rc.right - rc.left, rc.bottom - rc.top});
    return std::max(0, static_cast<int>(sz.cx));
}

void CListBodyUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    RECT area = Shrink(m_rcItem, m_inset);
    if (LayoutSupport::IsShown(m_verticalScrollBar)) area.right -= m_verticalScrollBar->GetFixedWidth();
    if (LayoutSupport::IsShown(m_horizontalScrollBar)) area.bottom -= m_horizontalScrollBar->GetFixedHeight();

    SIZE available = {area.right - area.left, area.bottom - area.top};
    available.cx += LayoutSupport::ShownRange(m_horizontalScrollBar);

    // The rows' heights: fixed ones keep theirs, the others share the rest; the widest row or, when
    // it has columns, the header gives the width the rows need.
    LayoutSupport::LinearSizer sizer(LayoutSupport::Axis::Vertical, m_items, available, m_childPadding);
    int requiredWidth = sizer.WidestAcross();
    const int headerWidth = HeaderRequiredWidth(area);
    if (headerWidth >= 0) requiredWidth = headerWidth;

    // Place the items top to bottom.
    int y = area.top - LayoutSupport::ShownPos(m_verticalScrollBar);
    int x = area.left - LayoutSupport::ShownPos(m_horizontalScrollBar);
    int neededHeight = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            PlaceFloatChild(i);
            continue;
        }
        const RECT padding = child->GetPadding();
        const int room = LayoutSupport::ToInt(sizer.StartChild(padding));
        const int height = sizer.Take(*child, child->EstimateSize(SIZE{available.cx, room}), padding);
        int width = std::max(requiredWidth, static_cast<int>(available.cx - padding.left - padding.right));
        width = LayoutSupport::ClampWidth(*child, width);
        child->SetPos(RECT{x + padding.left, y + padding.top, x + padding.left + width,
                           y + height + padding.top + padding.bottom});
        y += height + m_childPadding + padding.top + padding.bottom;
        neededHeight += height + padding.top + padding.bottom;
    }
    neededHeight += LayoutSupport::ToInt(sizer.Gaps());

    // The horizontal bar follows the required width.
    if (m_horizontalScrollBar != nullptr) {
        const int areaWidth = area.right - area.left;
        if (requiredWidth > areaWidth) {
            if (m_horizontalScrollBar->IsVisible()) {
                m_horizontalScrollBar->SetScrollRange(requiredWidth - areaWidth);
            } else {
                m_horizontalScrollBar->SetVisible(true);
                m_horizontalScrollBar->SetScrollRange(requiredWidth - areaWidth);
                m_horizontalScrollBar->SetScrollPos(0);
                area.bottom -= m_horizontalScrollBar->GetFixedHeight();
            }
        } else if (m_horizontalScrollBar->IsVisible()) {
            m_horizontalScrollBar->SetVisible(false);
            m_horizontalScrollBar->SetScrollRange(0);
            m_horizontalScrollBar->SetScrollPos(0);
            area.bottom += m_horizontalScrollBar->GetFixedHeight();
        }
    }
    UpdateScrollBars(area, requiredWidth, neededHeight);
}

void CListBodyUI::HandleEvent(UIEvent& event) {
    if (m_owner != nullptr) {
        m_owner->HandleEvent(event);
    } else {
        CControlUI::HandleEvent(event);
    }
}

void CListBodyUI::SetScrollPos(SIZE pos) {
    int dx = 0;
    int dy = 0;
    if (LayoutSupport::IsShown(m_verticalScrollBar)) {
        const int old = m_verticalScrollBar->GetScrollPos();
        m_verticalScrollBar->SetScrollPos(pos.cy);
        dy = m_verticalScrollBar->GetScrollPos() - old;
    }
    if (LayoutSupport::IsShown(m_horizontalScrollBar)) {
        const int old = m_horizontalScrollBar->GetScrollPos();
        m_horizontalScrollBar->SetScrollPos(pos.cx);
        dx = m_horizontalScrollBar->GetScrollPos() - old;
    }
    if (dx == 0 && dy == 0) return;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        RECT rc = child->GetPos();
        ::OffsetRect(&rc, -dx, -dy);
        child->SetPos(rc);
    }
    Invalidate();
    // Header and rows scroll together horizontally.
    if (dx != 0 && m_owner != nullptr) m_owner->UpdateColumnRects(dx);
}

// =============================================================================================
// CListUI

CListUI::CListUI()
    : m_scrollSelect(false), m_curSel(-1), m_expandedItem(-1), m_callback(nullptr), m_body(nullptr),
      m_header(nullptr), m_multiExpanding(false) {
    m_header = new CListHeaderUI;
    m_body = new CListBodyUI(this);
    CContainerUI::AddAt(m_header, 0);
    CContainerUI::AddAt(m_body, 1);
}

CListUI::~CListUI() = default;

const wchar_t* CListUI::GetClassName() const { return L"ListUI"; }

void* CListUI::GetInterface(const wchar_t* name) {
    if (name != nullptr) {
        if (wcscmp(name, L"List") == 0) return this;
        if (wcscmp(name, L"IList") == 0) return static_cast<IListUI*>(this);
        if (wcscmp(name, L"IListOwner") == 0) return static_cast<IListOwnerUI*>(this);
    }
    return CVerticalLayoutUI::GetInterface(name);
}

UINT CListUI::GetControlFlags() const { return UIFLAG_TABSTOP; }

// ---- Children -------------------------------------------------------------------------------

bool CListUI::IsHeaderControl(CControlUI* control) {
    return control != nullptr && control->GetInterface(L"ListHeader") != nullptr;
}

bool CListUI::IsHeaderItemControl(CControlUI* control) {
    if (control == nullptr) return false;
    const wchar_t* className = control->GetClassName();
    return className != nullptr && wcsstr(className, L"ListHeaderItemUI") != nullptr;
}

void CListUI::RefreshColumnCount() {
    m_style.columnCount =
        m_header != nullptr ? std::min(m_header->GetCount(), static_cast<int>(ListItemStyle::kMaxColumns)) : 0;
}

void CListUI::RenumberItems(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, m_body->GetCount() - 1);
    for (int i = first; i <= last; ++i) {
        IListItemUI* item = AsListItem(m_body->GetItemAt(i));
        if (item != nullptr) item->SetIndex(i);
    }
}

bool CListUI::AddHeader(CControlUI* control) {
    // The current header is a child already; adding it again would own it twice.
    if (control == m_header || CContainerUI::GetItemIndex(control) >= 0) return false;
    CListHeaderUI* header = static_cast<CListHeaderUI*>(control->GetInterface(L"ListHeader"));
    if (m_header == nullptr || m_header->GetCount() == 0) {
        if (m_header != nullptr) RemoveOwnChild(m_header);
        m_header = header;
    }
    RefreshColumnCount();
    return CContainerUI::AddAt(control, 0);
}

bool CListUI::RemoveOwnChild(CControlUI* control) {
    const int index = m_items.Find(control);
    if (index < 0) return false;
    if (control == m_header) {
        m_header = nullptr;
        m_style.columnCount = 0;
    }
    RequestLayout();
    m_items.Remove(index);
    DisposeChild(control);
    return true;
}

CControlUI* CListUI::GetItemAt(int index) const { return m_body->GetItemAt(index); }

int CListUI::GetCount() const { return m_body->GetCount(); }

int CListUI::FindSelectableItem(int index, bool forward) const { return m_body->FindSelectableItem(index, forward); }

int CListUI::GetItemIndex(CControlUI* control) const {
    if (IsHeaderControl(control)) return CContainerUI::GetItemIndex(control);
    if (IsHeaderItemControl(control)) return m_header != nullptr ? m_header->GetItemIndex(control) : -1;
    return m_body->GetItemIndex(control);
}

bool CListUI::SetItemIndex(CControlUI* control, int index) {
    if (IsHeaderControl(control)) return CContainerUI::SetItemIndex(control, index);
    if (IsHeaderItemControl(control)) {
        if (m_header == nullptr || !m_header->SetItemIndex(control, index)) return false;
        RefreshColumnCount();
        return true;
    }
    const int old = m_body->GetItemIndex(control);
    if (old < 0) return false;
    if (old == index) return true;
    IListItemUI* selected = m_curSel >= 0 ? AsListItem(m_body->GetItemAt(m_curSel)) : nullptr;
    IListItemUI* expanded = m_expandedItem >= 0 ? AsListItem(m_body->GetItemAt(m_expandedItem)) : nullptr;
    if (!m_body->SetItemIndex(control, index)) return false;
    RenumberItems(std::min(old, index), std::max(old, index));
    m_curSel = selected != nullptr ? selected->GetIndex() : -1;
    if (m_expandedItem >= 0) m_expandedItem = expanded != nullptr ? expanded->GetIndex() : -1;
    return true;
}

bool CListUI::Add(CControlUI* control) {
    if (control == nullptr) return false;
    if (IsHeaderControl(control)) return AddHeader(control);
    if (IsHeaderItemControl(control)) {
        if (m_header == nullptr) return false;
        const bool added = m_header->Add(control);
        RefreshColumnCount();
        return added;
    }
    IListItemUI* item = AsListItem(control);
    if (item != nullptr) {
        item->SetOwner(this);
        item->SetIndex(m_body->GetCount());
    }
    return m_body->Add(control);
}

bool CListUI::AddAt(CControlUI* control, int index) {
    if (control == nullptr) return false;
    if (IsHeaderControl(control)) return AddHeader(control);
    if (IsHeaderItemControl(control)) {
        if (m_header == nullptr) return false;
        const bool added = m_header->AddAt(control, index);
        RefreshColumnCount();
        return added;
    }
    if (!m_body->AddAt(control, index)) return false;
    IListItemUI* item = AsListItem(control);
    if (item != nullptr) {
        item->SetOwner(this);
        item->SetIndex(index);
    }
    RenumberItems(index + 1, m_body->GetCount() - 1);
    if (m_curSel >= index) ++m_curSel;
    if (m_expandedItem >= index) ++m_expandedItem;
    return true;
}

bool CListUI::Remove(CControlUI* control) {
    if (control == nullptr) return false;
    if (IsHeaderControl(control)) return RemoveOwnChild(control);
    if (IsHeaderItemControl(control)) {
        if (m_header == nullptr) return false;
        const bool removed = m_header->Remove(control);
        RefreshColumnCount();
        return removed;
    }
    const int index = m_body->GetItemIndex(control);
    if (index < 0) return false;
    return RemoveItemAt(index);
}

bool CListUI::RemoveAt(int index) { return RemoveItemAt(index); }

bool CListUI::RemoveItemAt(int index) {
    CControlUI* control = m_body->GetItemAt(index);
    if (control == nullptr) return false;
    // A removed item that outlives the removal (no auto-destroy) must not keep pointing at this
    // list or show itself selected.
    IListItemUI* item = AsListItem(control);
    if (item != nullptr) {
        item->Select(false);
        item->SetOwner(nullptr);
    }
    if (!m_body->RemoveAt(index)) return false;
    RenumberItems(index, m_body->GetCount() - 1);

    if (m_expandedItem == index) {
        m_expandedItem = -1;
    } else if (m_expandedItem > index) {
        --m_expandedItem;
    }
    if (m_curSel == index) {
        // The nearest selectable item before the removed one (its old index now holds the item
        // that followed it), or the first one when there is none before it.
        m_curSel = -1;
        SelectItem(m_body->FindSelectableItem(index - 1, false), false);
    } else if (m_curSel > index) {
        --m_curSel;
    }
    return true;
}

void CListUI::RemoveAll() {
    m_curSel = -1;
    m_expandedItem = -1;
    for (int i = 0; i < m_body->GetCount(); ++i) {
        IListItemUI* item = AsListItem(m_body->GetItemAt(i));
        if (item == nullptr) continue;
        item->Select(false);
        item->SetOwner(nullptr);
    }
    m_body->RemoveAll();
}

// ---- Layout ---------------------------------------------------------------------------------

void CListUI::SetPos(RECT rc) {
    CVerticalLayoutUI::SetPos(rc);
    if (m_header == nullptr) {
        m_style.columnCount = 0;
        return;
    }
    const bool hidden = !m_header->IsVisible();
    if (hidden) {
        // A hidden header still lays its columns out, so that the rows keep their cells.
        for (int i = 0; i < m_header->GetCount(); ++i) m_header->GetItemAt(i)->SetInternalVisible(true);
        m_header->SetPos(RECT{m_rcItem.left, 0, m_rcItem.right, 0});
        for (int i = 0; i < m_header->GetCount(); ++i) m_header->GetItemAt(i)->SetInternalVisible(false);
    }
    UpdateColumnRects(m_body->GetScrollPos().cx);
}

void CListUI::UpdateColumnRects(int horizontalShift) {
    RefreshColumnCount();
    if (m_header == nullptr) return;
    const bool hidden = !m_header->IsVisible();
    if (hidden) {
        for (int i = 0; i < m_header->GetCount(); ++i) m_header->GetItemAt(i)->SetInternalVisible(true);
    }
    for (int i = 0; i < m_style.columnCount; ++i) {
        CControlUI* column = m_header->GetItemAt(i);
        if (!column->IsVisible() || column->IsFloat()) {
            // A hidden column gives its cells no room instead of a stale rectangle.
            m_style.columns[i] = RECT{0, 0, 0, 0};
            continue;
        }
        if (horizontalShift != 0) {
            RECT rc = column->GetPos();
            ::OffsetRect(&rc, -horizontalShift, 0);
            column->SetPos(rc);
        }
        m_style.columns[i] = column->GetPos();
    }
    if (hidden) {
        for (int i = 0; i < m_header->GetCount(); ++i) m_header->GetItemAt(i)->SetInternalVisible(false);
    }
}

// ---- Events ---------------------------------------------------------------------------------

void CListUI::SelectNearest(int start, bool forward) {
    SelectItem(m_body->FindSelectableItem(start, forward), true);
}

void CListUI::HandleEvent(UIEvent& event) {
    if (!IsMouseEnabled() && IsMouseEvent(event)) {
        if (m_parent != nullptr) {
            m_parent->HandleEvent(event);
        } else {
            CVerticalLayoutUI::HandleEvent(event);
        }
        return;
    }
    switch (event.type) {
        case UIEVENT_SETFOCUS:
            m_focused = true;
            return;
        case UIEVENT_KILLFOCUS:
            m_focused = false;
            return;
        case UIEVENT_KEYDOWN:
            switch (event.key) {
                case VK_RETURN:
                    if (m_curSel >= 0) {
                        CControlUI* item = m_body->GetItemAt(m_curSel);
                        if (item != nullptr) item->Activate();
                    }
                    return;
                case VK_PRIOR:
                    PageUp();
                    return;
                case VK_NEXT:
                    PageDown();
                    return;
                case VK_HOME:
                    SelectNearest(0, false);
                    return;
                case VK_END:
                    SelectNearest(m_body->GetCount() - 1, true);
                    return;
                case VK_UP:
                    SelectNearest(m_curSel - 1, false);
                    return;
                case VK_DOWN:
                    SelectNearest(m_curSel + 1, true);
                    return;
                default:
                    break;
            }
            break;
        case UIEVENT_SCROLLWHEEL:
            switch (LOWORD(event.wParam)) {
                case 0:
                    if (m_scrollSelect) {
                        SelectNearest(m_curSel - 1, false);
                    } else {
                        LineUp();
                    }
                    return;
                case 1:
                    if (m_scrollSelect) {
                        SelectNearest(m_curSel + 1, true);
                    } else {
                        LineDown();
                    }
                    return;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    CVerticalLayoutUI::HandleEvent(event);
}

// ---- Selection and expansion ----------------------------------------------------------------

ListItemStyle* CListUI::GetListItemStyle() { return &m_style; }

int CListUI::GetCurSel() const { return m_curSel; }

bool CListUI::SelectItem(int index, bool takeFocus) {
    if (index == m_curSel) return true;
    const int previous = m_curSel;
    if (m_curSel >= 0) {
        IListItemUI* old = AsListItem(m_body->GetItemAt(m_curSel));
        if (old != nullptr) old->Select(false);
        m_curSel = -1;
    }
    if (index < 0) return false;
    CControlUI* control = m_body->GetItemAt(index);
    if (control == nullptr || !control->IsVisible() || !control->IsEnabled()) return false;
    IListItemUI* item = AsListItem(control);
    if (item == nullptr) return false;
    m_curSel = index;
    if (!item->Select(true)) {
        m_curSel = -1;
        return false;
    }
    EnsureVisible(index);
    if (takeFocus) control->SetFocus();
    if (m_manager != nullptr) m_manager->SendNotify(this, L"itemselect", static_cast<WPARAM>(index), previous);
    return true;
}

bool CListUI::ExpandItem(int index, bool expand) {
    if (m_expandedItem >= 0 && !m_multiExpanding) {
        IListItemUI* old = AsListItem(m_body->GetItemAt(m_expandedItem));
        if (old != nullptr) old->Expand(false);
        m_expandedItem = -1;
    }
    if (expand) {
        CControlUI* control = m_body->GetItemAt(index);
        if (control == nullptr || !control->IsVisible()) return false;
        IListItemUI* item = AsListItem(control);
        if (item == nullptr) return false;
        m_expandedItem = index;
        if (!item->Expand(true)) {
            m_expandedItem = -1;
            return false;
        }
    }
    RequestLayout();
    return true;
}

int CListUI::GetExpandedItem() const { return m_expandedItem; }

CListHeaderUI* CListUI::GetHeader() const { return m_header; }
CListBodyUI* CListUI::GetBody() const { return m_body; }
IListCallbackUI* CListUI::GetTextCallback() const { return m_callback; }
void CListUI::SetTextCallback(IListCallbackUI* callback) { m_callback = callback; }

void CListUI::EnsureVisible(int index) {
    if (m_curSel < 0) return;
    CControlUI* item = m_body->GetItemAt(index);
    if (item == nullptr) return;
    const RECT& rcItem = item->GetPos();
    RECT area = Shrink(m_body->GetPos(), m_body->GetInset());
    CScrollBarUI* horizontal = m_body->GetHorizontalScrollBar();
    if (LayoutSupport::IsShown(horizontal)) area.bottom -= horizontal->GetFixedHeight();
    if (rcItem.top >= area.top && rcItem.bottom < area.bottom) return;
    int dy = 0;
    if (rcItem.top < area.top) dy = rcItem.top - area.top;
    if (rcItem.bottom > area.bottom) dy = rcItem.bottom - area.bottom;
    Scroll(0, dy);
}

void CListUI::Scroll(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    const SIZE pos = m_body->GetScrollPos();
    m_body->SetScrollPos(SIZE{pos.cx + dx, pos.cy + dy});
}

// ---- Forwarded to the body ------------------------------------------------------------------

int CListUI::GetChildPadding() const { return m_body->GetChildPadding(); }
void CListUI::SetChildPadding(int padding) { m_body->SetChildPadding(padding); }
SIZE CListUI::GetScrollPos() const { return m_body->GetScrollPos(); }
SIZE CListUI::GetScrollRange() const { return m_body->GetScrollRange(); }
void CListUI::SetScrollPos(SIZE pos) { m_body->SetScrollPos(pos); }
void CListUI::LineUp() { m_body->LineUp(); }
void CListUI::LineDown() { m_body->LineDown(); }
void CListUI::PageUp() { m_body->PageUp(); }
void CListUI::PageDown() { m_body->PageDown(); }
void CListUI::ScrollToTop() { m_body->ScrollToTop(); }
void CListUI::ScrollToBottom() { m_body->ScrollToBottom(); }
void CListUI::LineLeft() { m_body->LineLeft(); }
void CListUI::LineRight() { m_body->LineRight(); }
void CListUI::PageLeft() { m_body->PageLeft(); }
void CListUI::PageRight() { m_body->PageRight(); }
void CListUI::ScrollToLeftEnd() { m_body->ScrollToLeftEnd(); }
void CListUI::ScrollToRightEnd() { m_body->ScrollToRightEnd(); }
void CListUI::EnableScrollBars(bool vertical, bool horizontal) { m_body->EnableScrollBars(vertical, horizontal); }
CScrollBarUI* CListUI::GetVerticalScrollBar() const { return m_body->GetVerticalScrollBar(); }
CScrollBarUI* CListUI::GetHorizontalScrollBar() const { return m_body->GetHorizontalScrollBar(); }

// ---- Attributes and item style --------------------------------------------------------------

void CListUI::SetScrollSelect(bool scrollSelect) { m_scrollSelect = scrollSelect; }
void CListUI::SetMultiExpanding(bool multiExpanding) { m_multiExpanding = multiExpanding; }

void CListUI::SetItemFont(int index) { m_style.font = index; }
void CListUI::SetItemTextStyle(UINT style) { m_style.textStyle = style; }

void CListUI::SetItemTextPadding(RECT padding) {
    m_style.textPadding = padding;
    RequestLayout();
}

void CListUI::SetItemTextColor(DWORD color) {
    m_style.textColor = color;
    Invalidate();
}

void CListUI::SetItemBkColor(DWORD color) {
    m_style.bkColor = color;
    Invalidate();
}

void CListUI::SetItemBkImage(const wchar_t* image) {
    m_style.bkImage = image;
    Invalidate();
}

void CListUI::SetAlternateBk(bool alternate) {
    m_style.alternateBk = alternate;
    Invalidate();
}

void CListUI::SetSelectedItemTextColor(DWORD color) {
    m_style.selectedTextColor = color;
    Invalidate();
}

void CListUI::SetSelectedItemBkColor(DWORD color) {
    m_style.selectedBkColor = color;
    Invalidate();
}

void CListUI::SetSelectedItemImage(const wchar_t* image) {
    m_style.selectedImage = image;
    Invalidate();
}

void CListUI::SetHotItemTextColor(DWORD color) {
    m_style.hotTextColor = color;
    Invalidate();
}

void CListUI::SetHotItemBkColor(DWORD color) {
    m_style.hotBkColor = color;
    Invalidate();
}

void CListUI::SetHotItemImage(const wchar_t* image) {
    m_style.hotImage = image;
    Invalidate();
}

void CListUI::SetDisabledItemTextColor(DWORD color) {
    m_style.disabledTextColor = color;
    Invalidate();
}

void CListUI::SetDisabledItemBkColor(DWORD color) {
    m_style.disabledBkColor = color;
    Invalidate();
}

void CListUI::SetDisabledItemImage(const wchar_t* image) {
    m_style.disabledImage = image;
    Invalidate();
}

void CListUI::SetItemLineColor(DWORD color) {
    m_style.lineColor = color;
    Invalidate();
}

void CListUI::SetItemShowHtml(bool showHtml) {
    if (m_style.showHtml == showHtml) return;
    m_style.showHtml = showHtml;
    RequestLayout();
}

UINT CListUI::ApplyAlignment(UINT style, const wchar_t* value) {
    if (value == nullptr) return style;
    if (wcsstr(value, L"left") != nullptr) style &= ~static_cast<UINT>(DT_CENTER | DT_RIGHT);
    if (wcsstr(value, L"center") != nullptr) {
        style &= ~static_cast<UINT>(DT_RIGHT);
        style |= DT_CENTER;
    }
    if (wcsstr(value, L"right") != nullptr) {
        style &= ~static_cast<UINT>(DT_CENTER);
        style |= DT_RIGHT;
    }
    return style;
}

void CListUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    const CUIString n(name);
    if (n == L"header") {
        if (m_header != nullptr) m_header->SetVisible(wcscmp(value, L"hidden") != 0);
    } else if (n == L"headerbkimage") {
        if (m_header != nullptr) m_header->SetBkImage(value);
    } else if (n == L"scrollselect") {
        SetScrollSelect(ParseBool(value));
    } else if (n == L"multiexpanding") {
        SetMultiExpanding(ParseBool(value));
    } else if (n == L"itemfont") {
        SetItemFont(ParseInt(value));
    } else if (n == L"itemalign") {
        SetItemTextStyle(ApplyAlignment(m_style.textStyle, value));
    } else if (n == L"itemendellipsis") {
        SetItemTextStyle(ParseBool(value) ? (m_style.textStyle | DT_END_ELLIPSIS)
                                          : (m_style.textStyle & ~static_cast<UINT>(DT_END_ELLIPSIS)));
    } else if (n == L"itemtextpadding") {
        int v[4] = {0, 0, 0, 0};
        ParseIntList(value, v, 4);
        SetItemTextPadding(RECT{v[0], v[1], v[2], v[3]});
    } else if (n == L"itemtextcolor") {
        SetItemTextColor(ParseColor(value));
    } else if (n == L"itembkcolor") {
        SetItemBkColor(ParseColor(value));
    } else if (n == L"itembkimage") {
        SetItemBkImage(value);
    } else if (n == L"itemaltbk") {
        SetAlternateBk(ParseBool(value));
    } else if (n == L"itemselectedtextcolor") {
        SetSelectedItemTextColor(ParseColor(value));
    } else if (n == L"itemselectedbkcolor") {
        SetSelectedItemBkColor(ParseColor(value));
    } else if (n == L"itemselectedimage") {
        SetSelectedItemImage(value);
    } else if (n == L"itemhottextcolor") {
        SetHotItemTextColor(ParseColor(value));
    } else if (n == L"itemhotbkcolor") {
        SetHotItemBkColor(ParseColor(value));
    } else if (n == L"itemhotimage") {
        SetHotItemImage(value);
    } else if (n == L"itemdisabledtextcolor") {
        SetDisabledItemTextColor(ParseColor(value));
    } else if (n == L"itemdisabledbkcolor") {
        SetDisabledItemBkColor(ParseColor(value));
    } else if (n == L"itemdisabledimage") {
        SetDisabledItemImage(value);
    } else if (n == L"itemlinecolor") {
        SetItemLineColor(ParseColor(value));
    } else if (n == L"itemshowhtml") {
        SetItemShowHtml(ParseBool(value));
    } else {
        CVerticalLayoutUI::SetAttribute(name, value);
    }
}

}  // namespace UIToolkit
