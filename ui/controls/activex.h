// The ActiveX host control: embeds an OLE control in a framework window. The control creates
// the COM object (by class id or program id, optionally from a given module without
// registration), acts as its container through the site object CActiveXCtrl, activates it in
// place (windowless when the object allows it, otherwise in a child window of its own) and keeps
// its extent and rectangle in step with the layout.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "control.h"
#include "ui_base.h"
#include "window_manager.h"
#include "window_wnd.h"

namespace UIToolkit {

// A size in screen pixels as an OLE extent (HIMETRIC: hundredths of a millimetre).
SIZEL PixelsToHimetric(SIZEL pixels);

class CActiveXUI;
class CActiveXCtrl;

// The child window of an object that refuses windowless activation.
class CActiveXWnd : public CWindowWnd {
public:
    explicit CActiveXWnd(CActiveXCtrl* site);
    // Creates the window as a child of parent at the owner control's item rectangle.
    HWND Init(HWND parent, const RECT& rc);

protected:
    const wchar_t* GetWindowClassName() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void RunVerb(LONG verb);

    CActiveXCtrl* m_site;
};

// The in-place frame handed to the object (IOleInPlaceFrame). It reaches its control through
// the site it came from (referenced), so that a frame the object keeps after the control is gone
// answers E_UNEXPECTED instead of reaching the destroyed control.
class CActiveXFrameWnd : public IOleInPlaceFrame {
public:
    explicit CActiveXFrameWnd(CActiveXCtrl* site);
    CActiveXFrameWnd(const CActiveXFrameWnd&) = delete;
    CActiveXFrameWnd& operator=(const CActiveXFrameWnd&) = delete;

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    // IOleWindow
    STDMETHOD(GetWindow)(HWND* window) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL enterMode) override;
    // IOleInPlaceUIWindow
    STDMETHOD(GetBorder)(LPRECT border) override;
    STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS widths) override;
    STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS widths) override;
    STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* activeObject, LPCOLESTR objectName) override;
    // IOleInPlaceFrame
    STDMETHOD(InsertMenus)(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHOD(SetMenu)(HMENU menu, HOLEMENU olemenu, HWND activeObject) override;
    STDMETHOD(RemoveMenus)(HMENU menu) override;
    STDMETHOD(SetStatusText)(LPCOLESTR text) override;
    STDMETHOD(EnableModeless)(BOOL enable) override;
    STDMETHOD(TranslateAccelerator)(LPMSG msg, WORD id) override;

    IOleInPlaceActiveObject* GetActiveObject() const { return m_activeObject; }

private:
    virtual ~CActiveXFrameWnd();

    LONG m_refCount;
    CActiveXCtrl* m_site;
    IOleInPlaceActiveObject* m_activeObject;
};

// IEnumUnknown over the one hosted object.
class CActiveXEnum : public IEnumUnknown {
public:
    explicit CActiveXEnum(IUnknown* object);
    CActiveXEnum(const CActiveXEnum&) = delete;
    CActiveXEnum& operator=(const CActiveXEnum&) = delete;

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(Next)(ULONG count, IUnknown** items, ULONG* fetched) override;
    STDMETHOD(Skip)(ULONG count) override;
    STDMETHOD(Reset)() override;
    STDMETHOD(Clone)(IEnumUnknown** copy) override;

private:
    virtual ~CActiveXEnum();

    ULONG m_pos;
    LONG m_refCount;
    IUnknown* m_object;
};

// The container side of one hosted object (reference counted, starts at 1 for its owner).
class CActiveXCtrl : public IOleClientSite,
                     public IOleInPlaceSiteWindowless,
                     public IOleControlSite,
                     public IObjectWithSite,
                     public IOleContainer {
    friend class CActiveXUI;
    friend class CActiveXWnd;
    friend class CActiveXFrameWnd;

public:
    explicit CActiveXCtrl(CActiveXUI* owner);
    CActiveXCtrl(const CActiveXCtrl&) = delete;
    CActiveXCtrl& operator=(const CActiveXCtrl&) = delete;

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // IObjectWithSite
    STDMETHOD(SetSite)(IUnknown* site) override;
    STDMETHOD(GetSite)(REFIID riid, void** site) override;

    // IOleClientSite
    STDMETHOD(SaveObject)() override;
    STDMETHOD(GetMoniker)(DWORD assign, DWORD whichMoniker, IMoniker** moniker) override;
    STDMETHOD(GetContainer)(IOleContainer** container) override;
    STDMETHOD(ShowObject)() override;
    STDMETHOD(OnShowWindow)(BOOL show) override;
    STDMETHOD(RequestNewObjectLayout)() override;

    // IOleInPlaceSiteWindowless
    STDMETHOD(CanWindowlessActivate)() override;
    STDMETHOD(GetCapture)() override;
    STDMETHOD(SetCapture)(BOOL capture) override;
    STDMETHOD(GetFocus)() override;
    STDMETHOD(SetFocus)(BOOL focus) override;
    STDMETHOD(GetDC)(LPCRECT rect, DWORD flags, HDC* dc) override;
    STDMETHOD(ReleaseDC)(HDC dc) override;
    STDMETHOD(InvalidateRect)(LPCRECT rect, BOOL erase) override;
    STDMETHOD(InvalidateRgn)(HRGN region, BOOL erase) override;
    STDMETHOD(ScrollRect)(INT dx, INT dy, LPCRECT scroll, LPCRECT clip) override;
    STDMETHOD(AdjustRect)(LPRECT rect) override;
    STDMETHOD(OnDefWindowMessage)(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // IOleInPlaceSiteEx
    STDMETHOD(OnInPlaceActivateEx)(BOOL* noRedraw, DWORD flags) override;
    STDMETHOD(OnInPlaceDeactivateEx)(BOOL noRedraw) override;
    STDMETHOD(RequestUIActivate)() override;

    // IOleInPlaceSite
    STDMETHOD(CanInPlaceActivate)() override;
    STDMETHOD(OnInPlaceActivate)() override;
    STDMETHOD(OnUIActivate)() override;
    STDMETHOD(GetWindowContext)(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHOD(Scroll)(SIZE extent) override;
    STDMETHOD(OnUIDeactivate)(BOOL undoable) override;
    STDMETHOD(OnInPlaceDeactivate)() override;
    STDMETHOD(DiscardUndoState)() override;
    STDMETHOD(DeactivateAndUndo)() override;
    STDMETHOD(OnPosRectChange)(LPCRECT pos) override;

    // IOleWindow
    STDMETHOD(GetWindow)(HWND* window) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL enterMode) override;

    // IOleControlSite
    STDMETHOD(OnControlInfoChanged)() override;
    STDMETHOD(LockInPlaceActive)(BOOL lock) override;
    STDMETHOD(GetExtendedControl)(IDispatch** dispatch) override;
    STDMETHOD(TransformCoords)(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHOD(TranslateAccelerator)(MSG* msg, DWORD modifiers) override;
    STDMETHOD(OnFocus)(BOOL gotFocus) override;
    STDMETHOD(ShowPropertyFrame)() override;

    // IOleContainer
    STDMETHOD(EnumObjects)(DWORD flags, IEnumUnknown** enumerator) override;
    STDMETHOD(LockContainer)(BOOL lock) override;

    // IParseDisplayName
    STDMETHOD(ParseDisplayName)(IBindCtx* context, LPOLESTR displayName, ULONG* eaten, IMoniker** out) override;

    bool IsWindowless() const { return m_windowless; }
    bool IsInPlaceActive() const { return m_inPlaceActive; }
    bool IsUIActivated() const { return m_uiActivated; }
    bool IsFocused() const { return m_focused; }
    bool IsCaptured() const { return m_captured; }
    bool IsLocked() const { return m_locked; }
    bool HasViewObject() const { return m_viewObject != nullptr; }

private:
    virtual ~CActiveXCtrl();

    HRESULT CreateHostWindow();
    // The owner's item rectangle, moved to the origin for a windowed object.
    RECT ObjectRect() const;
    HWND HostWindow() const;

    LONG m_refCount;
    CActiveXUI* m_owner;
    CActiveXWnd* m_window;
    IUnknown* m_outerSite;
    IViewObject* m_viewObject;
    IOleInPlaceObject* m_inPlaceObject;   // IOleInPlaceObjectWindowless when windowless
    bool m_locked;
    bool m_focused;
    bool m_captured;
    bool m_uiActivated;
    bool m_inPlaceActive;
    bool m_windowless;
    bool m_viewObjectEx;       // the view object answers IViewObjectEx
    bool m_runningLocked;      // the object was locked running by in-place activation
    HACCEL m_accel;            // the (empty) accelerator table of the frame info
};

class CActiveXUI : public CControlUI, public IMessageFilterUI {
    friend class CActiveXCtrl;
    friend class CActiveXWnd;

public:
    CActiveXUI();
    ~CActiveXUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;

    HWND GetHostWindow() const { return m_hostWnd; }

    bool IsDelayCreate() const { return m_delayCreate; }
    void SetDelayCreate(bool delayCreate);

    // A class id in braces, or a program id; an unusable text gives false.
    bool SetClsid(const wchar_t* clsid);
    bool SetClsid(REFCLSID clsid);
    CLSID GetClsid() const { return m_clsid; }
    CUIString GetModuleName() const { return m_moduleName; }
    void SetModuleName(const wchar_t* moduleName);

    // The object's interface; E_POINTER for a null out pointer, E_PENDING before creation.
    HRESULT QueryControl(REFIID riid, void** object);
    bool IsCreated() const { return m_created; }
    bool HasObject() const { return m_object != nullptr; }
    CActiveXCtrl* GetSite() const { return m_site; }

    void SetPos(RECT rc) override;
    void SetVisible(bool visible = true) override;
    void SetInternalVisible(bool visible = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;

    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

protected:
    virtual void ReleaseHostedControl();
    virtual bool InstantiateControl();

private:
    IOleObject* CreateObject();
    void ShowHostWindow();
    void AddFilter();
    void RemoveFilter();
    // Where the mouse message's point is, in the form window's client coordinates.
    POINT MessagePoint(UINT message, LPARAM lParam) const;

    CLSID m_clsid;
    CUIString m_moduleName;
    bool m_created;
    bool m_delayCreate;
    IOleObject* m_object;
    CActiveXCtrl* m_site;
    HWND m_hostWnd;
    CWindowManagerUI* m_filterManager;   // the manager this control filters messages of
};

}  // namespace UIToolkit
