// The service's client page inside the main window. CWebBrowserBase hosts the system's
// WebBrowser control without a frame of its own (it is the control's client site, in-place site,
// in-place frame and UI handler), receives the control's events, and is the page's
// window.external: the page's script calls "clientcall", "TrackSelect" and "PlayAuditionJobs",
// which the bridge answers by filling the web track lists, asking for a play URL and posting
// messages (main_messages.h) to the host window. The other way round, the main window calls page
// functions such as "searchlist" through GetScript and CallScript.
//
// Threads: the object lives on the UI thread (the thread that created it and the host window)
// and every operation is for that thread, except PostShowClientPage.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <ocidl.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "track_info.h"

namespace VelaUI {

// The client page on the service's web host.
std::wstring ClientPageUrl();
// True for an http or https address on the configured web host (host and port as configured,
// no user part): only such documents may use window.external.
bool IsWebHostUrl(const std::wstring& url);
// Where the page sits in the host's client area: the client rectangle with left + 42,
// top + 138, right - 9 and bottom - 33.
RECT ClientPageRect(HWND host);

// One argument of a script call as text: integers and whole numbers in decimal (other numbers
// in the shortest exact form), strings as they are, booleans "1" or "0", anything else empty.
std::wstring ScriptArgText(const VARIANT& value);
// A number argument read from such a text: leading blanks skipped, an optional sign, the digits
// up to the first other character; no digits give 0.
int ScriptArgInt(const std::wstring& text);

// The page's last audition ("TrackSelect" action 2): its track and the play URL that the service
// gave for it, read from the reply together with the request, so that no later request of the
// same reply can change it before the audition opens it. Empty until the page asks for one.
struct WebAudition {
    TrackInfo track;
    std::wstring url;  // empty: the service gave none
};
WebAudition LastWebAudition();

class CWebBrowserBase : public IDispatch,
                        public IOleClientSite,
                        public IOleInPlaceSite,
                        public IOleInPlaceFrame,
                        public IDocHostUIHandler {
public:
    // Creates the browser object (not yet active) for the host window, which also receives the
    // posted messages. Without OLE or the object the host simply has no browser.
    explicit CWebBrowserBase(HWND host);
    virtual ~CWebBrowserBase();
    CWebBrowserBase(const CWebBrowserBase&) = delete;
    CWebBrowserBase& operator=(const CWebBrowserBase&) = delete;

    // The control's IWebBrowser2 (kept, not referenced for the caller); null without one.
    IWebBrowser2* GetBrowser();
    // The IDispatch of the current document's script (kept until the next document, not
    // referenced for the caller); null when there is no document.
    IDispatch* GetScript();
    // Activates the browser in place in the host window and listens to its events.
    bool Show();
    // Moves and sizes the browser within the host's client area.
    bool SetRect(const RECT& rect);
    bool SetVisible(bool show);
    // Navigates the browser; S_FALSE before the browser is known (Show).
    HRESULT Navigate(const std::wstring& url);
    // Calls the script function name of the page with the parameters (in reverse order, as
    // IDispatch takes them); E_FAIL without a script or when the page has no such function.
    HRESULT CallScript(IDispatch* script, const wchar_t* name, VARIANT* result, DISPPARAMS* params);

    // Show, SetRect with ClientPageRect, Navigate to url.
    bool ShowClientPage(const std::wstring& url);
    // ShowClientPage from any thread: done on this object's thread when it next dispatches
    // messages, so the browser is only ever used from the thread it belongs to.
    void PostShowClientPage(const std::wstring& url);
    // Lets go of the browser: stops listening to its events, deactivates and closes it and
    // releases every interface of it, so that nothing of the control calls this object any
    // more. The destructor does it too; call it while the host window still exists.
    void Close();

    HWND GetHostWindow() const { return m_host; }
    bool IsInPlaceActive() const { return m_inPlace; }
    const RECT& GetRect() const { return m_rect; }
    // The address of the top-level document as the browser last announced it.
    const std::wstring& GetDocumentUrl() const { return m_documentUrl; }

    // A "clientcall" of kind 2, waiting for the host: WM_WEB_ADD_ALL tells the host that one
    // waits, and the host takes it from here (the message carries no pointer: any program on the
    // desktop can post that number).
    struct AddAllRequest {
        std::wstring text;
        int number = 0;
    };
    // Takes the oldest request not yet taken; false when none waits (a message that no call of
    // the page announced).
    bool TakeAddAllRequest(AddAllRequest& request);

    // The script methods of window.external.
    void OnClientCall(int kind, int number, const std::wstring& text);
    void OnTrackSelect(int action, const std::wstring& trackId, const std::wstring& trackName,
                       const std::wstring& artistNames, const std::wstring& albumName, int unused1, int unused2,
                       int playFlag);
    void OnPlayAuditionJobs();

    // IUnknown (one object for every part; its lifetime belongs to its owner, not to the count)
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // IDispatch: the script bridge and the browser's event sink
    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override;

    // IOleClientSite
    STDMETHOD(SaveObject)() override;
    STDMETHOD(GetMoniker)(DWORD assign, DWORD whichMoniker, IMoniker** moniker) override;
    STDMETHOD(GetContainer)(IOleContainer** container) override;
    STDMETHOD(ShowObject)() override;
    STDMETHOD(OnShowWindow)(BOOL show) override;
    STDMETHOD(RequestNewObjectLayout)() override;

    // IOleWindow (of both the in-place site and the frame)
    STDMETHOD(GetWindow)(HWND* window) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL enterMode) override;

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

    // IOleInPlaceUIWindow and IOleInPlaceFrame
    STDMETHOD(GetBorder)(LPRECT border) override;
    STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS widths) override;
    STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS widths) override;
    STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* activeObject, LPCOLESTR objectName) override;
    STDMETHOD(InsertMenus)(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHOD(SetMenu)(HMENU menu, HOLEMENU olemenu, HWND activeObject) override;
    STDMETHOD(RemoveMenus)(HMENU menu) override;
    STDMETHOD(SetStatusText)(LPCOLESTR text) override;
    // (IDocHostUIHandler has the same EnableModeless; one answer serves both.)
    STDMETHOD(EnableModeless)(BOOL enable) override;
    STDMETHOD(TranslateAccelerator)(LPMSG msg, WORD id) override;

    // IDocHostUIHandler
    STDMETHOD(ShowContextMenu)(DWORD kind, POINT* point, IUnknown* target, IDispatch* object) override;
    STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* info) override;
    STDMETHOD(ShowUI)(DWORD kind, IOleInPlaceActiveObject* activeObject, IOleCommandTarget* commandTarget,
                      IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override;
    STDMETHOD(HideUI)() override;
    STDMETHOD(UpdateUI)() override;
    STDMETHOD(OnDocWindowActivate)(BOOL activate) override;
    STDMETHOD(OnFrameWindowActivate)(BOOL activate) override;
    STDMETHOD(ResizeBorder)(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
    STDMETHOD(TranslateAccelerator)(LPMSG msg, const GUID* group, DWORD command) override;
    STDMETHOD(GetOptionKeyPath)(LPOLESTR* key, DWORD reserved) override;
    STDMETHOD(GetDropTarget)(IDropTarget* dropTarget, IDropTarget** replacement) override;
    STDMETHOD(GetExternal)(IDispatch** external) override;
    STDMETHOD(TranslateUrl)(DWORD translate, LPWSTR url, LPWSTR* translated) override;
    STDMETHOD(FilterDataObject)(IDataObject* data, IDataObject** replacement) override;

private:
    void CreateBrowserObject();
    bool AdviseEvents();
    void OnBrowserEvent(DISPID id, const DISPPARAMS& params);
    // Whether the document now shown may use window.external.
    bool DocumentMayCallPlayer();
    void ReleaseScript();
    void PostToHost(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    static LRESULT CALLBACK PlacementWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    LONG m_refCount;
    RECT m_rect;
    bool m_inPlace;
    HWND m_host;
    bool m_oleInitialized;

    IOleObject* m_oleObject;
    IOleInPlaceObject* m_inPlaceObject;
    IStorage* m_storage;
    IWebBrowser2* m_webBrowser;
    IDispatch* m_script;
    IConnectionPoint* m_eventPoint;
    DWORD m_eventCookie;

    // The last "clientcall": a repeated call with the same three values is ignored.
    std::wstring m_lastCallText;
    int m_lastCallKind;
    int m_lastCallNumber;

    std::wstring m_documentUrl;
    std::deque<AddAllRequest> m_addAllRequests;  // in call order

    // PostShowClientPage hands its work to this message-only window of the object's thread.
    HWND m_placementWindow;
    std::mutex m_pendingLock;
    std::wstring m_pendingUrl;
};

}  // namespace VelaUI
