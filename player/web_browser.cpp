// Hosting of the WebBrowser control: creation, in-place activation, placement, navigation,
// the page's script, and the site, frame and UI-handler interfaces the control calls.
#include "web_browser.h"

#include <exdispid.h>
#include <mshtml.h>

#include "activex.h"
#include "win_owners.h"

namespace VelaUI {


namespace {

const wchar_t kPlacementWindowClass[] = L"VelaWebBrowserPlacement";
const UINT kPlaceMessage = WM_APP + 1;

// Host-information flags: no help menu, no scroll bars of the host's own, no themes, no 3-D
// border around the page.
const DWORD kHostInfoFlags =
    DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_NOTHEME | DOCHOSTUIFLAG_NO3DOUTERBORDER;

bool IsEmptyRect(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }

RECT HostClientRect(HWND host) {
    RECT rc = {0, 0, 0, 0};
    if (host != nullptr) ::GetClientRect(host, &rc);
    return rc;
}

}  // namespace

RECT ClientPageRect(HWND host) {
    RECT rc = HostClientRect(host);
    rc.left += 42;
    rc.top += 138;
    rc.right -= 9;
    rc.bottom -= 33;
    return rc;
}

CWebBrowserBase::CWebBrowserBase(HWND host)
    : m_refCount(0),
      m_rect{0, 0, 0, 0},
      m_inPlace(false),
      m_host(host),
      m_oleInitialized(false),
      m_oleObject(nullptr),
      m_inPlaceObject(nullptr),
      m_storage(nullptr),
      m_webBrowser(nullptr),
      m_script(nullptr),
      m_eventPoint(nullptr),
      m_eventCookie(0),
      m_lastCallKind(0),
      m_lastCallNumber(0),
      m_placementWindow(nullptr) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CWebBrowserBase::PlacementWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kPlacementWindowClass;
    ::RegisterClassExW(&wc);  // fails harmlessly when a second host registers it again
    m_placementWindow = ::CreateWindowExW(0, kPlacementWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          instance, nullptr);
    if (m_placementWindow != nullptr) {
        ::SetWindowLongPtrW(m_placementWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    CreateBrowserObject();
}

CWebBrowserBase::~CWebBrowserBase() {
    Close();
    if (m_placementWindow != nullptr) {
        ::SetWindowLongPtrW(m_placementWindow, GWLP_USERDATA, 0);
        ::DestroyWindow(m_placementWindow);
        m_placementWindow = nullptr;
    }
    if (m_oleInitialized) ::OleUninitialize();
}

void CWebBrowserBase::CreateBrowserObject() {
    HRESULT hr = ::OleInitialize(nullptr);
    if (FAILED(hr)) return;
    m_oleInitialized = true;
    // A temporary compound file for the object's storage: create, read-write, exclusive.
    if (FAILED(::StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &m_storage))) {
        return;
    }
    if (FAILED(::OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr,
                           static_cast<IOleClientSite*>(this), m_storage, reinterpret_cast<void**>(&m_oleObject)))) {
        m_oleObject = nullptr;
        return;
    }
    if (FAILED(m_oleObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlaceObject)))) {
        m_inPlaceObject = nullptr;
    }
}

void CWebBrowserBase::Close() {
    if (m_eventPoint != nullptr) {
        m_eventPoint->Unadvise(m_eventCookie);
        m_eventCookie = 0;
        ReleaseInterface(m_eventPoint);
    }
    ReleaseScript();
    ReleaseInterface(m_webBrowser);
    if (m_inPlaceObject != nullptr) {
        if (m_inPlace) m_inPlaceObject->InPlaceDeactivate();
        ReleaseInterface(m_inPlaceObject);
    }
    m_inPlace = false;
    if (m_oleObject != nullptr) {
        m_oleObject->Close(OLECLOSE_NOSAVE);
        m_oleObject->SetClientSite(nullptr);
        ReleaseInterface(m_oleObject);
    }
    ReleaseInterface(m_storage);
}

IWebBrowser2* CWebBrowserBase::GetBrowser() {
    if (m_webBrowser == nullptr && m_oleObject != nullptr) {
        if (FAILED(m_oleObject->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&m_webBrowser)))) {
            m_webBrowser = nullptr;
        }
    }
    return m_webBrowser;
}

void CWebBrowserBase::ReleaseScript() { ReleaseInterface(m_script); }

IDispatch* CWebBrowserBase::GetScript() {
    if (m_script != nullptr) return m_script;
    IWebBrowser2* browser = GetBrowser();
    if (browser == nullptr) return nullptr;
    IDispatch* document = nullptr;
    if (FAILED(browser->get_Document(&document)) || document == nullptr) return nullptr;
    IHTMLDocument2* htmlDocument = nullptr;
    HRESULT hr = document->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&htmlDocument));
    document->Release();
    if (FAILED(hr) || htmlDocument == nullptr) return nullptr;
    IDispatch* script = nullptr;
    hr = htmlDocument->get_Script(&script);
    htmlDocument->Release();
    if (FAILED(hr) || script == nullptr) return nullptr;
    m_script = script;
    return m_script;
}

bool CWebBrowserBase::Show() {
    if (m_oleObject == nullptr) return false;
    if (IsEmptyRect(m_rect)) m_rect = HostClientRect(m_host);
    if (m_inPlace) return true;
    m_inPlace = true;
    if (FAILED(m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, m_host,
                                   &m_rect))) {
        return false;
    }
    IWebBrowser2* browser = GetBrowser();
    if (browser == nullptr) return false;
    browser->put_Resizable(VARIANT_FALSE);
    browser->put_ToolBar(VARIANT_FALSE);
    browser->put_AddressBar(VARIANT_FALSE);
    browser->put_MenuBar(VARIANT_FALSE);
    browser->put_StatusBar(VARIANT_FALSE);
    browser->put_Silent(VARIANT_TRUE);
    browser->put_Visible(VARIANT_FALSE);
    return AdviseEvents();
}

bool CWebBrowserBase::AdviseEvents() {
    if (m_eventPoint != nullptr) return true;
    IConnectionPointContainer* container = nullptr;
    if (FAILED(m_webBrowser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) ||
        container == nullptr) {
        return false;
    }
    IConnectionPoint* point = nullptr;
    HRESULT hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    container->Release();
    if (FAILED(hr) || point == nullptr) return false;
    DWORD cookie = 0;
    if (FAILED(point->Advise(static_cast<IDispatch*>(this), &cookie))) {
        point->Release();
        return false;
    }
    m_eventPoint = point;
    m_eventCookie = cookie;
    return true;
}

bool CWebBrowserBase::SetRect(const RECT& rect) {
    if (m_inPlace && m_oleObject != nullptr && m_inPlaceObject != nullptr) {
        SIZEL extent = UIToolkit::PixelsToHimetric(SIZEL{rect.right - rect.left, rect.bottom - rect.top});
        if (FAILED(m_oleObject->SetExtent(DVASPECT_CONTENT, &extent))) return false;
        if (FAILED(m_inPlaceObject->SetObjectRects(&rect, &rect))) return false;
    }
    m_rect = rect;
    return true;
}

bool CWebBrowserBase::SetVisible(bool show) {
    // Before Show the control is not in place: a verb now would activate it behind Show's back.
    IWebBrowser2* browser = m_webBrowser;
    if (!m_inPlace || browser == nullptr || m_oleObject == nullptr) return true;
    browser->put_Visible(show ? VARIANT_TRUE : VARIANT_FALSE);
    m_oleObject->DoVerb(show ? OLEIVERB_SHOW : OLEIVERB_HIDE, nullptr, static_cast<IOleClientSite*>(this), 0, m_host,
                        &m_rect);
    return true;
}

HRESULT CWebBrowserBase::Navigate(const std::wstring& url) {
    if (m_webBrowser == nullptr) return S_FALSE;
    BSTR address = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    if (address == nullptr) return E_OUTOFMEMORY;
    VARIANT target;
    ::VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = address;
    VARIANT none;
    ::VariantInit(&none);
    HRESULT hr = m_webBrowser->Navigate2(&target, &none, &none, &none, &none);
    if (FAILED(hr)) hr = m_webBrowser->Navigate(address, &none, &none, &none, &none);
    ::VariantClear(&target);
    return hr;
}

HRESULT CWebBrowserBase::CallScript(IDispatch* script, const wchar_t* name, VARIANT* result, DISPPARAMS* params) {
    if (script == nullptr || name == nullptr) return E_FAIL;
    // The call may run page code that navigates and so drops the kept script: hold it meanwhile.
    script->AddRef();
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (FAILED(hr)) {
        hr = E_FAIL;
    } else {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        hr = script->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, params != nullptr ? params : &none,
                            result, nullptr, nullptr);
    }
    script->Release();
    return hr;
}

bool CWebBrowserBase::ShowClientPage(const std::wstring& url) {
    if (!Show()) return false;
    SetRect(ClientPageRect(m_host));
    return SUCCEEDED(Navigate(url));
}

void CWebBrowserBase::PostShowClientPage(const std::wstring& url) {
    {
        std::lock_guard<std::mutex> hold(m_pendingLock);
        m_pendingUrl = url;
    }
    if (m_placementWindow != nullptr) ::PostMessageW(m_placementWindow, kPlaceMessage, 0, 0);
}

LRESULT CALLBACK CWebBrowserBase::PlacementWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPlaceMessage) {
        auto* self = reinterpret_cast<CWebBrowserBase*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr) {
            std::wstring url;
            {
                std::lock_guard<std::mutex> hold(self->m_pendingLock);
                url.swap(self->m_pendingUrl);
            }
            if (!url.empty()) self->ShowClientPage(url);
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// ---- IUnknown --------------------------------------------------------------------------------

STDMETHODIMP CWebBrowserBase::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
    } else if (riid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IDocHostUIHandler) {
        *object = static_cast<IDocHostUIHandler*>(this);
    } else if (riid == IID_IOleInPlaceSite) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow) {
        *object = static_cast<IOleInPlaceFrame*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CWebBrowserBase::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refCount)); }

STDMETHODIMP_(ULONG) CWebBrowserBase::Release() { return static_cast<ULONG>(::InterlockedDecrement(&m_refCount)); }

// ---- IOleClientSite --------------------------------------------------------------------------

STDMETHODIMP CWebBrowserBase::SaveObject() { return S_OK; }

STDMETHODIMP CWebBrowserBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserBase::GetContainer(IOleContainer** container) {
    if (container != nullptr) *container = nullptr;
    return E_FAIL;
}

STDMETHODIMP CWebBrowserBase::ShowObject() { return S_OK; }
STDMETHODIMP CWebBrowserBase::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP CWebBrowserBase::RequestNewObjectLayout() { return S_OK; }

// ---- IOleWindow, IOleInPlaceSite -------------------------------------------------------------

STDMETHODIMP CWebBrowserBase::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = m_host;
    return S_OK;
}

STDMETHODIMP CWebBrowserBase::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::CanInPlaceActivate() { return m_inPlace ? S_OK : S_FALSE; }
STDMETHODIMP CWebBrowserBase::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP CWebBrowserBase::OnUIActivate() { return S_OK; }

STDMETHODIMP CWebBrowserBase::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    if (frame != nullptr) {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    if (doc != nullptr) *doc = nullptr;
    // The place the browser was given; the whole client area only while it has none. (Handing
    // out the client area every time would spread the page over the window's own controls
    // whenever the control asks again, as it does when it takes the focus.)
    if (IsEmptyRect(m_rect)) m_rect = HostClientRect(m_host);
    if (pos != nullptr) *pos = m_rect;
    if (clip != nullptr) *clip = m_rect;
    if (frameInfo != nullptr) {
        frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
        frameInfo->fMDIApp = FALSE;
        // The container's top-level frame: the host's parent, or the host itself when it is
        // the top-level window (as the main window is).
        HWND parent = m_host != nullptr ? ::GetParent(m_host) : nullptr;
        frameInfo->hwndFrame = parent != nullptr ? parent : m_host;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP CWebBrowserBase::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP CWebBrowserBase::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP CWebBrowserBase::DiscardUndoState() { return S_OK; }
STDMETHODIMP CWebBrowserBase::DeactivateAndUndo() { return S_OK; }
STDMETHODIMP CWebBrowserBase::OnPosRectChange(LPCRECT) { return S_OK; }

// ---- IOleInPlaceUIWindow, IOleInPlaceFrame ---------------------------------------------------

STDMETHODIMP CWebBrowserBase::GetBorder(LPRECT border) {
    if (border == nullptr) return E_POINTER;
    *border = HostClientRect(m_host);
    return S_OK;
}

STDMETHODIMP CWebBrowserBase::RequestBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP CWebBrowserBase::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP CWebBrowserBase::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
STDMETHODIMP CWebBrowserBase::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::SetMenu(HMENU, HOLEMENU, HWND) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::SetStatusText(LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::EnableModeless(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::TranslateAccelerator(LPMSG, WORD) { return E_NOTIMPL; }

// ---- IDocHostUIHandler -----------------------------------------------------------------------

STDMETHODIMP CWebBrowserBase::ShowContextMenu(DWORD kind, POINT*, IUnknown*, IDispatch*) {
    // The browser's own menu only in input fields and selected text; nothing on links,
    // pictures or the page itself.
    return kind == CONTEXT_MENU_CONTROL || kind == CONTEXT_MENU_TEXTSELECT ? S_FALSE : S_OK;
}

STDMETHODIMP CWebBrowserBase::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info == nullptr) return E_POINTER;
    info->dwFlags |= kHostInfoFlags;
    return S_OK;
}

STDMETHODIMP CWebBrowserBase::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) {
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserBase::HideUI() { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::UpdateUI() { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::GetOptionKeyPath(LPOLESTR*, DWORD) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::GetDropTarget(IDropTarget*, IDropTarget**) { return E_NOTIMPL; }

STDMETHODIMP CWebBrowserBase::GetExternal(IDispatch** external) {
    if (external == nullptr) return E_POINTER;
    *external = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP CWebBrowserBase::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (translated != nullptr) *translated = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserBase::FilterDataObject(IDataObject*, IDataObject** replacement) {
    if (replacement != nullptr) *replacement = nullptr;
    return E_NOTIMPL;
}

}  // namespace VelaUI
