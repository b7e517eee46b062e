// Hosting of the WebBrowser control: creation, in-place activation and placement, the page
// put in place by the client thread on the UI thread, the site and UI-handler answers the
// control relies on, calls of page functions, and letting go of the control.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "client_thread.h"
#include "web_browser.h"
#include "web_test_support.h"

using namespace VelaUI;

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string RectText(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

// The browser's window: the host's child window.
HWND BrowserWindow(HWND host) { return ::FindWindowExW(host, nullptr, nullptr, nullptr); }

RECT ChildRect(HWND child) {
    RECT rc = {};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

class WebBrowserHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ::OleInitialize(nullptr); }
    static void TearDownTestSuite() { ::OleUninitialize(); }

    void SetUp() override {
        window_.reset(new webtest::HostWindow(900, 600));
        browser_ = std::make_shared<CWebBrowserBase>(window_->get());
        ASSERT_NE(browser_->GetBrowser(), nullptr) << "the WebBrowser control could not be created";
    }
    void TearDown() override {
        browser_.reset();
        window_.reset();
    }

    HWND host() const { return window_->get(); }

    std::unique_ptr<webtest::HostWindow> window_;
    std::shared_ptr<CWebBrowserBase> browser_;
};

TEST_F(WebBrowserHost, ActivatesTheBrowserInPlaceOverTheClientArea) {
    EXPECT_EQ(browser_->CanInPlaceActivate(), S_FALSE);
    {
        CWebBrowserBase fresh(host());
        EXPECT_EQ(fresh.Navigate(ClientPageUrl()), S_FALSE);  // the browser is not known before Show
    }
    ASSERT_TRUE(browser_->Show());
    EXPECT_TRUE(browser_->IsInPlaceActive());
    EXPECT_EQ(browser_->CanInPlaceActivate(), S_OK);
    EXPECT_TRUE(SameRect(browser_->GetRect(), RECT{0, 0, 900, 600})) << RectText(browser_->GetRect());
    HWND window = BrowserWindow(host());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SameRect(ChildRect(window), RECT{0, 0, 900, 600})) << RectText(ChildRect(window));
    EXPECT_TRUE(browser_->Show());  // once in place, it stays so
}

TEST_F(WebBrowserHost, SetRectMovesTheBrowserAndTheControlKeepsItsPlace) {
    const RECT inset = ClientPageRect(host());
    EXPECT_TRUE(SameRect(inset, RECT{42, 138, 891, 567})) << RectText(inset);
    EXPECT_TRUE(browser_->SetRect(RECT{1, 2, 3, 4}));  // kept for later while not in place
    EXPECT_TRUE(SameRect(browser_->GetRect(), RECT{1, 2, 3, 4}));
    ASSERT_TRUE(browser_->Show());
    ASSERT_TRUE(browser_->SetRect(inset));
    EXPECT_TRUE(SameRect(browser_->GetRect(), inset));
    HWND window = BrowserWindow(host());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SameRect(ChildRect(window), inset)) << RectText(ChildRect(window));

    // Asked again (as the control does when it takes the focus), the site gives the place the
    // browser has, not the whole client area, and the host as the top-level frame.
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT pos = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {};
    const ULONG before = webtest::References(*browser_);
    ASSERT_EQ(browser_->GetWindowContext(&frame, &doc, &pos, &clip, &info), S_OK);
    EXPECT_EQ(frame, static_cast<IOleInPlaceFrame*>(browser_.get()));
    EXPECT_EQ(webtest::References(*browser_), before + 1);
    frame->Release();
    EXPECT_EQ(doc, nullptr);
    EXPECT_TRUE(SameRect(pos, inset) && SameRect(clip, inset));
    EXPECT_EQ(info.cb, sizeof(OLEINPLACEFRAMEINFO));
    EXPECT_FALSE(info.fMDIApp);
    EXPECT_EQ(info.hwndFrame, host());
    EXPECT_EQ(info.haccel, nullptr);
    EXPECT_EQ(info.cAccelEntries, 0u);
}

// The client thread does not touch the browser: the UI thread puts the page in place when it
// next dispatches messages, in the inset rectangle, with the browser's window its own.
TEST_F(WebBrowserHost, TheClientThreadHasTheUIThreadPlaceThePage) {
    CClientThread thread(ClientPageUrl(), host());
    ASSERT_TRUE(thread.Start(browser_));
    for (int i = 0; i < 500 && thread.IsRunning(); ++i) ::Sleep(10);
    ASSERT_FALSE(thread.IsRunning());
    EXPECT_FALSE(browser_->IsInPlaceActive());

    webtest::Pump(200);
    EXPECT_TRUE(browser_->IsInPlaceActive());
    EXPECT_TRUE(SameRect(browser_->GetRect(), ClientPageRect(host()))) << RectText(browser_->GetRect());
    HWND window = BrowserWindow(host());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(::GetWindowThreadProcessId(window, nullptr), ::GetCurrentThreadId());
    EXPECT_TRUE(SameRect(ChildRect(window), ClientPageRect(host())));
    thread.Stop();
}

bool ShownStyle(HWND window) { return (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

TEST_F(WebBrowserHost, SetVisibleShowsAndHidesOnlyOnceInPlace) {
    EXPECT_TRUE(browser_->SetVisible(true));
    EXPECT_FALSE(browser_->IsInPlaceActive());
    HWND window = BrowserWindow(host());
    EXPECT_TRUE(window == nullptr || !ShownStyle(window));
    ASSERT_TRUE(browser_->Show());
    window = BrowserWindow(host());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(browser_->SetVisible(false));
    EXPECT_FALSE(ShownStyle(window));
    EXPECT_TRUE(browser_->SetVisible(true));
    EXPECT_TRUE(ShownStyle(window));
}

// Once let go, the control holds nothing of the host, so it can never call a host that is gone.
TEST_F(WebBrowserHost, CloseLeavesTheControlNoReferenceToTheHost) {
    ASSERT_TRUE(browser_->Show());
    EXPECT_GT(webtest::References(*browser_), 0u);
    browser_->Close();
    webtest::Pump(100);
    EXPECT_EQ(webtest::References(*browser_), 0u);
    EXPECT_EQ(browser_->GetBrowser(), nullptr);
    EXPECT_FALSE(browser_->IsInPlaceActive());
    EXPECT_FALSE(browser_->Show());
    EXPECT_EQ(browser_->Navigate(ClientPageUrl()), S_FALSE);
    EXPECT_EQ(browser_->GetScript(), nullptr);
    browser_->Close();  // twice is harmless
}

// A host that goes while its browser is still navigating is never called again: the events of
// that navigation (it fails: nothing listens on port 1) arrive after the host is gone. (The
// program's allocator keeps freed blocks inaccessible, so such a call would fault.)
TEST_F(WebBrowserHost, AHostThatGoesMidNavigationIsNeverCalledAgain) {
    CWebBrowserBase* host = new CWebBrowserBase(window_->get());
    ASSERT_TRUE(host->Show());
    ASSERT_TRUE(SUCCEEDED(host->Navigate(L"http://127.0.0.1:1/clientweb3/main.html")));
    delete host;
    webtest::Pump(1500);
    // The test's own browser still works.
    ASSERT_TRUE(browser_->Show());
}

TEST_F(WebBrowserHost, TheBrowserOwnMenuOnlyInFieldsAndSelectedText) {
    const struct {
        DWORD kind;
        HRESULT result;
    } menus[] = {
        {CONTEXT_MENU_DEFAULT, S_OK}, {CONTEXT_MENU_IMAGE, S_OK},      {CONTEXT_MENU_CONTROL, S_FALSE},
        {CONTEXT_MENU_TABLE, S_OK},   {CONTEXT_MENU_TEXTSELECT, S_FALSE}, {CONTEXT_MENU_ANCHOR, S_OK},
    };
    POINT pt = {10, 10};
    for (const auto& m : menus) EXPECT_EQ(browser_->ShowContextMenu(m.kind, &pt, nullptr, nullptr), m.result) << m.kind;

    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof info;
    info.dwFlags = DOCHOSTUIFLAG_DIALOG;
    ASSERT_EQ(browser_->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_DIALOG | 0x28000A));

    IDispatch* external = nullptr;
    ASSERT_EQ(browser_->GetExternal(&external), S_OK);
    EXPECT_EQ(external, static_cast<IDispatch*>(browser_.get()));
    external->Release();
}

TEST_F(WebBrowserHost, EveryInterfaceIsTheOneObject) {
    const IID* parts[] = {&IID_IUnknown,        &IID_IDispatch,         &IID_IOleClientSite,
                          &IID_IOleInPlaceSite, &IID_IOleInPlaceFrame,  &IID_IOleInPlaceUIWindow,
                          &IID_IDocHostUIHandler};
    IUnknown* identity = nullptr;
    ASSERT_EQ(static_cast<IDispatch*>(browser_.get())->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)),
              S_OK);
    for (const IID* iid : parts) {
        IUnknown* part = nullptr;
        ASSERT_EQ(identity->QueryInterface(*iid, reinterpret_cast<void**>(&part)), S_OK);
        IUnknown* back = nullptr;
        part->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back));
        EXPECT_EQ(back, identity);
        back->Release();
        part->Release();
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(identity->QueryInterface(IID_IOleObject, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    identity->Release();
}

// The main window calls the page's "searchlist" with three texts; here the page is a script of
// the test's own in a real script engine.
TEST_F(WebBrowserHost, CallScriptCallsAFunctionOfThePage) {
    EXPECT_EQ(browser_->GetScript(), nullptr);  // no document here
    webtest::ScriptEngine engine(browser_.get());
    ASSERT_TRUE(engine.ok());
    ASSERT_TRUE(engine.Run(L"var calls = [];"
                           L"function searchlist(a, b, c) { calls.push(a + '|' + b + '|' + c); return calls.length; }"));
    IDispatch* script = engine.Global();
    ASSERT_NE(script, nullptr);

    webtest::Args args;
    args.Text(L"\u6674\u5929").Text(L"abc").Text(L"x y");
    VARIANT result;
    ::VariantInit(&result);
    ASSERT_EQ(browser_->CallScript(script, L"searchlist", &result, args.Params()), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 1);
    VARIANT seen;
    ::VariantInit(&seen);
    ASSERT_TRUE(engine.Run(L"calls[0]", &seen));
    ASSERT_EQ(seen.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(seen.bstrVal), L"\u6674\u5929|abc|x y");
    ::VariantClear(&seen);

    EXPECT_EQ(browser_->CallScript(script, L"nosuchfunction", &result, args.Params()), E_FAIL);
    EXPECT_EQ(browser_->CallScript(nullptr, L"searchlist", &result, args.Params()), E_FAIL);
    script->Release();
}

}  // namespace
