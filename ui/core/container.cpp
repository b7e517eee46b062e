// The base container: child list and ownership, insets, scroll bars and scrolling, float
// placement, hit testing, painting and keyboard scrolling.
#include "container.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "layout_support.h"
#include "render_engine.h"
#include "scroll_bar.h"

namespace UIToolkit {

namespace {

bool Meets(const RECT& a, const RECT& b) {
    RECT tmp;
    return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

const int kHorizontalLineStep = 8;

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    // Children owned by a dying container go at once, depth first; none is queued.
    m_delayedDestroy = false;
    if (m_autoDestroy) {
        std::vector<CControlUI*> children;
        for (int i = 0; i < m_items.GetSize(); ++i) children.push_back(static_cast<CControlUI*>(m_items[i]));
        m_items.Empty();
        for (CControlUI* child : children) delete child;
    }
    m_items.Empty();
    delete m_verticalScrollBar;
    m_verticalScrollBar = nullptr;
    delete m_horizontalScrollBar;
    m_horizontalScrollBar = nullptr;
}

const wchar_t* CContainerUI::GetClassName() const { return L"ContainerUI"; }

void* CContainerUI::GetInterface(const wchar_t* name) {
    if (name && wcscmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
    if (name && wcscmp(name, L"Container") == 0) return this;
    return CControlUI::GetInterface(name);
}

// ---------------------------------------------------------------------------------------------
// Children

CControlUI* CContainerUI::GetItemAt(int index) const {
    return ChildAt(index);
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    return control ? m_items.Find(control) : -1;
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    const int current = GetItemIndex(control);
    if (current < 0 || index < 0 || index >= m_items.GetSize()) return false;
    RequestLayout();
    m_items.Remove(current);
    return m_items.InsertAt(index, control);
}

int CContainerUI::GetCount() const { return m_items.GetSize(); }

bool CContainerUI::Add(CControlUI* control) {
    return AddAt(control, m_items.GetSize());
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control) return false;
    // Checked before the control enters the manager, so that a refused control leaves no trace.
    if (index < 0 || index > m_items.GetSize()) return false;
    if (m_manager) m_manager->InitControls(control, this);
    if (IsVisible()) {
        RequestLayout();
    } else {
        control->SetInternalVisible(false);
    }
    return m_items.InsertAt(index, control);
}

void CContainerUI::DisposeChild(CControlUI* control) {
    if (!m_autoDestroy) return;
    if (m_delayedDestroy && m_manager) {
        m_manager->AddDelayedCleanup(control);
    } else {
        delete control;
    }
}

bool CContainerUI::Remove(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0) return false;
    RequestLayout();
    // Out of the list first: deleting the child may reach code that walks this container.
    m_items.Remove(index);
    DisposeChild(control);
    return true;
}

bool CContainerUI::RemoveAt(int index) {
    CControlUI* control = ChildAt(index);
    return control ? Remove(control) : false;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> children;
    children.reserve(static_cast<size_t>(m_items.GetSize()));
    for (int i = 0; i < m_items.GetSize(); ++i) children.push_back(static_cast<CControlUI*>(m_items[i]));
    m_items.Empty();
    for (CControlUI* child : children) DisposeChild(child);
    RequestLayout();
}

void CContainerUI::SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
    for (int i = 0; i < m_items.GetSize(); ++i) ChildAt(i)->SetManager(manager, this, init);
    if (m_verticalScrollBar) m_verticalScrollBar->SetManager(manager, this, init);
    if (m_horizontalScrollBar) m_horizontalScrollBar->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

// ---------------------------------------------------------------------------------------------
// Settings

RECT CContainerUI::GetInset() const { return m_inset; }

void CContainerUI::SetInset(RECT inset) {
    m_inset = inset;
    RequestLayout();
}

int CContainerUI::GetChildPadding() const { return m_childPadding; }

void CContainerUI::SetChildPadding(int padding) {
    m_childPadding = padding;
    RequestLayout();
}

bool CContainerUI::IsAutoDestroy() const { return m_autoDestroy; }
void CContainerUI::SetAutoDestroy(bool autoDestroy) { m_autoDestroy = autoDestroy; }
bool CContainerUI::IsDelayedDestroy() const { return m_delayedDestroy; }
void CContainerUI::SetDelayedDestroy(bool delayed) { m_delayedDestroy = delayed; }
bool CContainerUI::IsMouseChildEnabled() const { return m_mouseChildEnabled; }
void CContainerUI::SetMouseChildEnabled(bool enable) { m_mouseChildEnabled = enable; }

void CContainerUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    CControlUI::SetVisible(visible);
    for (int i = 0; i < m_items.GetSize(); ++i) ChildAt(i)->SetInternalVisible(IsVisible());
}

void CContainerUI::SetInternalVisible(bool visible) {
    CControlUI::SetInternalVisible(visible);
    for (int i = 0; i < m_items.GetSize(); ++i) ChildAt(i)->SetInternalVisible(IsVisible());
}

void CContainerUI::SetMouseEnabled(bool enable) {
    if (m_verticalScrollBar) m_verticalScrollBar->SetMouseEnabled(enable);
    if (m_horizontalScrollBar) m_horizontalScrollBar->SetMouseEnabled(enable);
    CControlUI::SetMouseEnabled(enable);
}

int CContainerUI::FindSelectableItem(int index, bool forward) const {
    const int count = m_items.GetSize();
    if (count == 0) return -1;
    index = std::max(0, std::min(index, count - 1));
    auto selectable = [this](int i) {
        CControlUI* item = ChildAt(i);
        return item->GetInterface(L"ListItem") != nullptr && item->IsVisible() && item->IsEnabled();
    };
    if (forward) {
        for (int i = index; i < count; ++i) {
            if (selectable(i)) return i;
        }
        return -1;
    }
    for (int i = index; i >= 0; --i) {
        if (selectable(i)) return i;
    }
    return FindSelectableItem(0, true);
}

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    // Attributes without a name are ignored; a missing value reads as an empty one.
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"inset") == 0) {
        int values[4] = {0, 0, 0, 0};
        ParseIntList(value, values, 4);
        SetInset(RECT{values[0], values[1], values[2], values[3]});
    } else if (wcscmp(name, L"mousechild") == 0) {
        SetMouseChildEnabled(ParseBool(value));
    } else if (wcscmp(name, L"vscrollbar") == 0) {
        // The bars are asked for through the getters: a container that keeps its bars elsewhere
        // (a list keeps them on its body) answers there, so one bar's attribute keeps the other.
        EnableScrollBars(ParseBool(value), GetHorizontalScrollBar() != nullptr);
    } else if (wcscmp(name, L"vscrollbarstyle") == 0) {
        EnableScrollBars(true, GetHorizontalScrollBar() != nullptr);
        if (CScrollBarUI* bar = GetVerticalScrollBar()) bar->ApplyAttributeList(value);
    } else if (wcscmp(name, L"hscrollbar") == 0) {
        EnableScrollBars(GetVerticalScrollBar() != nullptr, ParseBool(value));
    } else if (wcscmp(name, L"hscrollbarstyle") == 0) {
        EnableScrollBars(GetVerticalScrollBar() != nullptr, true);
        if (CScrollBarUI* bar = GetHorizontalScrollBar()) bar->ApplyAttributeList(value);
    } else if (wcscmp(name, L"childpadding") == 0) {
        SetChildPadding(ParseInt(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

// ---------------------------------------------------------------------------------------------
// Placement

void CContainerUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    if (m_items.IsEmpty()) return;
    const RECT inner = {m_rcItem.left + m_inset.left, m_rcItem.top + m_inset.top,
                        m_rcItem.right - m_inset.right, m_rcItem.bottom - m_inset.bottom};
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ChildAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            PlaceFloatChild(i);
        } else {
            child->SetPos(inner);
        }
    }
}

void CContainerUI::PlaceFloatChild(int index) {
    CControlUI* child = ChildAt(index);
    if (!child || !child->IsVisible() || !child->IsFloat()) return;
    const SIZE xy = child->GetFixedXY();
    const int width = child->GetFixedWidth();
    const int height = child->GetFixedHeight();
    RECT rc;
    if (xy.cx >= 0) {
        rc.left = m_rcItem.left + xy.cx;
        rc.right = rc.left + width;
    } else {
        rc.right = m_rcItem.right + xy.cx;
        rc.left = rc.right - width;
    }
    if (xy.cy >= 0) {
        rc.top = m_rcItem.top + xy.cy;
        rc.bottom = rc.top + height;
    } else {
        rc.bottom = m_rcItem.bottom + xy.cy;
        rc.top = rc.bottom - height;
    }
    if (child->IsRelativePos()) {
        const UIRelativePos relative = child->GetRelativePos();
        if (relative.parentSize.cx != 0) {
            const int dx = (m_rcItem.right - m_rcItem.left) - relative.parentSize.cx;
            const int dy = (m_rcItem.bottom - m_rcItem.top) - relative.parentSize.cy;
            rc.left += dx * relative.moveX / 100;
            rc.top += dy * relative.moveY / 100;
            rc.right = rc.left + width + dx * relative.zoomX / 100;
            rc.bottom = rc.top + height + dy * relative.zoomY / 100;
        }
        child->SetRelativeParentSize(SIZE{m_rcItem.right - m_rcItem.left, m_rcItem.bottom - m_rcItem.top});
    }
    child->SetPos(rc);
}

RECT CContainerUI::ChildrenArea() const {
    RECT area = {m_rcItem.left + m_inset.left, m_rcItem.top + m_inset.top,
                 m_rcItem.right - m_inset.right, m_rcItem.bottom - m_inset.bottom};
    if (m_verticalScrollBar && m_verticalScrollBar->IsVisible())
        area.right -= m_verticalScrollBar->GetFixedWidth();
    if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible())
        area.bottom -= m_horizontalScrollBar->GetFixedHeight();
    return area;
}

// ---------------------------------------------------------------------------------------------
// Scrolling

SIZE CContainerUI::GetScrollPos() const {
    return SIZE{LayoutSupport::ShownPos(m_horizontalScrollBar), LayoutSupport::ShownPos(m_verticalScrollBar)};
}

SIZE CContainerUI::GetScrollRange() const {
    return SIZE{LayoutSupport::ShownRange(m_horizontalScrollBar), LayoutSupport::ShownRange(m_verticalScrollBar)};
}

void CContainerUI::SetScrollPos(SIZE pos) {
    int dx = 0, dy = 0;
    if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) {
        const int old = m_verticalScrollBar->GetScrollPos();
        m_verticalScrollBar->SetScrollPos(pos.cy);
        dy = m_verticalScrollBar->GetScrollPos() - old;
    }
    if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) {
        const int old = m_horizontalScrollBar->GetScrollPos();
        m_horizontalScrollBar->SetScrollPos(pos.cx);
        dx = m_horizontalScrollBar->GetScrollPos() - old;
    }
    if (dx == 0 && dy == 0) return;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ChildAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        RECT rc = child->GetPos();
        ::OffsetRect(&rc, -dx, -dy);
        child->SetPos(rc);
    }
    Invalidate();
}

int CContainerUI::VerticalLineStep() const {
    if (!m_manager) return 8;
    UIFontInfo* font = m_manager->GetDefaultFontInfo();
    return (font ? font->tm.tmHeight : 0) + 8;
}

namespace {

SIZE WithVertical(SIZE pos, long long value) {
    pos.cy = LayoutSupport::ToInt(value);
    return pos;
}

SIZE WithHorizontal(SIZE pos, long long value) {
    pos.cx = LayoutSupport::ToInt(value);
    return pos;
}

}  // namespace

void CContainerUI::LineUp() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(WithVertical(pos, static_cast<long long>(pos.cy) - VerticalLineStep()));
}

void CContainerUI::LineDown() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(WithVertical(pos, static_cast<long long>(pos.cy) + VerticalLineStep()));
}

void CContainerUI::PageUp() {
    const SIZE pos = GetScrollPos();
    const RECT area = ChildrenArea();
    SetScrollPos(WithVertical(pos, pos.cy - (static_cast<long long>(area.bottom) - area.top)));
}

void CContainerUI::PageDown() {
    const SIZE pos = GetScrollPos();
    const RECT area = ChildrenArea();
    SetScrollPos(WithVertical(pos, pos.cy + (static_cast<long long>(area.bottom) - area.top)));
}

void CContainerUI::ScrollToTop() { SetScrollPos(WithVertical(GetScrollPos(), 0)); }

void CContainerUI::ScrollToBottom() {
    SetScrollPos(WithVertical(GetScrollPos(), GetScrollRange().cy));
}

void CContainerUI::LineLeft() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(WithHorizontal(pos, static_cast<long long>(pos.cx) - kHorizontalLineStep));
}

void CContainerUI::LineRight() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(WithHorizontal(pos, static_cast<long long>(pos.cx) + kHorizontalLineStep));
}

void CContainerUI::PageLeft() {
    const SIZE pos = GetScrollPos();
    const RECT area = ChildrenArea();
    SetScrollPos(WithHorizontal(pos, pos.cx - (static_cast<long long>(area.right) - area.left)));
}

void CContainerUI::PageRight() {
    const SIZE pos = GetScrollPos();
    const RECT area = ChildrenArea();
    SetScrollPos(WithHorizontal(pos, pos.cx + (static_cast<long long>(area.right) - area.left)));
}

void CContainerUI::ScrollToLeftEnd() { SetScrollPos(WithHorizontal(GetScrollPos(), 0)); }

void CContainerUI::ScrollToRightEnd() {
    SetScrollPos(WithHorizontal(GetScrollPos(), GetScrollRange().cx));
}

void CContainerUI::EnableScrollBars(bool vertical, bool horizontal) {
    auto create = [this](bool isHorizontal) {
        CScrollBarUI* bar = new CScrollBarUI;
        if (isHorizontal) bar->SetHorizontal(true);
        bar->SetOwner(this);
        bar->SetManager(m_manager, nullptr, false);
        if (m_manager) {
            const wchar_t* defaults =
                m_manager->GetDefaultAttributeList(isHorizontal ? L"HScrollBar" : L"VScrollBar");
            if (defaults) bar->ApplyAttributeList(defaults);
        }
        return bar;
    };
    if (vertical && !m_verticalScrollBar) {
        m_verticalScrollBar = create(false);
    } else if (!vertical && m_verticalScrollBar) {
        delete m_verticalScrollBar;
        m_verticalScrollBar = nullptr;
    }
    if (horizontal && !m_horizontalScrollBar) {
        m_horizontalScrollBar = create(true);
    } else if (!horizontal && m_horizontalScrollBar) {
        delete m_horizontalScrollBar;
        m_horizontalScrollBar = nullptr;
    }
    RequestLayout();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const { return m_verticalScrollBar; }
CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const { return m_horizontalScrollBar; }

void CContainerUI::UpdateScrollBars(RECT rc, int requiredWidth, int requiredHeight) {
    (void)requiredWidth;
    if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) {
        m_horizontalScrollBar->SetPos(RECT{rc.left, rc.bottom, rc.right,
                                           rc.bottom + m_horizontalScrollBar->GetFixedHeight()});
    }
    CScrollBarUI* bar = m_verticalScrollBar;
    if (!bar) return;
    const int overflow = LayoutSupport::ToInt(static_cast<long long>(requiredHeight) - (rc.bottom - rc.top));

    if (overflow > 0 && !bar->IsVisible()) {
        bar->SetVisible(true);
        bar->SetScrollRange(overflow);
        bar->SetScrollPos(0);
        m_scrollProcessing = true;
        SetPos(m_rcItem);
        m_scrollProcessing = false;
        return;
    }
    if (!bar->IsVisible()) return;
    if (overflow > 0 || m_scrollProcessing) {
        bar->SetPos(RECT{rc.right, rc.top, rc.right + bar->GetFixedWidth(), rc.bottom});
        if (bar->GetScrollRange() == overflow) return;
        const int oldPos = bar->GetScrollPos();
        // Content that fits (overflow 0 or less) needs no bar, whatever the re-layout gave.
        const int range = std::max(0, overflow);
        bar->SetScrollRange(range);
        if (range == 0) {
            // Only the re-layout that has just shown the bar gets here: the content needs the
            // bar's room without it but fits beside it. The bar stays, with nothing to scroll,
            // so that it covers the strip the content was laid out to leave; hiding it would
            // leave that strip empty, and laying out without it would overflow again.
            bar->SetScrollPos(0);
        } else if (bar->GetScrollPos() < oldPos) {
            SetPos(m_rcItem);
        }
    } else {
        bar->SetVisible(false);
        bar->SetScrollPos(0);
        bar->SetScrollRange(0);
        SetPos(m_rcItem);
    }
}

// ---------------------------------------------------------------------------------------------
// Hit testing, events and painting

CControlUI* CContainerUI::FindControl(FindControlProc proc, LPVOID data, UINT flags) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    const bool hitTest = (flags & UIFIND_HITTEST) != 0;
    if (hitTest) {
        if (!::PtInRect(&m_rcItem, *static_cast<const POINT*>(data))) return nullptr;
        if (!m_mouseChildEnabled) {
            CControlUI* result = nullptr;
            if (m_verticalScrollBar) result = m_verticalScrollBar->FindControl(proc, data, flags);
            if (!result && m_horizontalScrollBar) result = m_horizontalScrollBar->FindControl(proc, data, flags);
            if (!result) result = CControlUI::FindControl(proc, data, flags);
            return result;
        }
    }
    CControlUI* result = nullptr;
    if (m_verticalScrollBar) result = m_verticalScrollBar->FindControl(proc, data, flags);
    if (result) return result;
    if (m_horizontalScrollBar) result = m_horizontalScrollBar->FindControl(proc, data, flags);
    if (result) return result;

    const bool meFirst = (flags & UIFIND_ME_FIRST) != 0;
    if (meFirst) {
        result = CControlUI::FindControl(proc, data, flags);
        if (result) return result;
    }
    const RECT area = ChildrenArea();
    const int count = m_items.GetSize();
    const bool topFirst = (flags & UIFIND_TOP_FIRST) != 0;
    for (int n = 0; n < count; ++n) {
        CControlUI* child = ChildAt(topFirst ? count - 1 - n : n);
        result = child->FindControl(proc, data, flags);
        if (!result) continue;
        if (hitTest && !result->IsFloat() && !::PtInRect(&area, *static_cast<const POINT*>(data))) continue;
        return result;
    }
    return meFirst ? nullptr : CControlUI::FindControl(proc, data, flags);
}

void CContainerUI::HandleEvent(UIEvent& event) {
    if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
        if (m_parent) {
            m_parent->HandleEvent(event);
        } else {
            CControlUI::HandleEvent(event);
        }
        return;
    }
    if (event.type == UIEVENT_SETFOCUS) {
        m_focused = true;
        return;
    }
    if (event.type == UIEVENT_KILLFOCUS) {
        m_focused = false;
        return;
    }
    const bool vertical = m_verticalScrollBar && m_verticalScrollBar->IsVisible() && m_verticalScrollBar->IsEnabled();
    const bool horizontal = !vertical && m_horizontalScrollBar && m_horizontalScrollBar->IsVisible() &&
                            m_horizontalScrollBar->IsEnabled();
    if (vertical || horizontal) {
        if (event.type == UIEVENT_KEYDOWN) {
            switch (event.key) {
                case VK_PRIOR: vertical ? PageUp() : PageLeft(); return;
                case VK_NEXT: vertical ? PageDown() : PageRight(); return;
                case VK_END: vertical ? ScrollToBottom() : ScrollToRightEnd(); return;
                case VK_HOME: vertical ? ScrollToTop() : ScrollToLeftEnd(); return;
                case VK_UP: vertical ? LineUp() : LineLeft(); return;
                case VK_DOWN: vertical ? LineDown() : LineRight(); return;
                default: break;
            }
        } else if (event.type == UIEVENT_SCROLLWHEEL) {
            switch (LOWORD(event.wParam)) {
                case 0: vertical ? LineUp() : LineLeft(); return;
                case 1: vertical ? LineDown() : LineRight(); return;
                default: break;
            }
        }
    }
    CControlUI::HandleEvent(event);
}

void CContainerUI::Paint(HDC hDC, const RECT& rcPaint) {
    RECT visible;
    if (!::IntersectRect(&visible, &rcPaint, &m_rcItem)) return;
    CUIClip clip;
    CUIClip::Create(hDC, visible, clip);
    CControlUI::Paint(hDC, rcPaint);

    if (!m_items.IsEmpty()) {
        const RECT area = ChildrenArea();
        RECT childPaint;
        const bool childrenShown = ::IntersectRect(&childPaint, &rcPaint, &area) != FALSE;
        CUIClip childClip;
        if (childrenShown) CUIClip::Create(hDC, childPaint, childClip);
        for (int i = 0; i < m_items.GetSize(); ++i) {
            CControlUI* child = ChildAt(i);
            if (!child->IsVisible() || !Meets(rcPaint, child->GetPos())) continue;
            if (child->IsFloat()) {
                if (!Meets(m_rcItem, child->GetPos())) continue;
                if (childrenShown) CUIClip::SelectPrevious(hDC, childClip);
                child->Paint(hDC, rcPaint);
                if (childrenShown) CUIClip::SelectOwn(hDC, childClip);
            } else if (childrenShown && Meets(area, child->GetPos())) {
                child->Paint(hDC, rcPaint);
            }
        }
    }
    if (m_verticalScrollBar && m_verticalScrollBar->IsVisible() &&
        Meets(rcPaint, m_verticalScrollBar->GetPos())) {
        m_verticalScrollBar->Paint(hDC, rcPaint);
    }
    if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible() &&
        Meets(rcPaint, m_horizontalScrollBar->GetPos())) {
        m_horizontalScrollBar->Paint(hDC, rcPaint);
    }
}

}  // namespace UIToolkit
