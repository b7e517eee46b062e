#include "activex.h"

#include <cwchar>

#include "win_owners.h"

namespace UIToolkit {

namespace {

const wchar_t kHostName[] = L"UIActiveX";
const int kHimetricPerInch = 2540;

// An object of the class made by the module's own class factory; null when it gives none.
IOleObject* CreateObjectOfModule(HMODULE module, REFCLSID clsid) {
    typedef HRESULT(STDAPICALLTYPE * GetClassObjectProc)(REFCLSID, REFIID, LPVOID*);
    GetClassObjectProc getClassObject =
        reinterpret_cast<GetClassObjectProc>(reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
    CComPointer<IClassFactory> factory;
    if (getClassObject == nullptr || FAILED(getClassObject(clsid, IID_IClassFactory, factory.ReceiveVoid())) ||
        !factory) {
        return nullptr;
    }
    IOleObject* object = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&object)))) return nullptr;
    return object;
}

RECT MovedToOrigin(const RECT& rc) {
    RECT moved = {0, 0, rc.right - rc.left, rc.bottom - rc.top};
    return moved;
}

// The messages a windowless object is offered: mouse messages 0x200 (WM_MOUSEMOVE) to 0x20D
// (WM_XBUTTONDBLCLK) and keyboard messages 0x100 (WM_KEYDOWN) to 0x108. Fixed numbers, because
// the SDK's WM_MOUSELAST and WM_KEYLAST grow with the targeted Windows version.
const UINT kFirstMouseMessage = 0x200;
const UINT kLastMouseMessage = 0x20D;
const UINT kFirstKeyMessage = 0x100;
const UINT kLastKeyMessage = 0x108;

bool IsMouseMessage(UINT message) { return message >= kFirstMouseMessage && message <= kLastMouseMessage; }

bool IsKeyMessage(UINT message) { return message >= kFirstKeyMessage && message <= kLastKeyMessage; }

}  // namespace

SIZEL PixelsToHimetric(SIZEL pixels) {
    SIZEL himetric = {0, 0};
    if (HDC screen = ::GetDC(nullptr)) {
        const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
        const int dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        if (dpiX > 0) himetric.cx = ::MulDiv(kHimetricPerInch, pixels.cx, dpiX);
        if (dpiY > 0) himetric.cy = ::MulDiv(kHimetricPerInch, pixels.cy, dpiY);
    }
    return himetric;
}

// =============================================================================================
// CActiveXFrameWnd

CActiveXFrameWnd::CActiveXFrameWnd(CActiveXCtrl* site) : m_refCount(1), m_site(site), m_activeObject(nullptr) {
    if (m_site != nullptr) m_site->AddRef();
}

CActiveXFrameWnd::~CActiveXFrameWnd() {
    ReleaseInterface(m_activeObject);
    ReleaseInterface(m_site);
}

STDMETHODIMP CActiveXFrameWnd::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceUIWindow ||
        riid == IID_IOleInPlaceFrame) {
        *object = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CActiveXFrameWnd::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refCount)); }

STDMETHODIMP_(ULONG) CActiveXFrameWnd::Release() {
    const LONG count = ::InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CActiveXFrameWnd::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = nullptr;
    CActiveXUI* owner = m_site != nullptr ? m_site->m_owner : nullptr;
    if (owner == nullptr || owner->GetManager() == nullptr) return E_UNEXPECTED;
    *window = owner->GetManager()->GetPaintWindow();
    return S_OK;
}

STDMETHODIMP CActiveXFrameWnd::ContextSensitiveHelp(BOOL) { return S_OK; }
STDMETHODIMP CActiveXFrameWnd::GetBorder(LPRECT) { return S_OK; }
STDMETHODIMP CActiveXFrameWnd::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP CActiveXFrameWnd::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }

STDMETHODIMP CActiveXFrameWnd::SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR) {
    if (activeObject != nullptr) activeObject->AddRef();
    ReleaseInterface(m_activeObject);
    m_activeObject = activeObject;
    return S_OK;
}

STDMETHODIMP CActiveXFrameWnd::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
STDMETHODIMP CActiveXFrameWnd::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP CActiveXFrameWnd::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP CActiveXFrameWnd::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP CActiveXFrameWnd::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP CActiveXFrameWnd::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// =============================================================================================
// CActiveXEnum

CActiveXEnum::CActiveXEnum(IUnknown* object) : m_pos(0), m_refCount(1), m_object(object) {
    if (m_object != nullptr) m_object->AddRef();
}

CActiveXEnum::~CActiveXEnum() { ReleaseInterface(m_object); }

STDMETHODIMP CActiveXEnum::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IEnumUnknown) {
        *object = static_cast<IEnumUnknown*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CActiveXEnum::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refCount)); }

STDMETHODIMP_(ULONG) CActiveXEnum::Release() {
    const LONG count = ::InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CActiveXEnum::Next(ULONG count, IUnknown** items, ULONG* fetched) {
    if (fetched != nullptr) *fetched = 0;
    if (count == 0) return S_OK;
    if (items == nullptr) return E_POINTER;
    *items = nullptr;
    if (m_pos > 0 || m_object == nullptr) return S_FALSE;
    ++m_pos;
    *items = m_object;
    m_object->AddRef();
    if (fetched != nullptr) *fetched = 1;
    return count == 1 ? S_OK : S_FALSE;
}

STDMETHODIMP CActiveXEnum::Skip(ULONG count) {
    m_pos += count;
    return S_OK;
}

STDMETHODIMP CActiveXEnum::Reset() {
    m_pos = 0;
    return S_OK;
}

STDMETHODIMP CActiveXEnum::Clone(IEnumUnknown** copy) {
    if (copy != nullptr) *copy = nullptr;
    return E_NOTIMPL;
}

// =============================================================================================
// CActiveXWnd

CActiveXWnd::CActiveXWnd(CActiveXCtrl* site) : m_site(site) {}

HWND CActiveXWnd::Init(HWND parent, const RECT& rc) {
    return CreateFromRect(parent, kHostName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rc);
}

const wchar_t* CActiveXWnd::GetWindowClassName() const { return L"ActiveXWnd"; }

void CActiveXWnd::RunVerb(LONG verb) {
    CActiveXUI* owner = m_site->m_owner;
    if (owner == nullptr || owner->m_object == nullptr) return;
    CComPointer<IOleObject> object = CComPointer<IOleObject>::Share(owner->m_object);
    CComPointer<IOleClientSite> clientSite;
    m_site->QueryInterface(IID_IOleClientSite, clientSite.ReceiveVoid());
    RECT rc = owner->GetPos();
    object->DoVerb(verb, nullptr, clientSite.Get(), 0, m_hWnd, &rc);
}

LRESULT CActiveXWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    CActiveXUI* owner = m_site != nullptr ? m_site->m_owner : nullptr;
    switch (message) {
        case WM_MOUSEACTIVATE: {
            if (owner != nullptr && owner->m_object != nullptr) {
                DWORD status = 0;
                owner->m_object->GetMiscStatus(DVASPECT_CONTENT, &status);
                if (status & OLEMISC_NOUIACTIVATE) return 0;
                if (!m_site->m_inPlaceActive) RunVerb(OLEIVERB_INPLACEACTIVATE);
            }
            break;
        }
        case WM_SETFOCUS:
            if (m_site != nullptr) {
                m_site->m_focused = true;
                if (!m_site->m_uiActivated) RunVerb(OLEIVERB_UIACTIVATE);
            }
            break;
        case WM_KILLFOCUS:
            if (m_site != nullptr) m_site->m_focused = false;
            break;
        case WM_ERASEBKGND:
            if (m_site != nullptr && m_site->m_viewObject != nullptr) return 1;
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps = {};
            ::BeginPaint(m_hWnd, &ps);
            ::EndPaint(m_hWnd, &ps);
            return 1;
        }
        default:
            break;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

// =============================================================================================
// CActiveXCtrl

CActiveXCtrl::CActiveXCtrl(CActiveXUI* owner)
    : m_refCount(1),
      m_owner(owner),
      m_window(nullptr),
      m_outerSite(nullptr),
      m_viewObject(nullptr),
      m_inPlaceObject(nullptr),
      m_locked(false),
      m_focused(false),
      m_captured(false),
      m_uiActivated(false),
      m_inPlaceActive(false),
      m_windowless(true),
      m_viewObjectEx(false),
      m_runningLocked(false),
      m_accel(nullptr) {}

CActiveXCtrl::~CActiveXCtrl() {
    delete m_window;
    m_window = nullptr;
    ReleaseInterface(m_outerSite);
    ReleaseInterface(m_viewObject);
    ReleaseInterface(m_inPlaceObject);
    if (m_accel != nullptr) ::DestroyAcceleratorTable(m_accel);
}

STDMETHODIMP CActiveXCtrl::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleInPlaceSiteWindowless || riid == IID_IOleInPlaceSiteEx ||
               riid == IID_IOleInPlaceSite || riid == IID_IOleWindow) {
        *object = static_cast<IOleInPlaceSiteWindowless*>(this);
    } else if (riid == IID_IOleControlSite) {
        *object = static_cast<IOleControlSite*>(this);
    } else if (riid == IID_IObjectWithSite) {
        *object = static_cast<IObjectWithSite*>(this);
    } else if (riid == IID_IOleContainer || riid == IID_IParseDisplayName) {
        *object = static_cast<IOleContainer*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CActiveXCtrl::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refCount)); }

STDMETHODIMP_(ULONG) CActiveXCtrl::Release() {
    const LONG count = ::InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HWND CActiveXCtrl::HostWindow() const { return m_owner != nullptr ? m_owner->m_hostWnd : nullptr; }

RECT CActiveXCtrl::ObjectRect() const {
    RECT rc = m_owner != nullptr ? m_owner->GetPos() : RECT{0, 0, 0, 0};
    return m_windowless ? rc : MovedToOrigin(rc);
}

// ---- IObjectWithSite ----

STDMETHODIMP CActiveXCtrl::SetSite(IUnknown* site) {
    if (site != nullptr) site->AddRef();
    ReleaseInterface(m_outerSite);
    m_outerSite = site;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetSite(REFIID riid, void** site) {
    if (site == nullptr) return E_POINTER;
    *site = nullptr;
    if (m_outerSite == nullptr) return E_FAIL;
    return m_outerSite->QueryInterface(riid, site);
}

// ---- IOleClientSite ----

STDMETHODIMP CActiveXCtrl::SaveObject() { return E_NOTIMPL; }

STDMETHODIMP CActiveXCtrl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXCtrl::GetContainer(IOleContainer** container) {
    if (container == nullptr) return E_POINTER;
    *container = nullptr;
    if (m_outerSite != nullptr &&
        SUCCEEDED(m_outerSite->QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(container))) &&
        *container != nullptr) {
        return S_OK;
    }
    *container = static_cast<IOleContainer*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ShowObject() {
    if (m_owner == nullptr) return E_UNEXPECTED;
    const HWND host = HostWindow();
    HDC dc = host != nullptr ? ::GetDC(host) : nullptr;
    if (dc == nullptr) return E_FAIL;
    if (m_viewObject != nullptr) {
        const RECT& rc = m_owner->GetPos();
        RECTL bounds = {rc.left, rc.top, rc.right, rc.bottom};
        m_viewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
    }
    ::ReleaseDC(host, dc);
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::OnShowWindow(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CActiveXCtrl::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---- IOleWindow ----

STDMETHODIMP CActiveXCtrl::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = nullptr;
    if (m_owner == nullptr) return E_UNEXPECTED;
    if (m_owner->m_hostWnd == nullptr) CreateHostWindow();
    if (m_owner->m_hostWnd == nullptr) return E_FAIL;
    *window = m_owner->m_hostWnd;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ContextSensitiveHelp(BOOL) { return S_OK; }

// ---- IOleInPlaceSite ----

STDMETHODIMP CActiveXCtrl::CanInPlaceActivate() { return S_OK; }

STDMETHODIMP CActiveXCtrl::OnInPlaceActivate() { return OnInPlaceActivateEx(nullptr, 0); }

STDMETHODIMP CActiveXCtrl::OnUIActivate() {
    m_uiActivated = true;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                            LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    if (frame == nullptr || doc == nullptr || pos == nullptr || clip == nullptr) return E_POINTER;
    *frame = nullptr;
    *doc = nullptr;
    if (m_owner == nullptr) return E_UNEXPECTED;
    *frame = new CActiveXFrameWnd(this);
    const RECT rc = ObjectRect();
    *pos = rc;
    *clip = rc;
    if (frameInfo != nullptr) {
        if (m_accel == nullptr) {
            ACCEL empty = {0, 0, 0};
            m_accel = ::CreateAcceleratorTableW(&empty, 1);
        }
        frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = m_owner->GetManager() != nullptr ? m_owner->GetManager()->GetPaintWindow() : nullptr;
        frameInfo->haccel = m_accel;
        frameInfo->cAccelEntries = 1;
    }
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::Scroll(SIZE) { return E_NOTIMPL; }

STDMETHODIMP CActiveXCtrl::OnUIDeactivate(BOOL) {
    m_uiActivated = false;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::OnInPlaceDeactivate() { return OnInPlaceDeactivateEx(TRUE); }
STDMETHODIMP CActiveXCtrl::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP CActiveXCtrl::DeactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP CActiveXCtrl::OnPosRectChange(LPCRECT) { return E_NOTIMPL; }

// ---- IOleInPlaceSiteEx ----

STDMETHODIMP CActiveXCtrl::OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) {
    if (noRedraw != nullptr) *noRedraw = FALSE;
    if (m_owner == nullptr || m_owner->m_object == nullptr) return E_UNEXPECTED;
    CWindowManagerUI* manager = m_owner->GetManager();
    if (manager == nullptr || manager->GetPaintWindow() == nullptr) return E_UNEXPECTED;
    // A second activation replaces what the first one set up.
    ReleaseInterface(m_inPlaceObject);
    if (!m_runningLocked) {
        ::OleLockRunning(m_owner->m_object, TRUE, FALSE);
        m_runningLocked = true;
    }
    HRESULT hr = E_FAIL;
    if (flags & ACTIVATE_WINDOWLESS) {
        m_windowless = true;
        hr = m_owner->m_object->QueryInterface(IID_IOleInPlaceObjectWindowless,
                                               reinterpret_cast<void**>(&m_inPlaceObject));
        if (SUCCEEDED(hr) && m_inPlaceObject != nullptr) {
            m_owner->m_hostWnd = manager->GetPaintWindow();
            m_owner->AddFilter();
            // A child window made earlier (the object asked for the site's window before it was
            // activated) would cover the object and take its mouse input: it is hidden. It stays
            // alive with the site, since the object may have placed windows of its own in it.
            if (m_window != nullptr && m_window->GetHWND() != nullptr) ::ShowWindow(m_window->GetHWND(), SW_HIDE);
        } else {
            m_inPlaceObject = nullptr;
            hr = E_FAIL;
        }
    }
    if (FAILED(hr)) {
        m_windowless = false;
        m_owner->RemoveFilter();
        hr = CreateHostWindow();
        if (SUCCEEDED(hr)) {
            hr = m_owner->m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlaceObject));
            if (FAILED(hr)) m_inPlaceObject = nullptr;
        }
    }
    if (m_inPlaceObject != nullptr) {
        RECT rc = ObjectRect();
        m_inPlaceObject->SetObjectRects(&rc, &rc);
    }
    m_inPlaceActive = SUCCEEDED(hr);
    return hr;
}

STDMETHODIMP CActiveXCtrl::OnInPlaceDeactivateEx(BOOL) {
    m_inPlaceActive = false;
    ReleaseInterface(m_inPlaceObject);
    if (m_window != nullptr) {
        CActiveXWnd* window = m_window;
        m_window = nullptr;
        if (m_owner != nullptr && m_owner->m_hostWnd == window->GetHWND()) m_owner->m_hostWnd = nullptr;
        delete window;
    }
    if (m_owner != nullptr) m_owner->RemoveFilter();
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::RequestUIActivate() { return S_OK; }

// ---- IOleInPlaceSiteWindowless ----

STDMETHODIMP CActiveXCtrl::CanWindowlessActivate() { return S_OK; }

STDMETHODIMP CActiveXCtrl::GetCapture() {
    if (m_owner == nullptr) return E_UNEXPECTED;
    return m_captured ? S_OK : S_FALSE;
}

STDMETHODIMP CActiveXCtrl::SetCapture(BOOL capture) {
    if (m_owner == nullptr) return E_UNEXPECTED;
    m_captured = capture != FALSE;
    const HWND host = HostWindow();
    if (m_captured) {
        if (host != nullptr) ::SetCapture(host);
    } else if (host != nullptr && ::GetCapture() == host) {
        ::ReleaseCapture();
    }
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetFocus() {
    if (m_owner == nullptr) return E_UNEXPECTED;
    return m_focused ? S_OK : S_FALSE;
}

STDMETHODIMP CActiveXCtrl::SetFocus(BOOL focus) {
    if (m_owner == nullptr) return E_UNEXPECTED;
    if (focus) m_owner->SetFocus();
    m_focused = focus != FALSE;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetDC(LPCRECT, DWORD flags, HDC* dc) {
    if (dc == nullptr) return E_POINTER;
    *dc = nullptr;
    if (m_owner == nullptr) return E_UNEXPECTED;
    const HWND host = HostWindow();
    if (host == nullptr) return E_FAIL;
    *dc = ::GetDC(host);
    if (*dc == nullptr) return E_FAIL;
    if (flags & OLEDC_PAINTBKGND) {
        const RECT rc = ObjectRect();
        ::FillRect(*dc, &rc, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    }
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ReleaseDC(HDC dc) {
    if (m_owner == nullptr) return E_UNEXPECTED;
    const HWND host = HostWindow();
    if (host == nullptr) return E_FAIL;
    return ::ReleaseDC(host, dc) != 0 ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::InvalidateRect(LPCRECT rect, BOOL erase) {
    if (m_owner == nullptr) return E_UNEXPECTED;
    const HWND host = HostWindow();
    if (host == nullptr) return E_FAIL;
    return ::InvalidateRect(host, rect, erase) ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::InvalidateRgn(HRGN region, BOOL erase) {
    if (m_owner == nullptr) return E_UNEXPECTED;
    const HWND host = HostWindow();
    if (host == nullptr) return E_FAIL;
    return ::InvalidateRgn(host, region, erase) ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::ScrollRect(INT, INT, LPCRECT, LPCRECT) { return S_OK; }
STDMETHODIMP CActiveXCtrl::AdjustRect(LPRECT) { return S_OK; }

STDMETHODIMP CActiveXCtrl::OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (result == nullptr) return E_POINTER;
    *result = 0;
    if (m_owner == nullptr) return E_UNEXPECTED;
    const HWND host = HostWindow();
    if (host == nullptr) return E_FAIL;
    *result = ::DefWindowProcW(host, message, wParam, lParam);
    return S_OK;
}

// ---- IOleControlSite ----

STDMETHODIMP CActiveXCtrl::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP CActiveXCtrl::LockInPlaceActive(BOOL) { return S_OK; }

STDMETHODIMP CActiveXCtrl::GetExtendedControl(IDispatch** dispatch) {
    if (dispatch == nullptr) return E_POINTER;
    *dispatch = nullptr;
    if (m_owner == nullptr || m_owner->m_object == nullptr) return E_UNEXPECTED;
    return m_owner->m_object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch));
}

STDMETHODIMP CActiveXCtrl::TransformCoords(POINTL*, POINTF*, DWORD) { return S_OK; }
STDMETHODIMP CActiveXCtrl::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }

STDMETHODIMP CActiveXCtrl::OnFocus(BOOL gotFocus) {
    m_focused = gotFocus != FALSE;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ShowPropertyFrame() { return E_NOTIMPL; }

// ---- IOleContainer ----

STDMETHODIMP CActiveXCtrl::EnumObjects(DWORD, IEnumUnknown** enumerator) {
    if (enumerator == nullptr) return E_POINTER;
    *enumerator = nullptr;
    if (m_owner == nullptr) return E_UNEXPECTED;
    *enumerator = new CActiveXEnum(m_owner->m_object);
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::LockContainer(BOOL lock) {
    m_locked = lock != FALSE;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ParseDisplayName(IBindCtx*, LPOLESTR, ULONG* eaten, IMoniker** out) {
    if (eaten != nullptr) *eaten = 0;
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}

// ---- Child window ----

HRESULT CActiveXCtrl::CreateHostWindow() {
    if (m_owner == nullptr) return E_UNEXPECTED;
    if (m_window != nullptr && m_window->GetHWND() != nullptr) {
        // The window made before (possibly hidden by a windowless activation since) serves
        // again, at the item's place and shown as the control is.
        const HWND hWnd = m_window->GetHWND();
        m_owner->m_hostWnd = hWnd;
        const RECT rc = m_owner->GetPos();
        ::MoveWindow(hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
        ::ShowWindow(hWnd, m_owner->IsVisible() ? SW_SHOW : SW_HIDE);
        return S_OK;
    }
    delete m_window;
    m_window = nullptr;
    CWindowManagerUI* manager = m_owner->GetManager();
    const HWND parent = manager != nullptr ? manager->GetPaintWindow() : nullptr;
    if (parent == nullptr) return E_OUTOFMEMORY;
    CActiveXWnd* window = new CActiveXWnd(this);
    if (window->Init(parent, m_owner->GetPos()) == nullptr) {
        delete window;
        return E_OUTOFMEMORY;
    }
    m_window = window;
    m_owner->m_hostWnd = window->GetHWND();
    if (!m_owner->IsVisible()) ::ShowWindow(m_owner->m_hostWnd, SW_HIDE);
    return S_OK;
}

// =============================================================================================
// CActiveXUI

CActiveXUI::CActiveXUI()
    : m_clsid(GUID_NULL),
      m_created(false),
      m_delayCreate(true),
      m_object(nullptr),
      m_site(nullptr),
      m_hostWnd(nullptr),
      m_filterManager(nullptr) {}

CActiveXUI::~CActiveXUI() { ReleaseHostedControl(); }

const wchar_t* CActiveXUI::GetClassName() const { return L"ActiveXUI"; }

void* CActiveXUI::GetInterface(const wchar_t* name) {
    if (name != nullptr && wcscmp(name, L"ActiveX") == 0) return static_cast<CActiveXUI*>(this);
    return CControlUI::GetInterface(name);
}

void CActiveXUI::SetDelayCreate(bool delayCreate) {
    if (m_delayCreate == delayCreate) return;
    m_delayCreate = delayCreate;
    if (!delayCreate && !m_created && m_clsid != GUID_NULL) InstantiateControl();
}

bool CActiveXUI::SetClsid(const wchar_t* clsid) {
    CLSID id = GUID_NULL;
    if (clsid != nullptr && clsid[0] != L'\0') {
        wchar_t text[100] = {};
        wcsncpy(text, clsid, 99);
        HRESULT hr = text[0] == L'{' ? ::CLSIDFromString(text, &id) : ::CLSIDFromProgID(text, &id);
        if (FAILED(hr)) id = GUID_NULL;
    }
    return SetClsid(id);
}

bool CActiveXUI::SetClsid(REFCLSID clsid) {
    if (clsid == GUID_NULL) return false;
    m_created = false;
    m_clsid = clsid;
    if (!m_delayCreate) InstantiateControl();
    return true;
}

void CActiveXUI::SetModuleName(const wchar_t* moduleName) { m_moduleName = moduleName; }

HRESULT CActiveXUI::QueryControl(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (m_object == nullptr) return E_PENDING;
    return m_object->QueryInterface(riid, object);
}

void CActiveXUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    // Attributes without a name are ignored; a missing value reads as an empty one.
    if (name == nullptr) return;
    if (value == nullptr) value = L"";
    if (wcscmp(name, L"clsid") == 0) {
        SetClsid(value);
    } else if (wcscmp(name, L"modulename") == 0) {
        SetModuleName(value);
    } else if (wcscmp(name, L"delaycreate") == 0) {
        SetDelayCreate(value != nullptr && wcscmp(value, L"true") == 0);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CActiveXUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    if (!m_created) InstantiateControl();
    if (m_object == nullptr || m_site == nullptr) return;

    SIZEL himetric = PixelsToHimetric(SIZEL{m_rcItem.right - m_rcItem.left, m_rcItem.bottom - m_rcItem.top});
    m_object->SetExtent(DVASPECT_CONTENT, &himetric);

    if (m_site->m_inPlaceObject != nullptr) {
        RECT objectRect = m_site->ObjectRect();
        m_site->m_inPlaceObject->SetObjectRects(&objectRect, &objectRect);
    }
    if (!m_site->m_windowless && m_site->m_window != nullptr && m_site->m_window->GetHWND() != nullptr) {
        ::MoveWindow(m_site->m_window->GetHWND(), m_rcItem.left, m_rcItem.top, m_rcItem.right - m_rcItem.left,
                     m_rcItem.bottom - m_rcItem.top, TRUE);
    }
}

void CActiveXUI::ShowHostWindow() {
    if (m_site == nullptr || m_site->m_windowless || m_site->m_window == nullptr) return;
    const HWND window = m_site->m_window->GetHWND();
    if (window != nullptr) ::ShowWindow(window, IsVisible() ? SW_SHOW : SW_HIDE);
}

void CActiveXUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    ShowHostWindow();
}

void CActiveXUI::SetInternalVisible(bool visible) {
    CControlUI::SetInternalVisible(visible);
    ShowHostWindow();
}

void CActiveXUI::Paint(HDC hDC, const RECT& rcPaint) {
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
    if (m_site == nullptr || !m_site->m_windowless || m_site->m_viewObject == nullptr) return;
    RECTL bounds = {m_rcItem.left, m_rcItem.top, m_rcItem.right, m_rcItem.bottom};
    m_site->m_viewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hDC, &bounds, nullptr, nullptr, 0);
}

POINT CActiveXUI::MessagePoint(UINT message, LPARAM lParam) const {
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    // WM_SETCURSOR carries no point, and the wheel's point is in screen coordinates.
    if (message == WM_SETCURSOR) ::GetCursorPos(&pt);
    if (message == WM_SETCURSOR || message == WM_MOUSEWHEEL) {
        if (m_hostWnd != nullptr) ::ScreenToClient(m_hostWnd, &pt);
    }
    return pt;
}

LRESULT CActiveXUI::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (m_site == nullptr || m_object == nullptr || !m_site->m_windowless || !m_site->m_inPlaceActive ||
        m_site->m_inPlaceObject == nullptr) {
        return 0;
    }
    bool markHandled = true;
    if (IsMouseMessage(message) || message == WM_SETCURSOR) {
        if (IsMouseMessage(message) && !IsMouseEnabled()) return 0;
        bool hit = m_site->m_captured;
        // A hidden object takes no pointer input away from what is shown at its place (unless
        // it holds the capture, so that it still sees the button go up).
        if (!hit && !IsVisible()) return 0;
        if (!hit && m_site->m_viewObjectEx) {
            const POINT pt = MessagePoint(message, lParam);
            DWORD result = HITRESULT_OUTSIDE;
            static_cast<IViewObjectEx*>(m_site->m_viewObject)
                ->QueryHitPoint(DVASPECT_CONTENT, &m_rcItem, pt, 0, &result);
            hit = result == HITRESULT_HIT;
        }
        if (!hit) return 0;
        if (message == WM_SETCURSOR) markHandled = false;
    } else if (IsKeyMessage(message)) {
        if (m_manager == nullptr || m_manager->GetFocus() != this) return 0;
    } else if (message == WM_HELP || message == WM_CONTEXTMENU) {
        markHandled = false;
    } else {
        return 0;
    }
    CComPointer<IOleInPlaceObjectWindowless> windowless = CComPointer<IOleInPlaceObjectWindowless>::Share(
        static_cast<IOleInPlaceObjectWindowless*>(m_site->m_inPlaceObject));
    LRESULT result = 0;
    const HRESULT hr = windowless->OnWindowMessage(message, wParam, lParam, &result);
    if (hr == S_OK) handled = markHandled;
    return result;
}

void CActiveXUI::AddFilter() {
    if (m_manager == nullptr || m_filterManager == m_manager) return;
    RemoveFilter();
    if (m_manager->AddMessageFilter(this)) m_filterManager = m_manager;
}

void CActiveXUI::RemoveFilter() {
    if (m_filterManager == nullptr) return;
    m_filterManager->RemoveMessageFilter(this);
    m_filterManager = nullptr;
}

IOleObject* CActiveXUI::CreateObject() {
    IOleObject* object = nullptr;
    if (!m_moduleName.IsEmpty()) {
        HMODULE module = ::LoadLibraryW(m_moduleName);
        if (module != nullptr) {
            object = CreateObjectOfModule(module, m_clsid);
            // The module stays loaded while it has made an object (its code runs the object);
            // one that gave nothing is let go again.
            if (object == nullptr) ::FreeLibrary(module);
        }
    }
    if (object == nullptr) {
        CComPointer<IOleControl> control;
        if (SUCCEEDED(::CoCreateInstance(m_clsid, nullptr, CLSCTX_ALL, IID_IOleControl, control.ReceiveVoid())) &&
            control) {
            if (FAILED(control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)))) object = nullptr;
        }
    }
    return object;
}

bool CActiveXUI::InstantiateControl() {
    ReleaseHostedControl();
    m_created = true;
    if (m_clsid == GUID_NULL) return false;

    m_object = CreateObject();
    if (m_object == nullptr) return false;

    m_site = new CActiveXCtrl(this);
    CComPointer<IOleClientSite> clientSite;
    m_site->QueryInterface(IID_IOleClientSite, clientSite.ReceiveVoid());

    DWORD status = 0;
    m_object->GetMiscStatus(DVASPECT_CONTENT, &status);
    if (status & OLEMISC_SETCLIENTSITEFIRST) m_object->SetClientSite(clientSite.Get());

    HRESULT hr = S_OK;
    {
        CComPointer<IPersistStreamInit> persist;
        if (SUCCEEDED(m_object->QueryInterface(IID_IPersistStreamInit, persist.ReceiveVoid())) && persist) {
            hr = persist->InitNew();
        }
    }
    if (FAILED(hr)) {
        clientSite.Reset();  // the site's own reference goes before the site itself
        ReleaseHostedControl();
        return false;
    }
    if ((status & OLEMISC_SETCLIENTSITEFIRST) == 0) m_object->SetClientSite(clientSite.Get());

    void* view = nullptr;
    hr = m_object->QueryInterface(IID_IViewObjectEx, &view);
    m_site->m_viewObjectEx = SUCCEEDED(hr) && view != nullptr;
    if (FAILED(hr) || view == nullptr) hr = m_object->QueryInterface(IID_IViewObject2, &view);
    if (FAILED(hr) || view == nullptr) hr = m_object->QueryInterface(IID_IViewObject, &view);
    m_site->m_viewObject = SUCCEEDED(hr) ? static_cast<IViewObject*>(view) : nullptr;

    m_object->SetHostNames(kHostName, nullptr);

    IOleObject* const object = m_object;
    CActiveXCtrl* const site = m_site;
    if (m_manager != nullptr) m_manager->SendNotify(this, L"showactivex", 0, 0, false);
    // The form may have set another id meanwhile: the object of this creation is gone then.
    if (m_object != object || m_site != site) return m_object != nullptr;

    if ((status & OLEMISC_INVISIBLEATRUNTIME) == 0) {
        const HWND window = m_manager != nullptr ? m_manager->GetPaintWindow() : nullptr;
        RECT rc = m_rcItem;
        hr = m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite.Get(), 0, window, &rc);
    }
    CComPointer<IObjectWithSite> withSite;
    if (m_object != nullptr && SUCCEEDED(m_object->QueryInterface(IID_IObjectWithSite, withSite.ReceiveVoid())) &&
        withSite) {
        withSite->SetSite(static_cast<IOleClientSite*>(m_site));
    }
    return SUCCEEDED(hr) && m_object != nullptr;
}

void CActiveXUI::ReleaseHostedControl() {
    m_hostWnd = nullptr;
    if (m_object != nullptr) {
        IOleObject* object = m_object;
        {
            CComPointer<IObjectWithSite> withSite;
            if (SUCCEEDED(object->QueryInterface(IID_IObjectWithSite, withSite.ReceiveVoid())) && withSite) {
                withSite->SetSite(nullptr);
            }
        }
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
        if (m_site != nullptr && m_site->m_runningLocked) {
            ::OleLockRunning(object, FALSE, FALSE);
            m_site->m_runningLocked = false;
        }
        m_object = nullptr;
        object->Release();
    }
    if (m_site != nullptr) {
        CActiveXCtrl* site = m_site;
        m_site = nullptr;
        site->m_owner = nullptr;
        // An object may keep the site beyond this point; the site then must not keep the
        // object (or its window) alive in turn.
        site->m_inPlaceActive = false;
        ReleaseInterface(site->m_inPlaceObject);
        ReleaseInterface(site->m_viewObject);
        ReleaseInterface(site->m_outerSite);
        delete site->m_window;
        site->m_window = nullptr;
        site->Release();
    }
    RemoveFilter();
}

}  // namespace UIToolkit
