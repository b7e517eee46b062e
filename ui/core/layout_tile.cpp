// The grid layout: equal-width cells, rows as high as their highest child, each child centred
// in its cell.
#include <cwchar>

#include "layout_support.h"
#include "layouts.h"

namespace UIToolkit {

using namespace LayoutSupport;

namespace {

// The horizontal extent of a cell for its child: the child's padding comes off both sides, and
// half the child padding off every side that faces a neighbouring column.
struct CellSpan {
    long long left;
    long long right;
};

CellSpan InnerSpan(long long cellLeft, int cellWidth, const RECT& padding, int half, bool firstInRow,
                   bool lastInRow) {
    CellSpan span = {cellLeft + padding.left, cellLeft + cellWidth - padding.right};
    if (!firstInRow) span.left += half;
    if (!lastInRow) span.right -= half;
    return span;
}

}  // namespace

CTileLayoutUI::CTileLayoutUI() = default;

const wchar_t* CTileLayoutUI::GetClassName() const { return L"TileLayoutUI"; }

void* CTileLayoutUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"TileLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

void CTileLayoutUI::SetItemSize(SIZE size) {
    if (m_itemSize.cx == size.cx && m_itemSize.cy == size.cy) return;
    m_itemSize = size;
    RequestLayout();
}

void CTileLayoutUI::SetColumns(int columns) {
    if (columns <= 0) return;
    m_columns = columns;
    RequestLayout();
}

void CTileLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr) return;
    if (wcscmp(name, L"itemsize") == 0) {
        int values[2] = {0, 0};
        ParseIntList(value, values, 2);
        SetItemSize(SIZE{values[0], values[1]});
    } else if (wcscmp(name, L"columns") == 0) {
        SetColumns(ParseInt(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CTileLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const RECT inner = Shrink(m_rcItem, m_inset);
    if (m_items.IsEmpty()) {
        UpdateScrollBars(inner, 0, 0);
        return;
    }
    const RECT area = WithoutBars(inner, m_verticalScrollBar, m_horizontalScrollBar);
    const int areaWidth = area.right - area.left;

    if (m_itemSize.cx > 0) m_columns = areaWidth / m_itemSize.cx;
    if (m_columns <= 0) m_columns = 1;
    const int columns = m_columns;
    const int cellWidth = ToInt((static_cast<long long>(areaWidth) + ShownRange(m_horizontalScrollBar)) / columns);
    const int half = m_childPadding / 2;

    const long long rowStartX = area.left - ShownPos(m_horizontalScrollBar);
    long long originX = rowStartX;
    long long originY = area.top - ShownPos(m_verticalScrollBar);
    long long rowHeight = 0;
    long long needed = 0;
    int count = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ChildAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            PlaceFloatChild(i);
            continue;
        }
        const int column = count % columns;
        if (column == 0) {
            // A row starts: it is as high as the highest of its children.
            rowHeight = 0;
            int inRow = 0;
            for (int j = i; j < m_items.GetSize() && inRow < columns; ++j) {
                CControlUI* member = ChildAt(j);
                if (!member->IsVisible() || member->IsFloat()) continue;
                const RECT padding = member->GetPadding();
                // The room a child of this row is offered: the cell less its margins, less half
                // the child padding at either end of the row and the full padding between.
                const bool rowEnd = inRow == 0 || inRow == columns - 1;
                const long long room = static_cast<long long>(cellWidth) - padding.left - padding.right -
                                       (rowEnd ? half : m_childPadding);
                const int width = ClampWidth(*member, ToInt(room));
                const SIZE estimate = member->EstimateSize(NonNegative(SIZE{width, 9999}));
                const int height = ClampHeight(*member, estimate.cy);
                rowHeight = std::max<long long>(rowHeight, static_cast<long long>(height) + padding.top + padding.bottom);
                ++inRow;
            }
        }

        const RECT padding = child->GetPadding();
        const CellSpan span = InnerSpan(originX, cellWidth, padding, half, column == 0, column == columns - 1);
        const long long cellTop = originY + padding.top;
        const long long cellBottom = originY + rowHeight;
        const SIZE cell = {ToInt(span.right - span.left), ToInt(cellBottom - cellTop)};
        const SIZE estimate = child->EstimateSize(NonNegative(cell));
        int width = estimate.cx != 0 ? estimate.cx : cell.cx;
        int height = estimate.cy != 0 ? estimate.cy : cell.cy;
        width = std::max(0, ClampWidth(*child, width));
        height = std::max(0, ClampHeight(*child, height));

        const long long left = (span.left + span.right - width) / 2;
        const long long top = (cellTop + cellBottom - height) / 2;
        child->SetPos(RECT{ToInt(left), ToInt(top), ToInt(left + width), ToInt(top + height)});

        ++count;
        if (count % columns == 0) {
            originX = rowStartX;
            originY += rowHeight + m_childPadding;
            rowHeight = 0;
        } else {
            originX += cellWidth;
        }
        needed = cellBottom - area.top + ShownPos(m_verticalScrollBar);
    }
    UpdateScrollBars(area, 0, ToInt(needed));
}

}  // namespace UIToolkit
