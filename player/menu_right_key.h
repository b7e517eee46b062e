// The player's three right-click menus: the tray (system) menu and the two list menus. Each is a
// borderless window built from a layout resource; choosing an item tells the main window and closes
// the menu, as do Esc and the loss of the focus.
#pragma once

#include "ui_controls.h"

namespace VelaUI {

using UIToolkit::CControlUI;
using UIToolkit::CWindowManagerUI;
using UIToolkit::UINotify;

// The process-wide always-on-top flag that the tray menu's item 3 toggles.
bool IsAlwaysOnTop();
void SetAlwaysOnTop(bool on);

// What the menus share. Made with new; deletes itself when its window is destroyed.
class MenuRightKeyBase : public UIToolkit::CWindowWnd, public UIToolkit::INotifyUI {
public:
    CWindowManagerUI& GetManager() { return m_pm; }

protected:
    MenuRightKeyBase(UINT layoutId, const wchar_t* className, const wchar_t* layoutFile);

    const wchar_t* GetWindowClassName() const override { return m_className; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

    // Creates the menu as a tool window of parent at the requested screen point and shows it.
    void Open(HWND parent, int x, int y);
    // Fills in what the layout cannot know, before the menu is placed.
    virtual void OnLayoutBuilt() {}
    // The item number k of "MenuElement_k" (1 to maxItem), or 0.
    static int ItemNumber(CControlUI* sender, int maxItem);

    CWindowManagerUI m_pm;
    int m_x = 0;
    int m_y = 0;

private:
    LRESULT OnCreate();
    void FitToWorkArea();

    UINT m_layoutId;
    const wchar_t* m_className;
    UIToolkit::CUIString m_layoutFile;  // stored only: the layout is always the resource
};

// The menu of the track list ("播放", "下载", "删除"); items answer with the queued notification
// "menu_PlayList" to the list that asked for the menu.
class MenuRightKey_PlayList : public MenuRightKeyBase {
public:
    explicit MenuRightKey_PlayList(const wchar_t* layoutFile);
    // Shows the menu for the owner control at a screen point; a null owner does nothing (the
    // object is then deleted).
    void ShowAt(CControlUI* owner, int x, int y);
    void Notify(UINotify& msg) override;

protected:
    MenuRightKey_PlayList(UINT layoutId, const wchar_t* className, const wchar_t* layoutFile,
                          const wchar_t* notification);

private:
    CControlUI* m_owner = nullptr;
    const wchar_t* m_notification;
};

// The menu of the play-list tree; items answer with "menu_PlayList_Manage".
class MenuRightKey_PlayListManage : public MenuRightKey_PlayList {
public:
    explicit MenuRightKey_PlayListManage(const wchar_t* layoutFile);
};

// The tray (system) menu; item k posts message 1080 + k to the top-level window.
class MenuRightKey_Tray : public MenuRightKeyBase {
public:
    explicit MenuRightKey_Tray(const wchar_t* layoutFile);
    // Shows the menu at a screen point for the window; a null window does nothing (the object is
    // then deleted).
    void ShowAt(HWND owner, int x, int y);
    void Notify(UINotify& msg) override;

protected:
    void OnLayoutBuilt() override;

private:
    HWND m_receiver = nullptr;
};

// The text of the always-on-top item for the flag.
const wchar_t* TopmostItemText(bool on);

}  // namespace VelaUI
