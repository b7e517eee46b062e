// The popup menu: a cascade of popup windows, each showing a menu list of menu items. An item
// with child items opens them as a sub-menu in a further window beside it; a click on an item
// posts a window message to the window that owns the menu (message = the list's "MenuID",
// wParam = the item's "ItemID"). All open menu windows register with one process-wide observer
// and close each other through it.
#pragma once

#include <windows.h>

#include <vector>

#include "dialog_builder.h"
#include "list.h"
#include "list_elements.h"
#include "ui_base.h"
#include "window_manager.h"
#include "window_wnd.h"

namespace UIToolkit {

// What a broadcast asks the menu windows to do.
enum ContextMenuParamType : UINT {
    MENU_CLOSE_ALL = 1,         // every menu closes
    MENU_CLOSE_BELOW = 2,       // the menus that descend from hWnd close
};

struct ContextMenuParam {
    UINT type;
    HWND hWnd;
};

class ReceiverImplBase;

class ObserverImplBase {
public:
    virtual void AddReceiver(ReceiverImplBase* receiver) = 0;
    virtual void RemoveReceiver(ReceiverImplBase* receiver) = 0;
    virtual int Broadcast(ContextMenuParam param) = 0;
    virtual int BroadcastReverse(ContextMenuParam param) = 0;
    virtual int Respond(ContextMenuParam param) = 0;

protected:
    ~ObserverImplBase() = default;
};

class ReceiverImplBase {
public:
    virtual void AddObserver(ObserverImplBase* observer) = 0;
    virtual void RemoveFromObservers() = 0;
    virtual bool Receive(ContextMenuParam param) = 0;
    virtual bool Respond(ContextMenuParam param, ObserverImplBase* observer) = 0;

protected:
    ~ReceiverImplBase() = default;
};

// The receivers in registration order (not owned). A broadcast walks a snapshot of them and
// skips every receiver that has left in the meantime, so receivers may come and go while it runs.
class ObserverImpl : public ObserverImplBase {
public:
    ObserverImpl() = default;
    ObserverImpl(const ObserverImpl&) = delete;
    ObserverImpl& operator=(const ObserverImpl&) = delete;
    virtual ~ObserverImpl() = default;

    void AddReceiver(ReceiverImplBase* receiver) override;
    void RemoveReceiver(ReceiverImplBase* receiver) override;
    int Broadcast(ContextMenuParam param) override;
    int BroadcastReverse(ContextMenuParam param) override;
    int Respond(ContextMenuParam param) override;

    int GetReceiverCount() const { return static_cast<int>(m_receivers.size()); }
    bool IsRegistered(const ReceiverImplBase* receiver) const;

    // Visits the receivers in order, skipping null entries.
    class Iterator {
    public:
        explicit Iterator(const ObserverImpl& observer) : m_observer(observer) {}
        // The next receiver, or null at the end.
        ReceiverImplBase* Next();

    private:
        const ObserverImpl& m_observer;
        size_t m_position = 0;
    };

private:
    void Deliver(const std::vector<ReceiverImplBase*>& order, ContextMenuParam param);

    std::vector<ReceiverImplBase*> m_receivers;
};

// A receiver that remembers its observers; it leaves them at the latest when it is destroyed.
class ReceiverImpl : public ReceiverImplBase {
public:
    ReceiverImpl() = default;
    ReceiverImpl(const ReceiverImpl&) = delete;
    ReceiverImpl& operator=(const ReceiverImpl&) = delete;
    virtual ~ReceiverImpl();

    void AddObserver(ObserverImplBase* observer) override;
    void RemoveFromObservers() override;
    bool Receive(ContextMenuParam param) override;
    bool Respond(ContextMenuParam param, ObserverImplBase* observer) override;

private:
    std::vector<ObserverImplBase*> m_observers;
};

// The one observer of all menu windows.
ObserverImpl& GetMenuObserver();

class CMenuWnd;

// A menu level: a list of menu items without a header.
class CMenuUI : public CListUI {
public:
    CMenuUI();
    ~CMenuUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;

    // Only menu items are accepted.
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;

    UINT GetMenuId() const { return m_menuId; }
    void SetMenuId(UINT id) { m_menuId = id; }

private:
    static bool IsMenuItem(CControlUI* control);
    static void HideSubItems(CControlUI* item);

    UINT m_menuId = 0;
};

// A menu item. Its "MenuElement" children form its sub-menu; other children (an arrow picture,
// say) are painted inside the item.
class CMenuElementUI : public CListContainerElementUI {
    friend class CMenuWnd;

public:
    enum : UINT { kStatePushed = 0x10 };

    CMenuElementUI();
    ~CMenuElementUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    bool Activate() override;
    void SetPos(RECT rc) override;
    void HandleEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;
    void DrawItemText(HDC hDC, const RECT& rcItem) override;

    UINT GetItemId() const { return m_itemId; }
    void SetItemId(UINT id) { m_itemId = id; }
    CMenuWnd* GetSubMenuWindow() const { return m_subMenu; }
    // Makes the sub-items visible; true when the item has any.
    bool ShowSubItems();
    // Opens the sub-menu window unless it is open already.
    void OpenSubMenu();

private:
    static bool IsMenuItem(CControlUI* control);
    HWND GetItemWindow() const;
    // Closes every menu (a leaf was chosen).
    void CloseAllMenus();

    CMenuWnd* m_subMenu = nullptr;
    UINT m_itemId = 0;
};

// Builder callback of menu layouts: "Menu" and "MenuElement" (any case).
class CMenuBuilderCallback : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* className) override;
};

// One menu window. It deletes itself when its window is gone.
class CMenuWnd : public CWindowWnd, public INotifyUI, public ReceiverImpl {
    friend class CMenuElementUI;

public:
    // hWndOwner receives the menu messages.
    explicit CMenuWnd(HWND hWndOwner);

    // Creates and shows the menu: a top-level menu (owner null) from the layout at (x, y) in
    // screen coordinates, or the sub-menu of the owner item beside its menu. False when the
    // window cannot be made (the object is then gone).
    bool Init(CMenuElementUI* owner, LayoutSource source, const wchar_t* type, int x, int y);

    void Notify(UINotify& msg) override;
    bool Receive(ContextMenuParam param) override;

    CWindowManagerUI& GetManager() { return m_pm; }
    CMenuElementUI* GetOwnerItem() const { return m_owner; }
    CMenuUI* GetSubMenuList() const { return m_layout; }
    // The window the menu messages go to (a sub-menu posts to its top-level menu's owner).
    HWND GetNotifyWindow() const { return m_hWndNotify; }

    // The registered menu window with this handle, or null.
    static CMenuWnd* FindMenuWindow(HWND hWnd);
    // The text of the most recent menu choice; the lParam of the posted message points here and
    // stays valid until the next choice.
    static const wchar_t* GetLastChoiceText();

protected:
    const wchar_t* GetWindowClassName() const override { return L"MenuWnd"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

private:
    LRESULT OnCreateTopLevel();
    LRESULT OnCreateSubMenu();
    RECT PlaceSubMenu(SIZE size) const;
    // Gives a sub-menu's items back to their owner item (once).
    void ReturnItems();
    // Forgets the owner item without touching it again (it is going away).
    void DetachOwner();
    // Leaves the observer and gives back what was lent; safe to call more than once.
    void Release();

    HWND m_hWndOwner;
    HWND m_hWndNotify;
    POINT m_basePoint = {0, 0};
    LayoutSource m_source;
    CUIString m_type;
    CWindowManagerUI m_pm;
    CMenuElementUI* m_owner = nullptr;
    CMenuUI* m_layout = nullptr;
    bool m_itemsReturned = false;
    bool m_creating = false;
};

}  // namespace UIToolkit
