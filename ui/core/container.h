// Containers: the control that owns an ordered list of child controls, with insets, optional
// scroll bars, hit testing and painting that recurse into the children.
#pragma once

#include "control.h"

namespace UIToolkit {

class CScrollBarUI;

// Child access of every container.
class IContainerUI {
public:
    virtual CControlUI* GetItemAt(int index) const = 0;
    virtual int GetItemIndex(CControlUI* control) const = 0;
    virtual bool SetItemIndex(CControlUI* control, int index) = 0;
    virtual int GetCount() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool AddAt(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control) = 0;
    virtual bool RemoveAt(int index) = 0;
    virtual void RemoveAll() = 0;

protected:
    ~IContainerUI() = default;
};

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;

    // IContainerUI
    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    // Overridden base operations.
    void SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc) override;
    void SetVisible(bool visible = true) override;
    void SetInternalVisible(bool visible = true) override;
    void SetMouseEnabled(bool enable = true) override;
    CControlUI* FindControl(FindControlProc proc, LPVOID data, UINT flags) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;

    // Container operations.
    virtual RECT GetInset() const;
    virtual void SetInset(RECT inset);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int padding);
    virtual bool IsAutoDestroy() const;
    virtual void SetAutoDestroy(bool autoDestroy);
    virtual bool IsDelayedDestroy() const;
    virtual void SetDelayedDestroy(bool delayed);
    virtual bool IsMouseChildEnabled() const;
    virtual void SetMouseChildEnabled(bool enable = true);
    virtual int FindSelectableItem(int index, bool forward = true) const;

    virtual SIZE GetScrollPos() const;
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE pos);
    virtual void LineUp();
    virtual void LineDown();
    virtual void PageUp();
    virtual void PageDown();
    virtual void ScrollToTop();
    virtual void ScrollToBottom();
    virtual void LineLeft();
    virtual void LineRight();
    virtual void PageLeft();
    virtual void PageRight();
    virtual void ScrollToLeftEnd();
    virtual void ScrollToRightEnd();
    virtual void EnableScrollBars(bool vertical = true, bool horizontal = false);
    virtual CScrollBarUI* GetVerticalScrollBar() const;
    virtual CScrollBarUI* GetHorizontalScrollBar() const;
    virtual void PlaceFloatChild(int index);
    virtual void UpdateScrollBars(RECT rc, int requiredWidth, int requiredHeight);

protected:
    // The item rectangle less the inset and the visible scroll bars.
    RECT ChildrenArea() const;
    // Hands a removed child to delayed cleanup or deletes it, as the destroy flags say; the
    // child must already be out of the list.
    void DisposeChild(CControlUI* control);
    int VerticalLineStep() const;
    // The container's own child at index (null outside the list). The container and the
    // layouts walk their own children through this, never through the virtual GetItemAt,
    // which a derived control (the list) may answer with the items of an inner container.
    CControlUI* ChildAt(int index) const { return static_cast<CControlUI*>(m_items.GetAt(index)); }

    CUIPtrArray m_items;
    RECT m_inset = {0, 0, 0, 0};
    int m_childPadding = 0;
    bool m_autoDestroy = true;
    bool m_delayedDestroy = true;
    bool m_mouseChildEnabled = true;
    bool m_scrollProcessing = false;
    CScrollBarUI* m_verticalScrollBar = nullptr;
    CScrollBarUI* m_horizontalScrollBar = nullptr;
};

}  // namespace UIToolkit
