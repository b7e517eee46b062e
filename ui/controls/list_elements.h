// The items of lists, combo boxes, the play-list tree and menus: one-control rows (label rows and
// multi-column text rows) and rows that are containers of child controls. Each knows its index
// and owner, keeps its selected and hot state, paints itself from the owner's ListItemStyle and
// turns input into "itemclick", "itemdbclick", "itemactivate", "itemclick_r" and "link".
#pragma once

#include <windows.h>

#include "container.h"
#include "control.h"
#include "list.h"
#include "ui_base.h"

namespace UIToolkit {

// The abstract base of one-control items; DrawItemText is left to the row classes.
class CListElementUI : public CControlUI, public IListItemUI {
public:
    // Button state bit of a hot (hovered) item.
    enum : UINT { kStateHot = 0x8 };

    CListElementUI();
    ~CListElementUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetVisible(bool visible = true) override;
    void SetEnabled(bool enable = true) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    // IListItemUI
    int GetIndex() const override;
    void SetIndex(int index) override;
    IListOwnerUI* GetOwner() override;
    void SetOwner(CControlUI* owner) override;
    bool IsSelected() const override;
    bool Select(bool select = true) override;
    bool IsExpanded() const override;
    bool Expand(bool expand = true) override;

    bool IsHot() const { return (m_buttonState & kStateHot) != 0; }
    UINT GetButtonState() const { return m_buttonState; }

    void DrawItemBk(HDC hDC, const RECT& rcItem);
    // Redraws the part of the item that its ancestors let show.
    void InvalidateItem();

protected:
    int m_index;
    bool m_selected;
    UINT m_buttonState;
    IListOwnerUI* m_owner;
};

// A row that shows its own text in one line.
class CListLabelElementUI : public CListElementUI {
public:
    CListLabelElementUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void HandleEvent(UIEvent& event) override;
    SIZE EstimateSize(SIZE available) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;
    void DrawItemText(HDC hDC, const RECT& rcItem) override;
};

// A multi-column row whose cells come from the list's text callback; links in tagged cell texts
// are clickable (at most kMaxLinks per row, counted across the cells in column order).
class CListTextElementUI : public CListLabelElementUI {
public:
    enum { kMaxLinks = 8 };

    CListTextElementUI();
    ~CListTextElementUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void HandleEvent(UIEvent& event) override;
    SIZE EstimateSize(SIZE available) override;
    void SetOwner(CControlUI* owner) override;
    void DrawItemText(HDC hDC, const RECT& rcItem) override;

    using CListLabelElementUI::GetText;
    // The stored text of a column, or null.
    const wchar_t* GetText(int column) const;

    int GetLinkCount() const { return m_linkCount; }
    // The rectangle and target of link slot index as the last paint left them; an empty
    // rectangle and text outside the slots.
    RECT GetLinkRect(int index) const;
    const wchar_t* GetLinkText(int index) const;
    int GetHoverLink() const { return m_hoverLink; }

private:
    int LinkAt(POINT pt) const;

    int m_linkCount;
    RECT m_links[kMaxLinks];
    CUIString m_linkTexts[kMaxLinks];
    int m_hoverLink;
    IListUI* m_list;
    CUIPtrArray m_columnTexts;   // owned CUIString pointers
};

// An item that is a container of child controls; the children show its content.
class CListContainerElementUI : public CContainerUI, public IListItemUI {
public:
    enum : UINT { kStateHot = 0x8 };

    CListContainerElementUI();
    ~CListContainerElementUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetVisible(bool visible = true) override;
    void SetEnabled(bool enable = true) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;

    // IListItemUI
    int GetIndex() const override;
    void SetIndex(int index) override;
    IListOwnerUI* GetOwner() override;
    void SetOwner(CControlUI* owner) override;
    bool IsSelected() const override;
    bool Select(bool select = true) override;
    bool IsExpanded() const override;
    bool Expand(bool expand = true) override;
    void DrawItemText(HDC hDC, const RECT& rcItem) override;

    bool IsHot() const { return (m_buttonState & kStateHot) != 0; }
    UINT GetButtonState() const { return m_buttonState; }

    void DrawItemBk(HDC hDC, const RECT& rcItem);
    void InvalidateItem();

protected:
    // wParam of "itemclick" and "itemclick_r": the first child with the focus, or the count.
    int FocusedChildIndex() const;

    int m_index;
    bool m_selected;
    UINT m_buttonState;
    IListOwnerUI* m_owner;
};

}  // namespace UIToolkit
