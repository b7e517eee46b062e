#include "web_test_support.h"

#include <exdispid.h>

#include "web_messages.h"

// MinGW's uuid library lacks the id of the script engine's parser interface.
#ifdef _WIN64
extern "C" const GUID IID_IActiveScriptParse64 = {0xc7ef7658, 0xe1ee, 0x480e,
                                                  {0x97, 0xea, 0xd5, 0x2c, 0xb4, 0xd7, 0x6d, 0x17}};
#else
extern "C" const GUID IID_IActiveScriptParse32 = {0xbb1a2ae2, 0xa4f9, 0x11cf,
                                                  {0x8f, 0x20, 0x00, 0x80, 0x5f, 0x2c, 0xd0, 0x64}};
#endif

namespace webtest {

namespace {

const wchar_t kHostClass[] = L"VelaWebTestHost";

}  // namespace

HostWindow::HostWindow(int width, int height) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    ::RegisterClassExW(&wc);
    window_ = ::CreateWindowExW(0, kHostClass, L"VelaMusic", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height,
                                nullptr, nullptr, wc.hInstance, nullptr);
}

HostWindow::~HostWindow() {
    if (window_ != nullptr) ::DestroyWindow(window_);
}

std::vector<Posted> HostWindow::TakePosted(VelaUI::CWebBrowserBase* bridge) {
    std::vector<Posted> out;
    MSG msg;
    while (::PeekMessageW(&msg, window_, VelaUI::WM_WEB_AUDITION, VelaUI::WM_WEB_SHOW_AUDITION, PM_REMOVE)) {
        Posted posted{msg.message, msg.wParam, msg.lParam, std::wstring()};
        VelaUI::CWebBrowserBase::AddAllRequest request;
        if (msg.message == VelaUI::WM_WEB_ADD_ALL && bridge != nullptr && bridge->TakeAddAllRequest(request)) {
            posted.text = request.text;
            posted.number = request.number;
        }
        out.push_back(posted);
    }
    return out;
}

void Pump(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    // Everything but the web messages, which stay queued for TakePosted.
    auto next = [](MSG& msg) {
        return ::PeekMessageW(&msg, nullptr, 0, VelaUI::WM_WEB_AUDITION - 1, PM_REMOVE) ||
               ::PeekMessageW(&msg, nullptr, VelaUI::WM_WEB_SHOW_AUDITION + 1, 0xFFFFFFFF, PM_REMOVE);
    };
    do {
        MSG msg;
        while (next(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (milliseconds > 0) ::Sleep(10);
    } while (::GetTickCount() - start < milliseconds);
}

// ---- Args ------------------------------------------------------------------------------------

Args::~Args() {
    for (VARIANT& v : script_order_) ::VariantClear(&v);
}

Args& Args::Add(const VARIANT& value) {
    VARIANT copy;
    ::VariantInit(&copy);
    ::VariantCopy(&copy, const_cast<VARIANT*>(&value));
    script_order_.push_back(copy);
    return *this;
}

namespace {

VARIANT Typed(VARTYPE type) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = type;
    return v;
}

}  // namespace

Args& Args::Int(int value) {
    VARIANT v = Typed(VT_I4);
    v.lVal = value;
    return Add(v);
}

Args& Args::Real(double value) {
    VARIANT v = Typed(VT_R8);
    v.dblVal = value;
    return Add(v);
}

Args& Args::Bool(bool value) {
    VARIANT v = Typed(VT_BOOL);
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return Add(v);
}

Args& Args::Text(const std::wstring& value) {
    VARIANT v = Typed(VT_BSTR);
    v.bstrVal = ::SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    script_order_.push_back(v);  // owned as it is
    return *this;
}

Args& Args::Empty() { return Add(Typed(VT_EMPTY)); }

DISPPARAMS* Args::Params() {
    reversed_.assign(script_order_.rbegin(), script_order_.rend());
    params_.rgvarg = reversed_.empty() ? nullptr : reversed_.data();
    params_.cArgs = static_cast<UINT>(reversed_.size());
    params_.rgdispidNamedArgs = nullptr;
    params_.cNamedArgs = 0;
    return &params_;
}

HRESULT CallExternal(IDispatch* external, const wchar_t* name, Args& args) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    VARIANT result;
    ::VariantInit(&result);
    hr = external->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, args.Params(), &result, nullptr, nullptr);
    ::VariantClear(&result);
    return hr;
}

HRESULT AnnounceDocument(VelaUI::CWebBrowserBase& host, const std::wstring& url, IDispatch* frame) {
    if (frame == nullptr) frame = host.GetBrowser();
    VARIANT address;
    ::VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = ::SysAllocString(url.c_str());
    VARIANT args[2];
    ::VariantInit(&args[0]);
    ::VariantInit(&args[1]);
    args[0].vt = VT_BYREF | VT_VARIANT;  // the address, last in the event's order
    args[0].pvarVal = &address;
    args[1].vt = VT_DISPATCH;            // the frame
    args[1].pdispVal = frame;
    DISPPARAMS params = {args, nullptr, 2, 0};
    HRESULT hr = static_cast<IDispatch&>(host).Invoke(DISPID_NAVIGATECOMPLETE2, IID_NULL, LOCALE_USER_DEFAULT,
                                                      DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    ::VariantClear(&address);
    return hr;
}

ULONG References(VelaUI::CWebBrowserBase& host) {
    IDispatch& dispatch = host;
    ULONG count = dispatch.AddRef();
    dispatch.Release();
    return count - 1;
}

// ---- ScriptEngine ----------------------------------------------------------------------------

ScriptEngine::ScriptEngine(IDispatch* external) : external_(external) {
    CLSID jscript;
    if (FAILED(::CLSIDFromProgID(L"JScript", &jscript))) return;
    if (FAILED(::CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                                  reinterpret_cast<void**>(&script_)))) {
        script_ = nullptr;
        return;
    }
    if (FAILED(script_->QueryInterface(IID_IActiveScriptParse, reinterpret_cast<void**>(&parse_)))) {
        parse_ = nullptr;
        return;
    }
    script_->SetScriptSite(this);
    parse_->InitNew();
    script_->AddNamedItem(L"external", SCRIPTITEM_ISVISIBLE);
    script_->SetScriptState(SCRIPTSTATE_CONNECTED);
}

ScriptEngine::~ScriptEngine() {
    if (script_ != nullptr) script_->Close();
    if (parse_ != nullptr) parse_->Release();
    if (script_ != nullptr) script_->Release();
}

bool ScriptEngine::Run(const std::wstring& code, VARIANT* result) {
    if (!ok()) return false;
    error_.clear();
    EXCEPINFO exception = {};
    DWORD flags = result != nullptr ? SCRIPTTEXT_ISEXPRESSION : 0;
    HRESULT hr = parse_->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0, flags, result, &exception);
    if (exception.bstrDescription != nullptr) ::SysFreeString(exception.bstrDescription);
    if (exception.bstrSource != nullptr) ::SysFreeString(exception.bstrSource);
    if (exception.bstrHelpFile != nullptr) ::SysFreeString(exception.bstrHelpFile);
    return SUCCEEDED(hr) && error_.empty();
}

IDispatch* ScriptEngine::Global() {
    IDispatch* global = nullptr;
    if (script_ != nullptr) script_->GetScriptDispatch(nullptr, &global);
    return global;
}

STDMETHODIMP ScriptEngine::QueryInterface(REFIID riid, void** object) {
    if (riid == IID_IUnknown || riid == IID_IActiveScriptSite) {
        *object = static_cast<IActiveScriptSite*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ScriptEngine::GetLCID(LCID*) { return E_NOTIMPL; }

STDMETHODIMP ScriptEngine::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    if (item != nullptr) *item = nullptr;
    if (name == nullptr || std::wstring(name) != L"external") return TYPE_E_ELEMENTNOTFOUND;
    if ((mask & SCRIPTINFO_IUNKNOWN) != 0 && item != nullptr) {
        *item = external_;
        external_->AddRef();
    }
    return S_OK;
}

STDMETHODIMP ScriptEngine::GetDocVersionString(BSTR*) { return E_NOTIMPL; }
STDMETHODIMP ScriptEngine::OnScriptTerminate(const VARIANT*, const EXCEPINFO*) { return S_OK; }
STDMETHODIMP ScriptEngine::OnStateChange(SCRIPTSTATE) { return S_OK; }

STDMETHODIMP ScriptEngine::OnScriptError(IActiveScriptError* error) {
    EXCEPINFO info = {};
    error_ = L"script error";
    if (error != nullptr && SUCCEEDED(error->GetExceptionInfo(&info))) {
        if (info.bstrDescription != nullptr) error_ = info.bstrDescription;
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrHelpFile);
    }
    return S_OK;
}

STDMETHODIMP ScriptEngine::OnEnterScript() { return S_OK; }
STDMETHODIMP ScriptEngine::OnLeaveScript() { return S_OK; }

}  // namespace webtest
