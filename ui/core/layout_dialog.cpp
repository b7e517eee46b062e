// The dialog layout: children keep their design positions; when the layout is larger than the
// area they cover, the extra room goes to the children by their stretch modes, group by group.
#include <cwchar>
#include <vector>

#include "layout_support.h"
#include "layouts.h"

namespace UIToolkit {

using namespace LayoutSupport;

namespace {

RECT DesignRect(const CControlUI& control) {
    const SIZE xy = control.GetFixedXY();
    return RECT{xy.cx, xy.cy, xy.cx + control.GetFixedWidth(), xy.cy + control.GetFixedHeight()};
}

bool HasSizeBit(UINT mode) { return (mode & (UISTRETCH_SIZE_X | UISTRETCH_SIZE_Y)) != 0; }

}  // namespace

CDialogLayoutUI::CDialogLayoutUI() : m_stretch(sizeof(DialogStretchEntry)) {}

CDialogLayoutUI::~CDialogLayoutUI() = default;

const wchar_t* CDialogLayoutUI::GetClassName() const { return L"DialogLayoutUI"; }

void* CDialogLayoutUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"DialogLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

bool CDialogLayoutUI::SetStretchMode(CControlUI* control, UINT mode) {
    if (control == nullptr) return false;
    const DialogStretchEntry entry = {control, mode, DesignRect(*control)};
    return m_stretch.Add(&entry);
}

const DialogStretchEntry* CDialogLayoutUI::GetStretchEntryAt(int index) const {
    if (index < 0 || index >= m_stretch.GetSize()) return nullptr;
    return static_cast<const DialogStretchEntry*>(m_stretch.GetAt(index));
}

RECT CDialogLayoutUI::MeasureChildArea() {
    // One entry per child, in child order; entries of former children are dropped (their
    // controls may be gone, so they are only compared, never used).
    std::vector<DialogStretchEntry> entries;
    entries.reserve(static_cast<size_t>(m_items.GetSize()));
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ChildAt(i);
        DialogStretchEntry entry = {child, UISTRETCH_NEWGROUP, DesignRect(*child)};
        for (int j = 0; j < m_stretch.GetSize(); ++j) {
            const DialogStretchEntry* known = GetStretchEntryAt(j);
            if (known->control == child) {
                entry.mode = known->mode;
                break;
            }
        }
        entries.push_back(entry);
    }

    // The area the visible, placed children cover; nothing visible covers an empty area.
    bool any = false;
    CUIRect area;
    for (const DialogStretchEntry& entry : entries) {
        if (!entry.control->IsVisible() || entry.control->IsFloat()) continue;
        if (any) {
            area.Join(entry.design);
        } else {
            area = entry.design;
            any = true;
        }
    }

    m_stretch.Empty();
    for (DialogStretchEntry& entry : entries) {
        ::OffsetRect(&entry.design, -area.left, -area.top);
        m_stretch.Add(&entry);
    }
    return area;
}

SIZE CDialogLayoutUI::EstimateSize(SIZE available) {
    const CUIRect area(MeasureChildArea());
    SIZE size = {area.GetWidth(), area.GetHeight()};
    if (m_verticalScrollBar != nullptr) {
        size.cx = std::min(size.cx, available.cx);
        size.cy = std::min(size.cy, available.cy);
    }
    return size;
}

void CDialogLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    if (m_items.IsEmpty()) return;

    const CUIRect area(MeasureChildArea());
    RECT inner = Shrink(m_rcItem, m_inset);
    if (IsShown(m_horizontalScrollBar)) {
        inner.bottom = std::max(inner.top, inner.bottom - m_horizontalScrollBar->GetFixedHeight());
        m_horizontalScrollBar->SetPos(RECT{inner.left, inner.bottom, inner.right,
                                           inner.bottom + m_horizontalScrollBar->GetFixedHeight()});
    }
    if (m_verticalScrollBar != nullptr) {
        const bool wasShown = m_verticalScrollBar->IsVisible();
        if (wasShown) inner.right = std::max(inner.left, inner.right - m_verticalScrollBar->GetFixedWidth());
        UpdateScrollBars(inner, 0, area.GetHeight());
        if (m_verticalScrollBar != nullptr && m_verticalScrollBar->IsVisible() != wasShown) {
            if (wasShown) {
                inner.right += m_verticalScrollBar->GetFixedWidth();
            } else {
                inner.right = std::max(inner.left, inner.right - m_verticalScrollBar->GetFixedWidth());
            }
        }
    }

    const int extraWidth = std::max(0, static_cast<int>(inner.right - inner.left) - area.GetWidth());
    const int extraHeight = std::max(0, static_cast<int>(inner.bottom - inner.top) - area.GetHeight());
    const int originX = inner.left - ShownPos(m_horizontalScrollBar);
    const int originY = inner.top - ShownPos(m_verticalScrollBar);

    bool groupStarted = false;
    int stretchX = 0, stretchY = 0, moveX = 0, moveY = 0;
    // The table is read afresh at every step: a child's own handlers may lay this layout out
    // again, which rebuilds it.
    for (int i = 0; i < m_stretch.GetSize(); ++i) {
        const DialogStretchEntry entry = *GetStretchEntryAt(i);
        CControlUI* control = entry.control;
        if (!control->IsVisible()) continue;
        if (control->IsFloat()) {
            PlaceFloatChild(m_items.Find(control));
            continue;
        }
        // A group starts at the first placed entry and at every entry with the group bit; its
        // extra room is shared by the entries up to the next group or line that have a size bit.
        if (!groupStarted || (entry.mode & UISTRETCH_NEWGROUP) != 0) {
            groupStarted = true;
            int sharers = 0;
            for (int j = i + 1; j < m_stretch.GetSize(); ++j) {
                const UINT mode = GetStretchEntryAt(j)->mode;
                if ((mode & (UISTRETCH_NEWGROUP | UISTRETCH_NEWLINE)) != 0) break;
                if (HasSizeBit(mode)) ++sharers;
            }
            if (sharers < 1) sharers = 1;
            stretchX = extraWidth / sharers;
            stretchY = extraHeight / sharers;
            moveX = moveY = 0;
        }
        if ((entry.mode & UISTRETCH_NEWLINE) != 0) moveX = moveY = 0;

        RECT pos = entry.design;
        ::OffsetRect(&pos, originX, originY);
        if ((entry.mode & UISTRETCH_MOVE_X) != 0) ::OffsetRect(&pos, moveX, 0);
        if ((entry.mode & UISTRETCH_MOVE_Y) != 0) ::OffsetRect(&pos, 0, moveY);
        if ((entry.mode & UISTRETCH_SIZE_X) != 0) pos.right += stretchX;
        if ((entry.mode & UISTRETCH_SIZE_Y) != 0) pos.bottom += stretchY;
        if (HasSizeBit(entry.mode)) {
            moveX += stretchX;
            moveY += stretchY;
        }
        pos.right = pos.left + ClampWidth(*control, pos.right - pos.left);
        pos.bottom = pos.top + ClampHeight(*control, pos.bottom - pos.top);
        control->SetPos(pos);
    }
}

}  // namespace UIToolkit
