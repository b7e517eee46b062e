// Shared helpers of the web page tests: a host window that keeps what the bridge posts to it,
// script calls built the way a page's script makes them, the browser's navigation events, and
// a real script engine (JScript) whose scripts reach the host as window.external.
#pragma once

#include <windows.h>
#include <activscp.h>

#include <memory>
#include <string>
#include <vector>

#include "web_browser.h"

namespace webtest {

// One message the bridge posted; for WM_WEB_ADD_ALL, text and number are those of the request
// that the bridge keeps for it.
struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::wstring text;
    int number = -1;
};

// A top-level window for the browser (hidden, as the tests drive no input).
class HostWindow {
public:
    HostWindow(int width = 900, int height = 600);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return window_; }

    // Takes the web messages posted to the window so far, in order, and for each WM_WEB_ADD_ALL
    // the request that waits in the bridge.
    std::vector<Posted> TakePosted(VelaUI::CWebBrowserBase* bridge = nullptr);

private:
    HWND window_;
};

// Dispatches the thread's pending messages for a while.
void Pump(DWORD milliseconds = 0);

// Arguments of one call as IDispatch receives them: in reverse order of the script's.
class Args {
public:
    Args() = default;
    ~Args();
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;

    Args& Int(int value);
    Args& Real(double value);
    Args& Bool(bool value);
    Args& Text(const std::wstring& value);
    Args& Empty();
    Args& Add(const VARIANT& value);  // copied
    DISPPARAMS* Params();

private:
    std::vector<VARIANT> script_order_;
    std::vector<VARIANT> reversed_;
    DISPPARAMS params_ = {};
};

// The page's way of calling window.external: the name's id, then Invoke as a method.
HRESULT CallExternal(IDispatch* external, const wchar_t* name, Args& args);

// The browser's NavigateComplete2 for a document at url in the given frame (by default the
// top-level browser of host).
HRESULT AnnounceDocument(VelaUI::CWebBrowserBase& host, const std::wstring& url, IDispatch* frame = nullptr);

// The number of references others hold on the host.
ULONG References(VelaUI::CWebBrowserBase& host);

// A JScript engine on this thread with one named item, "external", that stands for the host.
class ScriptEngine : public IActiveScriptSite {
public:
    explicit ScriptEngine(IDispatch* external);
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    bool ok() const { return script_ != nullptr && parse_ != nullptr; }
    // Runs code (its value in result when given); false on a script error (see LastError).
    bool Run(const std::wstring& code, VARIANT* result = nullptr);
    // The script's global object, for calls from outside (referenced).
    IDispatch* Global();
    const std::wstring& LastError() const { return error_; }

    // IActiveScriptSite
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetLCID)(LCID* lcid) override;
    STDMETHOD(GetItemInfo)(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override;
    STDMETHOD(GetDocVersionString)(BSTR* version) override;
    STDMETHOD(OnScriptTerminate)(const VARIANT* result, const EXCEPINFO* exception) override;
    STDMETHOD(OnStateChange)(SCRIPTSTATE state) override;
    STDMETHOD(OnScriptError)(IActiveScriptError* error) override;
    STDMETHOD(OnEnterScript)() override;
    STDMETHOD(OnLeaveScript)() override;

private:
    IDispatch* external_;
    IActiveScript* script_ = nullptr;
    IActiveScriptParse* parse_ = nullptr;
    std::wstring error_;
};

}  // namespace webtest
