// Layouts: containers that arrange their children in a column, a row, a grid of cells, at
// design positions that stretch as the layout grows, or one at a time as tab pages.
#pragma once

#include "container.h"

namespace UIToolkit {

// Separator drag in progress (bit of the vertical and horizontal layouts' drag state).
const UINT UISTATE_SEPARATOR_DRAG = 0x40;

// The draggable separator band of a vertical or horizontal layout and the state of a drag. A
// positive size puts the band along the far edge (bottom or right), a negative one along the
// near edge (top or left); 0 means no separator. Dragging the band moves that edge and so the
// layout's fixed height (vertical) or width (horizontal).
class CLayoutSeparator {
public:
    explicit CLayoutSeparator(bool horizontal) : m_horizontal(horizontal) {}

    int GetSize() const { return m_size; }
    void SetSize(int size) { m_size = size; }
    bool IsImmediate() const { return m_immediate; }
    // Immediate mode resizes the layout at every mouse move instead of drawing a drag band.
    void SetImmediate(CControlUI& layout, bool immediate);
    bool IsDragging() const { return (m_dragState & UISTATE_SEPARATOR_DRAG) != 0; }
    // The band within the given item rectangle, or within the rectangle the layout will take
    // when the drag ends (useNewPos, only while a drag is under way).
    RECT GetBand(const RECT& itemRect, bool useNewPos) const;

    // Handles the separator's share of the layout's events. itemRect and fixed are the layout's
    // own item rectangle and fixed size, which the drag changes. False when the event is not
    // the separator's (the layout then handles it as a container).
    bool HandleEvent(CControlUI& layout, RECT& itemRect, SIZE& fixed, UIEvent& event);
    // Draws the band where the edge will go while a drag runs in drag-band mode.
    void PostPaint(HDC hDC) const;

private:
    // Moves the dragged edge with the mouse, within the layout's size limits.
    void MoveEdge(CControlUI& layout, RECT& itemRect, SIZE& fixed, POINT mouse);

    int m_size = 0;
    UINT m_dragState = 0;
    POINT m_lastMouse = {0, 0};
    RECT m_newPos = {0, 0, 0, 0};
    bool m_immediate = false;
    const bool m_horizontal;
};

// The column layout: children stacked top to bottom. A non-zero separator height ("sepheight")
// gives a draggable band along the bottom edge (positive) or the top edge (negative) that
// resizes the layout's fixed height.
class CVerticalLayoutUI : public CContainerUI {
public:
    CVerticalLayoutUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    void SetPos(RECT rc) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PostPaint(HDC hDC, const RECT& rcPaint) override;

    int GetSepHeight() const { return m_separator.GetSize(); }
    void SetSepHeight(int height);
    bool IsSepImmMode() const { return m_separator.IsImmediate(); }
    void SetSepImmMode(bool immediate);
    bool IsSeparatorDragging() const { return m_separator.IsDragging(); }
    RECT GetSeparatorRect(bool useNewPos) const;

protected:
    CLayoutSeparator m_separator;
};

// The row layout: children side by side, left to right. A non-zero separator width
// ("sepwidth") gives a draggable band along the right edge (positive) or the left edge
// (negative) that resizes the layout's fixed width.
class CHorizontalLayoutUI : public CContainerUI {
public:
    CHorizontalLayoutUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    void SetPos(RECT rc) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PostPaint(HDC hDC, const RECT& rcPaint) override;

    int GetSepWidth() const { return m_separator.GetSize(); }
    void SetSepWidth(int width);
    bool IsSepImmMode() const { return m_separator.IsImmediate(); }
    void SetSepImmMode(bool immediate);
    bool IsSeparatorDragging() const { return m_separator.IsDragging(); }
    RECT GetSeparatorRect(bool useNewPos) const;

protected:
    CLayoutSeparator m_separator;
};

// A grid of equal-width cells; every row is as high as its highest child. With a positive item
// width the number of columns follows the available width at every layout.
class CTileLayoutUI : public CContainerUI {
public:
    CTileLayoutUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;

    void SetPos(RECT rc) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    SIZE GetItemSize() const { return m_itemSize; }
    void SetItemSize(SIZE size);
    int GetColumns() const { return m_columns; }
    void SetColumns(int columns);

protected:
    SIZE m_itemSize = {0, 0};
    int m_columns = 1;
};

// How a child of a dialog layout follows the layout's growth.
enum UIStretchMode {
    UISTRETCH_NEWGROUP = 0x1,
    UISTRETCH_NEWLINE = 0x2,
    UISTRETCH_MOVE_X = 0x4,
    UISTRETCH_MOVE_Y = 0x8,
    UISTRETCH_SIZE_X = 0x10,
    UISTRETCH_SIZE_Y = 0x20,
};

struct DialogStretchEntry {
    CControlUI* control;  // not owned
    UINT mode;            // UIStretchMode bits
    RECT design;          // design rectangle, relative to the child area's corner after a layout
};

// Children at fixed (design) positions; when the layout is larger than the area they cover,
// the extra width and height are shared out by each child's stretch mode.
class CDialogLayoutUI : public CContainerUI {
public:
    CDialogLayoutUI();
    ~CDialogLayoutUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;

    void SetPos(RECT rc) override;
    SIZE EstimateSize(SIZE available) override;

    // Records how the control stretches, with its current fixed position and size as design
    // rectangle. Returns false when the entry could not be stored.
    bool SetStretchMode(CControlUI* control, UINT mode);

    int GetStretchEntryCount() const { return m_stretch.GetSize(); }
    const DialogStretchEntry* GetStretchEntryAt(int index) const;

protected:
    // Brings the entries in line with the children (child order, current design rectangles),
    // moves the arrangement to the origin and returns the area the visible children cover.
    RECT MeasureChildArea();

    CUIValueArray m_stretch;
};

// Tab pages: only the current child is shown and laid out. Selecting another page sends
// "tabselect" (wParam the new index, lParam the old one).
class CTabLayoutUI : public CContainerUI {
public:
    CTabLayoutUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;

    void SetPos(RECT rc) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    bool SetItemIndex(CControlUI* control, int index) override;

    int GetCurSel() const { return m_curSel; }
    bool SelectItem(int index);

protected:
    int m_curSel = -1;
};

}  // namespace UIToolkit
