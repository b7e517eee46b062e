// The test control module (see test_control.h).
#include "test_control.h"

#include <cwchar>

using axtest::ControlState;

namespace {

ControlState g_state = {};
LONG g_serverLocks = 0;

template <class T>
void SafeRelease(T*& pointer) {
    if (pointer != nullptr) {
        T* old = pointer;
        pointer = nullptr;
        old->Release();
    }
}

enum class Kind { Windowless, Windowed, Invisible, SiteFirst, InitFails };

LRESULT CALLBACK ObjectWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hWnd, &ps);
        RECT rc;
        GetClientRect(hWnd, &rc);
        HBRUSH brush = CreateSolidBrush(axtest::kFillColor);
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        EndPaint(hWnd, &ps);
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

const wchar_t kObjectWindowClass[] = L"VelaTestControlWindow";

class TestObject : public IOleObject,
                   public IOleInPlaceObjectWindowless,
                   public IViewObjectEx,
                   public IPersistStreamInit,
                   public IOleControl,
                   public IObjectWithSite {
public:
    explicit TestObject(Kind kind) : kind_(kind) { InterlockedIncrement(&g_state.liveObjects); }

    // ---- IUnknown ----
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleObject) {
            *object = static_cast<IOleObject*>(this);
        } else if (riid == IID_IOleInPlaceObjectWindowless || riid == IID_IOleInPlaceObject ||
                   riid == IID_IOleWindow) {
            *object = static_cast<IOleInPlaceObjectWindowless*>(this);
        } else if (riid == IID_IViewObjectEx || riid == IID_IViewObject2 || riid == IID_IViewObject) {
            *object = static_cast<IViewObjectEx*>(this);
        } else if (riid == IID_IPersistStreamInit || riid == IID_IPersist) {
            *object = static_cast<IPersistStreamInit*>(this);
        } else if (riid == IID_IOleControl) {
            *object = static_cast<IOleControl*>(this);
        } else if (riid == IID_IObjectWithSite) {
            *object = static_cast<IObjectWithSite*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&refs_);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }

    // ---- IOleObject ----
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        if (site != nullptr) {
            site->AddRef();
            InterlockedIncrement(&g_state.siteReferences);
            if (g_state.keepSite && g_state.keptSite == nullptr)
                site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&g_state.keptSite));
            IOleWindow* siteWindow = nullptr;
            if (g_state.askWindowFirst &&
                SUCCEEDED(site->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&siteWindow)))) {
                siteWindow->GetWindow(&g_state.earlyWindow);
                siteWindow->Release();
            }
        }
        if (clientSite_ != nullptr) InterlockedDecrement(&g_state.siteReferences);
        SafeRelease(clientSite_);
        clientSite_ = site;
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        if (site == nullptr) return E_POINTER;
        *site = clientSite_;
        if (clientSite_ != nullptr) clientSite_->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR) override {
        wcsncpy(g_state.containerApp, app != nullptr ? app : L"", 31);
        return S_OK;
    }
    STDMETHODIMP Close(DWORD) override {
        ++g_state.closeCalls;
        InPlaceDeactivate();
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) override {
        ++g_state.doVerbCalls;
        if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_UIACTIVATE && verb != OLEIVERB_SHOW)
            return OLEOBJ_S_INVALIDVERB;
        if (site == nullptr) site = clientSite_;
        if (site == nullptr) return E_UNEXPECTED;
        if (!active_) {
            const HRESULT hr = Activate(site);
            if (FAILED(hr)) return hr;
        }
        if (verb == OLEIVERB_UIACTIVATE && inPlaceSite_ != nullptr) inPlaceSite_->OnUIActivate();
        return S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL* size) override {
        if (size != nullptr) g_state.extent = *size;
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD, SIZEL* size) override {
        if (size != nullptr) *size = g_state.extent;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        if (status == nullptr) return E_POINTER;
        *status = OLEMISC_RECOMPOSEONRESIZE;
        if (kind_ == Kind::Invisible) *status |= OLEMISC_INVISIBLEATRUNTIME;
        if (kind_ == Kind::SiteFirst) *status |= OLEMISC_SETCLIENTSITEFIRST;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // ---- IOleWindow / IOleInPlaceObject(Windowless) ----
    STDMETHODIMP GetWindow(HWND* window) override {
        if (window == nullptr) return E_POINTER;
        *window = window_;
        return window_ != nullptr ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override {
        if (!active_) return S_OK;
        active_ = false;
        g_state.inPlaceActive = false;
        if (window_ != nullptr) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
        if (inPlaceSite_ != nullptr) inPlaceSite_->OnInPlaceDeactivate();
        SafeRelease(inPlaceSite_);
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override {
        if (pos == nullptr) return E_POINTER;
        g_state.objectRect = *pos;
        if (window_ != nullptr)
            MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT* result) override {
        if (g_state.messageCount < 64) g_state.messages[g_state.messageCount] = message;
        ++g_state.messageCount;
        IOleInPlaceSiteWindowless* site = nullptr;
        if (inPlaceSite_ != nullptr &&
            SUCCEEDED(inPlaceSite_->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&site)))) {
            if (message == WM_LBUTTONDOWN) site->SetCapture(TRUE);
            if (message == WM_LBUTTONUP) site->SetCapture(FALSE);
            site->Release();
        }
        if (result != nullptr) *result = axtest::kMessageResult;
        return S_OK;
    }
    STDMETHODIMP GetDropTarget(IDropTarget**) override { return E_NOTIMPL; }

    // ---- IViewObject(Ex) ----
    STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        if (dc == nullptr || bounds == nullptr) return E_INVALIDARG;
        ++g_state.drawCount;
        RECT rc = {bounds->left, bounds->top, bounds->right, bounds->bottom};
        HBRUSH brush = CreateSolidBrush(axtest::kFillColor);
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        return S_OK;
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return S_OK; }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
        if (size != nullptr) *size = g_state.extent;
        return S_OK;
    }
    STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStatus(DWORD* status) override {
        if (status != nullptr) *status = VIEWSTATUS_OPAQUE;
        return S_OK;
    }
    STDMETHODIMP QueryHitPoint(DWORD, LPCRECT, POINT pt, LONG, DWORD* result) override {
        if (result == nullptr) return E_POINTER;
        *result = PtInRect(&g_state.hitArea, pt) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
        return S_OK;
    }
    STDMETHODIMP QueryHitRect(DWORD, LPCRECT, LPCRECT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) override {
        return E_NOTIMPL;
    }

    // ---- IPersistStreamInit ----
    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override { return E_NOTIMPL; }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override {
        ++g_state.initNewCalls;
        g_state.siteBeforeInitNew = clientSite_ != nullptr;
        return kind_ == Kind::InitFails ? E_FAIL : S_OK;
    }

    // ---- IOleControl ----
    STDMETHODIMP GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
    STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

    // ---- IObjectWithSite ----
    STDMETHODIMP SetSite(IUnknown* site) override {
        if (site != nullptr) {
            ++g_state.objectSiteCalls;
            site->AddRef();
        }
        SafeRelease(objectSite_);
        objectSite_ = site;
        return S_OK;
    }
    STDMETHODIMP GetSite(REFIID riid, void** site) override {
        if (site == nullptr) return E_POINTER;
        *site = nullptr;
        return objectSite_ != nullptr ? objectSite_->QueryInterface(riid, site) : E_FAIL;
    }

private:
    virtual ~TestObject() {
        InPlaceDeactivate();
        if (clientSite_ != nullptr) InterlockedDecrement(&g_state.siteReferences);
        SafeRelease(clientSite_);
        SafeRelease(objectSite_);
        InterlockedDecrement(&g_state.liveObjects);
    }

    HRESULT Activate(IOleClientSite* site) {
        IOleInPlaceSite* inPlace = nullptr;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) return E_NOINTERFACE;
        if (inPlace->CanInPlaceActivate() != S_OK) {
            inPlace->Release();
            return E_FAIL;
        }
        HRESULT hr = E_FAIL;
        bool windowless = false;
        if (kind_ != Kind::Windowed) {
            IOleInPlaceSiteWindowless* wl = nullptr;
            if (SUCCEEDED(inPlace->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&wl)))) {
                if (wl->CanWindowlessActivate() == S_OK) {
                    BOOL noRedraw = FALSE;
                    hr = wl->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);
                    windowless = SUCCEEDED(hr);
                }
                wl->Release();
            }
        }
        if (!windowless) hr = inPlace->OnInPlaceActivate();
        if (FAILED(hr)) {
            inPlace->Release();
            return hr;
        }
        inPlaceSite_ = inPlace;
        active_ = true;
        g_state.inPlaceActive = true;
        g_state.windowless = windowless;

        HWND parent = nullptr;
        inPlace->GetWindow(&parent);
        g_state.siteWindow = parent;
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* doc = nullptr;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO info = {};
        info.cb = sizeof info;
        if (SUCCEEDED(inPlace->GetWindowContext(&frame, &doc, &pos, &clip, &info))) {
            g_state.frameWindow = info.hwndFrame;
            if (g_state.keepFrame && g_state.keptFrame == nullptr) {
                g_state.keptFrame = frame;
                frame = nullptr;
            }
            SafeRelease(frame);
            SafeRelease(doc);
        }
        if (!windowless && parent != nullptr) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = ObjectWindowProc;
            wc.hInstance = GetModuleHandleW(axtest::kModuleName);
            wc.lpszClassName = kObjectWindowClass;
            RegisterClassW(&wc);
            window_ = CreateWindowExW(0, kObjectWindowClass, L"", WS_CHILD | WS_VISIBLE, pos.left, pos.top,
                                      pos.right - pos.left, pos.bottom - pos.top, parent, nullptr, wc.hInstance,
                                      nullptr);
            g_state.window = window_;
        }
        return S_OK;
    }

    LONG refs_ = 1;
    Kind kind_;
    IOleClientSite* clientSite_ = nullptr;
    IOleInPlaceSite* inPlaceSite_ = nullptr;
    IUnknown* objectSite_ = nullptr;
    HWND window_ = nullptr;
    bool active_ = false;
};

class Factory : public IClassFactory {
public:
    explicit Factory(Kind kind) : kind_(kind) {}
    virtual ~Factory() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&refs_);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        TestObject* created = new TestObject(kind_);
        const HRESULT hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            InterlockedIncrement(&g_serverLocks);
        else
            InterlockedDecrement(&g_serverLocks);
        return S_OK;
    }

private:
    LONG refs_ = 1;
    Kind kind_;
};

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    Kind kind;
    if (clsid == axtest::kWindowless)
        kind = Kind::Windowless;
    else if (clsid == axtest::kWindowed)
        kind = Kind::Windowed;
    else if (clsid == axtest::kInvisible)
        kind = Kind::Invisible;
    else if (clsid == axtest::kSiteFirst)
        kind = Kind::SiteFirst;
    else if (clsid == axtest::kInitFails)
        kind = Kind::InitFails;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    Factory* factory = new Factory(kind);
    const HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return g_state.liveObjects == 0 && g_serverLocks == 0 ? S_OK : S_FALSE; }

extern "C" ControlState* WINAPI VelaTestControlState() { return &g_state; }
