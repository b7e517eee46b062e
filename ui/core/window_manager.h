// The per-window manager of the UI framework: turns window messages into control events, lays
// out and paints the control tree off-screen, and offers timers, focus, tooltips, notifications,
// option groups, fonts, images and default attribute lists to controls and forms.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "gdi_owners.h"
#include "ui_base.h"

namespace UIToolkit {

class CControlUI;
class CWindowManagerUI;
struct UIImageInfo;
struct ZipHandle;

// Event types shared by every control. Mouse events are exactly the types between
// UIEVENT__MOUSEBEGIN and UIEVENT__MOUSEEND (exclusive).
enum UIEventType {
    UIEVENT__FIRST = 1,
    UIEVENT__KEYBEGIN = 2,
    UIEVENT_KEYDOWN = 3,
    UIEVENT_KEYUP = 4,
    UIEVENT_CHAR = 5,
    UIEVENT_SYSKEY = 6,
    UIEVENT__KEYEND = 7,
    UIEVENT__MOUSEBEGIN = 8,
    UIEVENT_MOUSEMOVE = 9,
    UIEVENT_MOUSELEAVE = 10,
    UIEVENT_MOUSEENTER = 11,
    UIEVENT_MOUSEHOVER = 12,
    UIEVENT_BUTTONDOWN = 13,
    UIEVENT_BUTTONUP = 14,
    UIEVENT_RBUTTONDOWN = 15,
    UIEVENT_DBLCLICK = 16,
    UIEVENT_CONTEXTMENU = 17,
    UIEVENT_SCROLLWHEEL = 18,
    UIEVENT__MOUSEEND = 19,
    UIEVENT_KILLFOCUS = 20,
    UIEVENT_SETFOCUS = 21,
    UIEVENT_WINDOWSIZE = 22,
    UIEVENT_SETCURSOR = 23,
    UIEVENT_TIMER = 24,
    UIEVENT__LAST = 25,
};

// Key-state bits of UIEvent::keyState (MapKeyState).
enum UIKeyState {
    UIKEY_RBUTTON = 0x1,
    UIKEY_LBUTTON = 0x2,
    UIKEY_SHIFT = 0x4,
    UIKEY_CONTROL = 0x8,
    UIKEY_ALT = 0x20,
};

// Bits returned by CControlUI::GetControlFlags.
enum UIControlFlag {
    UIFLAG_TABSTOP = 0x1,
    UIFLAG_SETCURSOR = 0x2,
    UIFLAG_LISTELEMENT = 0x4,
};

// Flags of CControlUI::FindControl.
enum UIFindFlag : unsigned int {
    UIFIND_ALL = 0x0,
    UIFIND_VISIBLE = 0x1,
    UIFIND_ENABLED = 0x2,
    UIFIND_HITTEST = 0x4,
    UIFIND_TOP_FIRST = 0x8,
    UIFIND_ME_FIRST = 0x80000000u,
};

// Message the manager posts to its own window to delete detached controls.
const UINT WM_UI_DELAYED_CLEANUP = WM_APP + 1;
// WM_COMMAND, WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC and WM_NOTIFY that reach the manager go on to
// the child window that sent them as this base plus the message, so that a control's own window
// handles what its native child reports.
const UINT WM_UI_REFLECTED_BASE = 0x2000;

// An input event for a control; built on the stack, never stored.
struct UIEvent {
    int type;
    CControlUI* sender;
    DWORD timestamp;
    POINT ptMouse;
    wchar_t key;
    WORD keyState;
    WPARAM wParam;
    LPARAM lParam;
};

// A notification from a control to the form.
struct UINotify {
    CUIString type;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT ptMouse = {0, 0};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(UINotify& msg) = 0;
};

class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    // Set handled to consume the message; the returned value then becomes its result.
    virtual LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

// Answered by GetInterface(L"WantTab") of a control that takes Tab characters itself (the rich
// edit): the manager then leaves the Tab key to it instead of moving the focus.
class IWantTabUI {
public:
    virtual ~IWantTabUI() = default;
    virtual bool IsWantTab() = 0;
};

typedef CControlUI* (CALLBACK* FindControlProc)(CControlUI* control, LPVOID data);

// One control timer, multiplexed onto a Windows timer of the manager's window.
struct UITimerEntry {
    CControlUI* control;
    UINT localId;
    HWND hWnd;
    UINT winTimerId;
    bool killed;
};

// A font of the manager, addressed by its index (added fonts) or as the default font.
struct UIFontInfo {
    HFONT hFont = nullptr;
    CUIString faceName;
    int size = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    TEXTMETRICW tm = {};
};

// A control-creating function of a plug-in (consulted by the dialog builder).
typedef CControlUI* (*UIPluginCreateProc)(const wchar_t* className);

class CWindowManagerUI {
public:
    CWindowManagerUI();
    CWindowManagerUI(const CWindowManagerUI&) = delete;
    CWindowManagerUI& operator=(const CWindowManagerUI&) = delete;
    ~CWindowManagerUI();

    // ---- Binding ----
    void Init(HWND hWnd);
    HWND GetPaintWindow() const { return m_hWndPaint; }
    HDC GetPaintDC() const { return m_hDcPaint; }
    HWND GetTooltipWindow() const { return m_hWndTooltip; }
    bool AttachRoot(CControlUI* control);
    CControlUI* GetRoot() const { return m_root; }
    bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
    void OnControlDestroyed(CControlUI* control);
    // Keeps the name map in step when an attached control changes its name.
    void OnControlRenamed(CControlUI* control, const wchar_t* oldName);

    // ---- Messages ----
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    static void MessageLoop();
    static bool TranslateMessage(const MSG* msg);
    static int GetManagerCount();

    bool AddPreMessageFilter(IMessageFilterUI* filter);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);

    // ---- Layout and painting ----
    void RequestLayout() { m_layoutPending = true; }
    bool IsLayoutRequested() const { return m_layoutPending; }
    void Invalidate(const RECT& rc);
    bool AddPostPaint(CControlUI* control);
    bool RemovePostPaint(CControlUI* control);
    void AddDelayedCleanup(CControlUI* control);

    // ---- Lookup ----
    CControlUI* FindControlAt(POINT pt) const;
    CControlUI* FindControlByName(const wchar_t* name) const;
    POINT GetMousePos() const { return m_lastMousePos; }
    static WORD MapKeyState();

    // ---- Window settings ----
    SIZE GetInitSize() const { return m_initSize; }
    void SetInitSize(int cx, int cy);
    RECT GetSizeBox() const { return m_sizeBox; }
    void SetSizeBox(const RECT& rc) { m_sizeBox = rc; }
    RECT GetCaptionRect() const { return m_captionRect; }
    void SetCaptionRect(const RECT& rc) { m_captionRect = rc; }
    SIZE GetRoundCorner() const { return m_roundCorner; }
    void SetRoundCorner(int cx, int cy) { m_roundCorner.cx = cx; m_roundCorner.cy = cy; }
    SIZE GetMinInfo() const { return m_minTrack; }
    void SetMinInfo(int cx, int cy) { m_minTrack.cx = cx; m_minTrack.cy = cy; }
    SIZE GetMaxInfo() const { return m_maxTrack; }
    void SetMaxInfo(int cx, int cy) { m_maxTrack.cx = cx; m_maxTrack.cy = cy; }
    void SetWindowAlpha(int alpha);
    bool IsBackgroundTransparent() const { return m_backgroundTransparent; }
    void SetBackgroundTransparent(bool transparent) { m_backgroundTransparent = transparent; }
    bool IsShowDirty() const { return m_showDirty; }
    void SetShowDirty(bool show) { m_showDirty = show; }
    bool IsOffscreenPaint() const { return m_offscreenPaint; }
    void SetOffscreenPaint(bool offscreen) { m_offscreenPaint = offscreen; }

    // ---- Timers ----
    bool SetTimer(CControlUI* control, UINT localId, UINT elapse);
    bool KillTimer(CControlUI* control, UINT localId);
    void KillTimers(CControlUI* control);
    void RemoveAllTimers();
    int GetTimerCount() const { return m_timers.GetSize(); }
    const UITimerEntry* GetTimerAt(int index) const {
        return static_cast<const UITimerEntry*>(m_timers.GetAt(index));
    }

    // ---- Focus and capture ----
    CControlUI* GetFocus() const { return m_focus; }
    void SetFocus(CControlUI* control);
    bool FocusNextTabStop(bool forward = true);
    void RefocusAfterLayout(CControlUI* control);
    bool IsFocusNeeded() const { return m_focusNeeded; }
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const { return m_captured; }
    CControlUI* GetHover() const { return m_hover; }
    CControlUI* GetClick() const { return m_click; }

    // ---- Notifications ----
    bool AddNotifier(INotifyUI* notifier);
    void SendNotify(CControlUI* sender, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0,
                    bool async = false);
    void SendNotifyRecord(UINotify& msg, bool async = false);
    int GetQueuedNotifyCount() const { return m_asyncNotify.GetSize(); }

    // ---- Option groups ----
    bool AddOptionGroup(const wchar_t* group, CControlUI* control);
    CUIPtrArray* GetOptionGroup(const wchar_t* group) const;
    void RemoveOptionGroup(const wchar_t* group, CControlUI* control);
    void RemoveAllOptionGroups();

    // ---- Resource parent and default colours ----
    bool SetResourceParent(CWindowManagerUI* parent);
    CWindowManagerUI* GetResourceParent() const { return m_resourceParent; }
    DWORD GetDefaultDisabledColor() const;
    void SetDefaultDisabledColor(DWORD color) { m_defaultDisabledColor = color; }
    DWORD GetDefaultFontColor() const;
    void SetDefaultFontColor(DWORD color) { m_defaultFontColor = color; }
    DWORD GetDefaultLinkFontColor() const;
    void SetDefaultLinkFontColor(DWORD color) { m_defaultLinkFontColor = color; }
    DWORD GetDefaultLinkHoverFontColor() const;
    void SetDefaultLinkHoverFontColor(DWORD color) { m_defaultLinkHoverFontColor = color; }
    DWORD GetDefaultSelectedBkColor() const;
    void SetDefaultSelectedBkColor(DWORD color) { m_defaultSelectedBkColor = color; }

    // ---- Fonts ----
    UIFontInfo* GetDefaultFontInfo();
    void SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    HFONT AddFont(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    HFONT GetFont(int index);
    HFONT FindFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) const;
    UIFontInfo* GetFontInfo(int index);
    UIFontInfo* GetFontInfoByHandle(HFONT hFont);
    int GetFontCount() const { return m_fonts.GetSize(); }
    void RemoveAllFonts();

    // ---- Images ----
    UIImageInfo* GetImageEx(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0);
    UIImageInfo* AddImage(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0);
    void RemoveAllImages();

    // ---- Default attribute lists ----
    void AddDefaultAttributeList(const wchar_t* controlName, const wchar_t* attrList);
    const wchar_t* GetDefaultAttributeList(const wchar_t* controlName) const;
    void RemoveAllDefaultAttributeLists();

    // ---- Process-wide settings ----
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    static CUIString GetInstancePath();
    static HINSTANCE GetResourceInstance();
    static void SetResourcePath(const wchar_t* path);
    static const CUIString& GetResourcePath();
    static void SetResourceZip(const wchar_t* zip, bool cached = false);
    static const CUIString& GetResourceZip();
    static bool IsResourceZipCached();
    static ZipHandle* GetResourceZipHandle();
    static void GetHSL(short* hue, short* saturation, short* lightness);
    static CUIPtrArray* GetPlugins();

private:
    struct SavedDC;
    void DeliverQueuedNotifications();
    void DeliverNotify(UINotify& msg);
    void FireEvent(CControlUI* target, int type, CControlUI* sender, POINT pt, WPARAM wParam = 0,
                   LPARAM lParam = 0, wchar_t key = 0, WORD keyState = 0);
    void PaintPass();
    void PaintOffscreen(HDC target, const RECT& rcPaint, const RECT& rcClient);
    void PrintClient(HDC hDC, LPARAM flags);
    void LayoutPendingControls();
    void PurgeDelayedCleanup();
    void ForgetSubtree(CControlUI* control);
    void ForgetControl(CControlUI* control);
    void ShowTooltip(CControlUI* control);
    void HideTooltip();
    void ArmMouseTracking();
    void MeasureFont(UIFontInfo* font);
    bool RunFilters(CUIPtrArray& filters, UINT message, WPARAM wParam, LPARAM lParam,
                    LRESULT& result);

    // One handler per message of HandleMessage; those that return bool say whether the message
    // is consumed.
    void OnSize();
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnClose();
    void OnTimer(WPARAM timerId);
    bool OnMouseHover(LPARAM lParam);
    void OnMouseLeave();
    void OnMouseMove(LPARAM lParam);
    void OnButtonDown(int eventType, WPARAM wParam, LPARAM lParam);
    void OnDoubleClick(WPARAM wParam, LPARAM lParam);
    void OnButtonUp(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(WPARAM wParam, LPARAM lParam);
    void OnMouseWheel(WPARAM wParam, LPARAM lParam);
    bool OnSetCursor(WPARAM wParam, LPARAM lParam);
    void OnKeyDown(WPARAM wParam);
    void OnKeyUp(WPARAM wParam);
    void OnChar(WPARAM wParam);
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The control under pt when this manager owns it (not one of a child manager's tree).
    CControlUI* OwnControlAt(POINT pt) const;
    // A mouse button pressed at lParam: the window takes the focus, the point is remembered and
    // the own control there is found.
    CControlUI* PressedControl(LPARAM lParam, POINT& pt);
    // Ends the click: the capture is released and the click control, if any, handed back.
    CControlUI* TakeClick();
    bool IsFocusable(CControlUI* control) const;
    void DropUnusableFocus();
    void KillFocus(CControlUI* next);

    static CControlUI* CALLBACK HitTestProc(CControlUI* control, LPVOID data);
    static CControlUI* CALLBACK NeedsLayoutProc(CControlUI* control, LPVOID data);
    static CControlUI* CALLBACK CollectNameProc(CControlUI* control, LPVOID data);
    static CControlUI* CALLBACK ShortcutProc(CControlUI* control, LPVOID data);
    static CControlUI* CALLBACK TabStopProc(CControlUI* control, LPVOID data);
    static CControlUI* CALLBACK ForgetProc(CControlUI* control, LPVOID data);

    HWND m_hWndPaint;
    HDC m_hDcPaint;
    COffscreenSurface m_offscreen;   // the controls are painted here, then copied to the window
    COffscreenSurface m_background;  // what lay behind a transparent window at its first paint
    HWND m_hWndTooltip;
    TOOLINFOW m_toolTip;
    CUIString m_toolTipText;
    bool m_showDirty;

    CControlUI* m_root;
    CControlUI* m_focus;
    CControlUI* m_hover;
    CControlUI* m_click;
    CControlUI* m_key;
    POINT m_lastMousePos;
    SIZE m_minTrack;
    SIZE m_maxTrack;
    SIZE m_initSize;
    RECT m_sizeBox;
    SIZE m_roundCorner;
    RECT m_captionRect;
    UINT m_timerCounter;
    bool m_firstLayout;
    bool m_layoutPending;
    bool m_focusNeeded;
    bool m_offscreenPaint;
    bool m_backgroundTransparent;
    bool m_mouseTracking;
    bool m_captured;

    CUIPtrArray m_notifiers;
    CUIPtrArray m_timers;
    CUIPtrArray m_preMessageFilters;
    CUIPtrArray m_messageFilters;
    CUIPtrArray m_postPaintControls;
    CUIPtrArray m_delayedCleanup;
    CUIPtrArray m_asyncNotify;
    CUIStringMap m_nameMap;
    CUIStringMap m_optionGroups;

    CWindowManagerUI* m_resourceParent;
    DWORD m_defaultDisabledColor;
    DWORD m_defaultFontColor;
    DWORD m_defaultLinkFontColor;
    DWORD m_defaultLinkHoverFontColor;
    DWORD m_defaultSelectedBkColor;
    UIFontInfo m_defaultFont;
    CUIPtrArray m_fonts;
    CUIStringMap m_images;
    CUIStringMap m_defaultAttrLists;
};

}  // namespace UIToolkit
