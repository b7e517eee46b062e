// The list control: a header row of columns over a scrolling body of items, with one shared
// appearance record for the items, a single selection, keyboard and wheel navigation and an
// optional callback that supplies the texts of multi-column rows. Also the four list interfaces
// that the combo box, the play-list tree and the popup menu share.
#pragma once

#include <windows.h>

#include "container.h"
#include "layouts.h"
#include "ui_base.h"

namespace UIToolkit {

class CListHeaderUI;
class CListBodyUI;
class CListUI;

// Appearance of the items of a list or combo box; every item paints with its owner's record.
struct ListItemStyle {
    enum { kMaxColumns = 32 };

    int columnCount = 0;                 // header columns taken into account, at most kMaxColumns
    RECT columns[kMaxColumns] = {};      // column rectangles in window coordinates
    int font = -1;                       // index into the manager's fonts, -1 = default font
    UINT textStyle = DT_VCENTER;         // DrawText format; items add DT_SINGLELINE
    RECT textPadding = {0, 0, 0, 0};
    DWORD textColor = 0xFF000000;
    DWORD bkColor = 0;
    CUIString bkImage;
    bool alternateBk = false;            // stored only; no drawing step reads it
    DWORD selectedTextColor = 0xFF000000;
    DWORD selectedBkColor = 0xFFC1E3FF;
    CUIString selectedImage;
    DWORD hotTextColor = 0xFF000000;
    DWORD hotBkColor = 0xFFE9F5FF;
    CUIString hotImage;
    DWORD disabledTextColor = 0xFFCCCCCC;
    DWORD disabledBkColor = 0xFFFFFFFF;
    CUIString disabledImage;
    DWORD lineColor = 0;                 // 0: no line under each item
    bool showHtml = false;               // item texts are tagged text
};

// The owner of list items (the list, the combo box); items reach it through their owner control's
// GetInterface(L"IListOwner").
class IListOwnerUI {
public:
    virtual ListItemStyle* GetListItemStyle() = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SelectItem(int index, bool takeFocus = false) = 0;
    // The owner control's own event handling; items pass the events they do not handle here.
    virtual void HandleEvent(UIEvent& event) = 0;

protected:
    ~IListOwnerUI() = default;
};

// Supplies the cell texts of multi-column text rows. The text belongs to the callback and is
// only read while the cell is drawn; null draws nothing.
class IListCallbackUI {
public:
    virtual const wchar_t* GetItemText(CControlUI* row, int index, int column) = 0;

protected:
    ~IListCallbackUI() = default;
};

class IListUI : public IListOwnerUI {
public:
    virtual CListHeaderUI* GetHeader() const = 0;
    virtual CListBodyUI* GetBody() const = 0;
    virtual IListCallbackUI* GetTextCallback() const = 0;
    virtual void SetTextCallback(IListCallbackUI* callback) = 0;
    virtual bool ExpandItem(int index, bool expand = true) = 0;
    virtual int GetExpandedItem() const = 0;

protected:
    ~IListUI() = default;
};

// Implemented by every list element; reached through GetInterface(L"ListItem").
class IListItemUI {
public:
    virtual int GetIndex() const = 0;
    virtual void SetIndex(int index) = 0;
    virtual IListOwnerUI* GetOwner() = 0;
    virtual void SetOwner(CControlUI* owner) = 0;
    virtual bool IsSelected() const = 0;
    virtual bool Select(bool select = true) = 0;
    virtual bool IsExpanded() const = 0;
    virtual bool Expand(bool expand = true) = 0;
    virtual void DrawItemText(HDC hDC, const RECT& rcItem) = 0;

protected:
    ~IListItemUI() = default;
};

// The scrolling part of a list that holds the items.
class CListBodyUI : public CVerticalLayoutUI {
public:
    explicit CListBodyUI(CListUI* owner);
    ~CListBodyUI() override;

    CListUI* GetOwnerList() const { return m_owner; }

    void SetPos(RECT rc) override;
    void HandleEvent(UIEvent& event) override;
    void SetScrollPos(SIZE pos) override;

private:
    // The summed width of the owner's header columns, or -1 when the header has none.
    int HeaderRequiredWidth(const RECT& rc) const;

    CListUI* m_owner;
};

class CListUI : public CVerticalLayoutUI, public IListUI {
public:
    CListUI();
    ~CListUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    void SetPos(RECT rc) override;
    // The container's search runs over the list's own children (header and body), which are
    // never items; the list searches its body's items instead.
    int FindSelectableItem(int index, bool forward = true) const override;

    // Overrides both the control's and the owner interface's HandleEvent.
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    int GetChildPadding() const override;
    void SetChildPadding(int padding) override;

    // IContainerUI: items live in the body; headers and header items are routed to the header.
    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    // Scrolling is the body's.
    SIZE GetScrollPos() const override;
    SIZE GetScrollRange() const override;
    void SetScrollPos(SIZE pos) override;
    void LineUp() override;
    void LineDown() override;
    void PageUp() override;
    void PageDown() override;
    void ScrollToTop() override;
    void ScrollToBottom() override;
    void LineLeft() override;
    void LineRight() override;
    void PageLeft() override;
    void PageRight() override;
    void ScrollToLeftEnd() override;
    void ScrollToRightEnd() override;
    void EnableScrollBars(bool vertical = true, bool horizontal = false) override;
    CScrollBarUI* GetVerticalScrollBar() const override;
    CScrollBarUI* GetHorizontalScrollBar() const override;

    // IListOwnerUI / IListUI
    ListItemStyle* GetListItemStyle() override;
    int GetCurSel() const override;
    bool SelectItem(int index, bool takeFocus = false) override;
    CListHeaderUI* GetHeader() const override;
    CListBodyUI* GetBody() const override;
    IListCallbackUI* GetTextCallback() const override;
    void SetTextCallback(IListCallbackUI* callback) override;
    bool ExpandItem(int index, bool expand = true) override;
    int GetExpandedItem() const override;

    void EnsureVisible(int index);
    void Scroll(int dx, int dy);

    bool IsScrollSelect() const { return m_scrollSelect; }
    void SetScrollSelect(bool scrollSelect);
    bool IsMultiExpanding() const { return m_multiExpanding; }
    void SetMultiExpanding(bool multiExpanding);

    // ---- Item style ----
    void SetItemFont(int index);
    void SetItemTextStyle(UINT style);
    void SetItemTextPadding(RECT padding);
    void SetItemTextColor(DWORD color);
    void SetItemBkColor(DWORD color);
    void SetItemBkImage(const wchar_t* image);
    void SetAlternateBk(bool alternate);
    void SetSelectedItemTextColor(DWORD color);
    void SetSelectedItemBkColor(DWORD color);
    void SetSelectedItemImage(const wchar_t* image);
    void SetHotItemTextColor(DWORD color);
    void SetHotItemBkColor(DWORD color);
    void SetHotItemImage(const wchar_t* image);
    void SetDisabledItemTextColor(DWORD color);
    void SetDisabledItemBkColor(DWORD color);
    void SetDisabledItemImage(const wchar_t* image);
    void SetItemLineColor(DWORD color);
    void SetItemShowHtml(bool showHtml = true);

    int GetItemFont() const { return m_style.font; }
    UINT GetItemTextStyle() const { return m_style.textStyle; }
    RECT GetItemTextPadding() const { return m_style.textPadding; }
    DWORD GetItemTextColor() const { return m_style.textColor; }
    DWORD GetItemBkColor() const { return m_style.bkColor; }
    const wchar_t* GetItemBkImage() const { return m_style.bkImage; }
    bool IsAlternateBk() const { return m_style.alternateBk; }
    DWORD GetSelectedItemTextColor() const { return m_style.selectedTextColor; }
    DWORD GetSelectedItemBkColor() const { return m_style.selectedBkColor; }
    const wchar_t* GetSelectedItemImage() const { return m_style.selectedImage; }
    DWORD GetHotItemTextColor() const { return m_style.hotTextColor; }
    DWORD GetHotItemBkColor() const { return m_style.hotBkColor; }
    const wchar_t* GetHotItemImage() const { return m_style.hotImage; }
    DWORD GetDisabledItemTextColor() const { return m_style.disabledTextColor; }
    DWORD GetDisabledItemBkColor() const { return m_style.disabledBkColor; }
    const wchar_t* GetDisabledItemImage() const { return m_style.disabledImage; }
    DWORD GetItemLineColor() const { return m_style.lineColor; }
    bool IsItemShowHtml() const { return m_style.showHtml; }

    // Takes the header items' rectangles as the column rectangles, after moving the items left
    // by the horizontal shift (the rows' horizontal scroll).
    void UpdateColumnRects(int horizontalShift);

    // The DrawText format with the alignment words of an "itemalign" value applied.
    static UINT ApplyAlignment(UINT style, const wchar_t* value);

protected:
    static bool IsHeaderControl(CControlUI* control);
    static bool IsHeaderItemControl(CControlUI* control);
    // Renumbers the "ListItem" items of the body from first to last (both included).
    void RenumberItems(int first, int last);
    void RefreshColumnCount();
    bool AddHeader(CControlUI* control);
    // Takes a header out of the list's own children (the current header leaves the list headless).
    bool RemoveOwnChild(CControlUI* control);
    // The common part of removing the body's item at the index.
    bool RemoveItemAt(int index);
    // Selects, with focus, the nearest selectable item from start in the direction (none found
    // deselects).
    void SelectNearest(int start, bool forward);

    bool m_scrollSelect;
    int m_curSel;
    int m_expandedItem;
    IListCallbackUI* m_callback;
    CListBodyUI* m_body;
    CListHeaderUI* m_header;
    ListItemStyle m_style;
    bool m_multiExpanding;
};

}  // namespace UIToolkit
