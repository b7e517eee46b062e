#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "activex.h"
#include "test_control.h"
#include "uicore_test_util.h"

using namespace UIToolkit;
using uitest::Canvas;
using uitest::Pump;
using uitest::TestBox;
using uitest::TestWindow;

namespace {

// The WebBrowser control that Wine registers ("Shell.Explorer.2").
const wchar_t kWebBrowserProgId[] = L"Shell.Explorer.2";
const wchar_t kWebBrowserClsid[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";
const CLSID kWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[64] = {};
    ::StringFromGUID2(clsid, text, 64);
    return text;
}

std::wstring WindowClass(HWND hWnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hWnd, name, 64);
    return name;
}

// The rectangle of a child window in its parent's client coordinates.
RECT ChildRect(HWND child) {
    RECT rc = {};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class ActiveXTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ::OleInitialize(nullptr); }
    static void TearDownTestSuite() { ::OleUninitialize(); }

    void SetUp() override {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        module_ = ::LoadLibraryW(axtest::kModuleName);
        ASSERT_NE(module_, nullptr);
        auto stateProc = reinterpret_cast<axtest::StateProc>(
            reinterpret_cast<void*>(::GetProcAddress(module_, axtest::kStateProcName)));
        ASSERT_NE(stateProc, nullptr);
        state_ = stateProc();
        std::memset(state_, 0, sizeof *state_);
        state_->hitArea = RECT{0, 0, 0, 0};

        window_ = new TestWindow;
        ASSERT_NE(window_->CreateShown(300, 200), nullptr);
        root_ = new TestBox(L"root", nullptr);
        window_->pm.AttachRoot(root_);
    }

    void TearDown() override {
        delete window_;   // destroys the window, the manager and the control tree
        window_ = nullptr;
        Pump();
        if (state_ != nullptr) {
            EXPECT_EQ(state_->liveObjects, 0);
            EXPECT_EQ(state_->siteReferences, 0);
        }
        if (module_ != nullptr) ::FreeLibrary(module_);
    }

    // A host control in the root at (x, y), w by h; laid out at once.
    CActiveXUI* AddHost(const wchar_t* name, int x, int y, int w, int h) {
        CActiveXUI* host = new CActiveXUI;
        host->SetName(name);
        host->SetFixedXY(SIZE{x, y});
        host->SetFixedWidth(w);
        host->SetFixedHeight(h);
        root_->Add(host);
        return host;
    }
    void Layout() {
        RECT client = {};
        ::GetClientRect(window_->GetHWND(), &client);
        root_->SetPos(client);
    }
    // Takes the control out of the tree and deletes it.
    void Destroy(CActiveXUI* host) {
        root_->RemoveDelayed(host);
        Pump();
    }
    HWND Form() const { return window_->GetHWND(); }

    std::unique_ptr<INotifyUI> notifier_;
    HMODULE module_ = nullptr;
    axtest::ControlState* state_ = nullptr;
    TestWindow* window_ = nullptr;
    TestBox* root_ = nullptr;
};

}  // namespace

// ---- Creation ----

TEST_F(ActiveXTest, ProgramIdAndClassIdReachTheRegisteredWebBrowser) {
    for (const wchar_t* id : {kWebBrowserProgId, kWebBrowserClsid}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(id)));
        CActiveXUI* host = AddHost(L"web", 10, 20, 160, 100);
        host->SetAttribute(L"clsid", id);
        EXPECT_EQ(ClsidText(host->GetClsid()), ClsidText(kWebBrowser));
        EXPECT_FALSE(host->IsCreated());   // delayed until the first layout
        void* unknown = reinterpret_cast<void*>(1);
        EXPECT_EQ(host->QueryControl(IID_IUnknown, &unknown), E_PENDING);
        EXPECT_EQ(unknown, nullptr);
        Layout();
        ASSERT_TRUE(host->HasObject());
        IWebBrowser2* browser = nullptr;
        EXPECT_EQ(host->QueryControl(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)), S_OK);
        ASSERT_NE(browser, nullptr);
        browser->Release();
        EXPECT_EQ(host->QueryControl(IID_IUnknown, nullptr), E_POINTER);

        // The browser is windowed: a child window of the form at the item's place.
        const HWND child = host->GetHostWindow();
        ASSERT_NE(child, nullptr);
        EXPECT_NE(child, Form());
        EXPECT_EQ(::GetParent(child), Form());
        EXPECT_EQ(WindowClass(child), L"ActiveXWnd");
        EXPECT_TRUE(SameRect(ChildRect(child), RECT{10, 20, 170, 120}));

        Destroy(host);
        EXPECT_FALSE(::IsWindow(child));
    }
    EXPECT_NE(std::find(window_->notes.begin(), window_->notes.end(), L"showactivex:web"), window_->notes.end());
}

TEST_F(ActiveXTest, UnusableClassIdsFailCleanly) {
    CActiveXUI* host = AddHost(L"bad", 0, 0, 50, 50);
    EXPECT_FALSE(host->SetClsid(L"{not-a-class-id}"));
    EXPECT_FALSE(host->SetClsid(L"Vela.NoSuchControl.1"));
    EXPECT_FALSE(host->SetClsid(L""));
    EXPECT_FALSE(host->SetClsid(GUID_NULL));
    EXPECT_EQ(ClsidText(host->GetClsid()), ClsidText(GUID_NULL));
    Layout();
    EXPECT_FALSE(host->HasObject());

    // A well-formed id that nothing serves: creation is tried once and leaves no object, also
    // when a module is named that does not serve it (or does not exist).
    const struct {
        const wchar_t* module;
    } cases[] = {{L""}, {axtest::kModuleName}, {L"vela_no_such_module.dll"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.module)));
        host->SetModuleName(c.module);
        EXPECT_TRUE(host->SetClsid(L"{0BADC0DE-1111-2222-3333-444455556666}"));
        EXPECT_FALSE(host->IsCreated());
        Layout();
        EXPECT_TRUE(host->IsCreated());
        EXPECT_FALSE(host->HasObject());
        EXPECT_EQ(host->GetSite(), nullptr);
        EXPECT_EQ(host->GetHostWindow(), nullptr);
        void* object = nullptr;
        EXPECT_EQ(host->QueryControl(IID_IUnknown, &object), E_PENDING);
        Canvas canvas(60, 60);
        host->Paint(canvas.dc(), RECT{0, 0, 60, 60});
        EXPECT_EQ(canvas.Pixel(10, 10), 0xFFFFFFu);
    }
    EXPECT_EQ(state_->liveObjects, 0);
}

TEST_F(ActiveXTest, DelayCreateFalseCreatesAtOnce) {
    CActiveXUI* host = AddHost(L"now", 0, 0, 40, 30);
    host->SetAttribute(L"modulename", axtest::kModuleName);
    host->SetAttribute(L"clsid", ClsidText(axtest::kWindowless).c_str());
    EXPECT_TRUE(host->IsDelayCreate());
    EXPECT_EQ(state_->liveObjects, 0);
    host->SetAttribute(L"delaycreate", L"false");
    EXPECT_FALSE(host->IsDelayCreate());
    EXPECT_TRUE(host->HasObject());
    EXPECT_EQ(state_->liveObjects, 1);
    EXPECT_STREQ(state_->containerApp, L"UIActiveX");
    // A later layout does not create it again.
    Layout();
    EXPECT_EQ(state_->initNewCalls, 1);
    EXPECT_EQ(state_->liveObjects, 1);
    // A new id replaces the object at once.
    EXPECT_TRUE(host->SetClsid(axtest::kWindowed));
    EXPECT_EQ(state_->liveObjects, 1);
    EXPECT_EQ(state_->initNewCalls, 2);
    EXPECT_EQ(state_->closeCalls, 1);
}

TEST_F(ActiveXTest, ClientSiteOrderAndInvisibleObjects) {
    const struct {
        CLSID clsid;
        bool siteFirst;
        bool activated;
    } cases[] = {{axtest::kWindowless, false, true},
                 {axtest::kSiteFirst, true, true},
                 {axtest::kInvisible, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(ClsidText(c.clsid)));
        state_->doVerbCalls = 0;
        CActiveXUI* host = AddHost(L"order", 0, 0, 40, 30);
        host->SetModuleName(axtest::kModuleName);
        host->SetClsid(c.clsid);
        Layout();
        ASSERT_TRUE(host->HasObject());
        EXPECT_EQ(state_->siteBeforeInitNew, c.siteFirst);
        EXPECT_EQ(state_->doVerbCalls, c.activated ? 1 : 0);
        EXPECT_EQ(state_->inPlaceActive, c.activated);
        EXPECT_EQ(host->GetHostWindow() != nullptr, c.activated);
        EXPECT_GE(state_->objectSiteCalls, 1);   // IObjectWithSite got the site
        Destroy(host);
        EXPECT_EQ(state_->liveObjects, 0);
    }
}

TEST_F(ActiveXTest, FailedInitialisationReleasesTheObject) {
    CActiveXUI* host = AddHost(L"init", 0, 0, 40, 30);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kInitFails);
    Layout();
    EXPECT_EQ(state_->initNewCalls, 1);
    EXPECT_TRUE(host->IsCreated());
    EXPECT_FALSE(host->HasObject());
    EXPECT_EQ(host->GetSite(), nullptr);
    EXPECT_EQ(state_->liveObjects, 0);
    EXPECT_EQ(state_->siteReferences, 0);
}

// ---- Windowless objects ----

TEST_F(ActiveXTest, WindowlessObjectIsActivatedLaidOutAndPainted) {
    CActiveXUI* host = AddHost(L"wl", 20, 10, 100, 60);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(ClsidText(axtest::kWindowless).c_str());
    Layout();
    ASSERT_TRUE(host->HasObject());
    EXPECT_TRUE(state_->windowless);
    EXPECT_TRUE(host->GetSite()->IsWindowless());
    EXPECT_TRUE(host->GetSite()->IsInPlaceActive());
    EXPECT_EQ(host->GetHostWindow(), Form());
    EXPECT_EQ(state_->siteWindow, Form());
    EXPECT_EQ(state_->frameWindow, Form());
    EXPECT_TRUE(SameRect(state_->objectRect, RECT{20, 10, 120, 70}));

    HDC screen = ::GetDC(nullptr);
    const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(state_->extent.cx, ::MulDiv(2540, 100, dpiX));
    EXPECT_EQ(state_->extent.cy, ::MulDiv(2540, 60, dpiY));

    // A new place moves the object rectangle and the extent with it.
    host->SetFixedXY(SIZE{40, 30});
    host->SetFixedWidth(50);
    Layout();
    EXPECT_TRUE(SameRect(state_->objectRect, RECT{40, 30, 90, 90}));
    EXPECT_EQ(state_->extent.cx, ::MulDiv(2540, 50, dpiX));

    // Painting goes through the view object into the item rectangle only.
    Canvas canvas(200, 150);
    host->Paint(canvas.dc(), RECT{0, 0, 200, 150});
    EXPECT_EQ(canvas.Pixel(45, 35), static_cast<DWORD>(0x2080C0));
    EXPECT_EQ(canvas.Pixel(30, 20), 0xFFFFFFu);
    const int draws = state_->drawCount;
    host->Paint(canvas.dc(), RECT{150, 100, 200, 150});   // outside the item
    EXPECT_EQ(state_->drawCount, draws);
}

TEST_F(ActiveXTest, WindowlessMessagesFollowHitAreaCaptureAndFocus) {
    CActiveXUI* host = AddHost(L"wl", 20, 10, 100, 60);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kWindowless);
    Layout();
    ASSERT_TRUE(host->GetSite() != nullptr && host->GetSite()->IsInPlaceActive());
    state_->hitArea = RECT{30, 20, 60, 40};
    const LPARAM inside = MAKELPARAM(40, 25);
    const LPARAM outside = MAKELPARAM(100, 60);

    // Outside the hit area the object sees nothing and the message stays unhandled.
    bool handled = false;
    EXPECT_EQ(host->FilterMessage(WM_MOUSEMOVE, 0, outside, handled), 0);
    EXPECT_FALSE(handled);
    EXPECT_EQ(state_->messageCount, 0);

    // Inside it, through the manager of the form (the filter is registered there).
    EXPECT_EQ(::SendMessageW(Form(), WM_MOUSEMOVE, 0, inside), axtest::kMessageResult);
    EXPECT_EQ(state_->messageCount, 1);

    // A button press inside takes the capture: then even points outside reach the object.
    handled = false;
    host->FilterMessage(WM_LBUTTONDOWN, MK_LBUTTON, inside, handled);
    EXPECT_TRUE(handled);
    EXPECT_TRUE(host->GetSite()->IsCaptured());
    handled = false;
    host->FilterMessage(WM_MOUSEMOVE, MK_LBUTTON, outside, handled);
    EXPECT_TRUE(handled);
    host->FilterMessage(WM_LBUTTONUP, 0, outside, handled);
    EXPECT_FALSE(host->GetSite()->IsCaptured());
    const int afterCapture = state_->messageCount;
    handled = false;
    host->FilterMessage(WM_MOUSEMOVE, 0, outside, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(state_->messageCount, afterCapture);

    // A control that is not mouse-enabled gets no mouse messages at all.
    host->SetMouseEnabled(false);
    handled = false;
    host->FilterMessage(WM_MOUSEMOVE, 0, inside, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(state_->messageCount, afterCapture);
    host->SetMouseEnabled(true);

    // Nor does a hidden control, inside its hit area or not.
    host->SetVisible(false);
    handled = false;
    EXPECT_EQ(host->FilterMessage(WM_LBUTTONDOWN, MK_LBUTTON, inside, handled), 0);
    EXPECT_FALSE(handled);
    EXPECT_EQ(state_->messageCount, afterCapture);
    host->SetVisible(true);

    // WM_SETCURSOR is tested at the pointer's place and passed on without being handled.
    POINT screenPt = {45, 30};
    ::ClientToScreen(Form(), &screenPt);
    ::SetCursorPos(screenPt.x, screenPt.y);
    handled = false;
    host->FilterMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(Form()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(state_->messageCount, afterCapture + 1);
    EXPECT_EQ(state_->messages[afterCapture], static_cast<UINT>(WM_SETCURSOR));
    POINT away = {250, 180};
    ::ClientToScreen(Form(), &away);
    ::SetCursorPos(away.x, away.y);
    host->FilterMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(Form()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), handled);
    EXPECT_EQ(state_->messageCount, afterCapture + 1);
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);

    // Keys only while the control has the framework focus.
    const int beforeKeys = state_->messageCount;
    handled = false;
    host->FilterMessage(WM_KEYDOWN, 'A', 0, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(state_->messageCount, beforeKeys);
    host->SetFocus();
    ASSERT_EQ(window_->pm.GetFocus(), host);
    host->FilterMessage(WM_KEYDOWN, 'A', 0, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(state_->messageCount, beforeKeys + 1);

    // Help and context menus reach the object but stay unhandled; other messages are not offered.
    handled = false;
    host->FilterMessage(WM_CONTEXTMENU, 0, 0, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(state_->messageCount, beforeKeys + 2);
    host->FilterMessage(WM_TIMER, 1, 0, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(state_->messageCount, beforeKeys + 2);
    // The wheel's point comes in screen coordinates.
    POINT wheel = {45, 30};
    ::ClientToScreen(Form(), &wheel);
    host->FilterMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(wheel.x, wheel.y), handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(state_->messageCount, beforeKeys + 3);
    // Only mouse messages up to 0x20D and keys up to 0x108 are offered, whatever the SDK's
    // WM_MOUSELAST and WM_KEYLAST say: not the horizontal wheel (0x20E), not WM_UNICHAR (0x109).
    ASSERT_EQ(window_->pm.GetFocus(), host);
    for (UINT message : {0x20Eu, 0x109u}) {
        handled = false;
        EXPECT_EQ(host->FilterMessage(message, 0, inside, handled), 0) << message;
        EXPECT_FALSE(handled) << message;
    }
    EXPECT_EQ(state_->messageCount, beforeKeys + 3);
}

// An object that asks for the site's window before it is activated gets a child window; when it
// then activates windowless, that window must not cover it or take its mouse input.
TEST_F(ActiveXTest, EarlyChildWindowStepsAsideForWindowlessActivation) {
    state_->askWindowFirst = true;
    CActiveXUI* host = AddHost(L"wl", 20, 10, 100, 60);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kWindowless);
    Layout();
    ASSERT_TRUE(host->HasObject());
    const HWND early = state_->earlyWindow;
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(WindowClass(early), L"ActiveXWnd");
    EXPECT_TRUE(state_->windowless);
    EXPECT_EQ(host->GetHostWindow(), Form());
    EXPECT_FALSE(::IsWindowVisible(early));
    const POINT inside = {50, 30};
    EXPECT_EQ(::ChildWindowFromPointEx(Form(), inside, CWP_SKIPINVISIBLE), Form());
    state_->hitArea = RECT{20, 10, 120, 70};
    EXPECT_EQ(::SendMessageW(Form(), WM_MOUSEMOVE, 0, MAKELPARAM(inside.x, inside.y)), axtest::kMessageResult);

    // Activated windowed after all, the object gets that window back, shown at the item's place.
    CActiveXCtrl* site = host->GetSite();
    ASSERT_EQ(site->OnInPlaceActivateEx(nullptr, 0), S_OK);
    EXPECT_FALSE(site->IsWindowless());
    EXPECT_EQ(host->GetHostWindow(), early);
    EXPECT_TRUE(::IsWindowVisible(early));
    EXPECT_TRUE(SameRect(ChildRect(early), RECT{20, 10, 120, 70}));
    // The form no longer offers messages to the now windowed object.
    const int before = state_->messageCount;
    ::SendMessageW(Form(), WM_MOUSEMOVE, 0, MAKELPARAM(inside.x, inside.y));
    EXPECT_EQ(state_->messageCount, before);
    Destroy(host);
    EXPECT_FALSE(::IsWindow(early));
}

TEST_F(ActiveXTest, RepeatedActivationAndDestructionLeaveNoFilterBehind) {
    CActiveXUI* host = AddHost(L"wl", 0, 0, 100, 60);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kWindowless);
    Layout();
    ASSERT_TRUE(host->HasObject());
    CActiveXCtrl* site = host->GetSite();
    BOOL noRedraw = TRUE;
    EXPECT_EQ(site->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS), S_OK);
    EXPECT_EQ(site->OnInPlaceActivateEx(nullptr, ACTIVATE_WINDOWLESS), S_OK);
    state_->hitArea = RECT{0, 0, 100, 60};
    Destroy(host);
    EXPECT_EQ(state_->liveObjects, 0);
    EXPECT_EQ(state_->closeCalls, 1);
    // The form's manager no longer offers messages to the destroyed control.
    ::SendMessageW(Form(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    ::SendMessageW(Form(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(Form(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(state_->messageCount, 0);
}

// A misbehaving object keeps its in-place site after the host is gone: every call then answers
// E_UNEXPECTED instead of reaching the destroyed control.
TEST_F(ActiveXTest, SiteOutlivingItsControlAnswersUnexpected) {
    state_->keepSite = true;
    state_->keepFrame = true;
    CActiveXUI* host = AddHost(L"wl", 0, 0, 100, 60);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kWindowless);
    Layout();
    IOleInPlaceSiteWindowless* site = state_->keptSite;
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->GetCapture(), S_FALSE);
    Destroy(host);
    EXPECT_EQ(state_->liveObjects, 0);

    EXPECT_EQ(site->GetCapture(), E_UNEXPECTED);
    EXPECT_EQ(site->GetFocus(), E_UNEXPECTED);
    EXPECT_EQ(site->SetCapture(TRUE), E_UNEXPECTED);
    EXPECT_EQ(site->SetFocus(TRUE), E_UNEXPECTED);
    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_EQ(site->GetDC(nullptr, OLEDC_PAINTBKGND, &dc), E_UNEXPECTED);
    EXPECT_EQ(dc, nullptr);
    EXPECT_EQ(site->InvalidateRect(nullptr, FALSE), E_UNEXPECTED);
    LRESULT result = 1;
    EXPECT_EQ(site->OnDefWindowMessage(WM_NULL, 0, 0, &result), E_UNEXPECTED);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(site->GetWindow(&window), E_UNEXPECTED);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(site->OnInPlaceActivateEx(nullptr, ACTIVATE_WINDOWLESS), E_UNEXPECTED);
    IOleClientSite* client = nullptr;
    ASSERT_EQ(site->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&client)), S_OK);
    EXPECT_EQ(client->ShowObject(), E_UNEXPECTED);
    client->Release();
    IOleControlSite* control = nullptr;
    ASSERT_EQ(site->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&control)), S_OK);
    IDispatch* dispatch = nullptr;
    EXPECT_EQ(control->GetExtendedControl(&dispatch), E_UNEXPECTED);
    control->Release();
    // So does the in-place frame the object kept.
    IOleInPlaceFrame* frame = state_->keptFrame;
    ASSERT_NE(frame, nullptr);
    window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(frame->GetWindow(&window), E_UNEXPECTED);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(frame->Release(), 0u);
    state_->keptFrame = nullptr;
    EXPECT_EQ(site->Release(), 0u);   // the last reference: the site goes now
    state_->keptSite = nullptr;
}

// ---- Windowed objects ----

TEST_F(ActiveXTest, WindowedObjectLivesInItsOwnChildWindow) {
    CActiveXUI* host = AddHost(L"wd", 30, 20, 120, 80);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kWindowed);
    Layout();
    ASSERT_TRUE(host->HasObject());
    EXPECT_FALSE(state_->windowless);
    EXPECT_FALSE(host->GetSite()->IsWindowless());
    const HWND child = host->GetHostWindow();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(::GetParent(child), Form());
    EXPECT_EQ(WindowClass(child), L"ActiveXWnd");
    EXPECT_EQ(state_->siteWindow, child);
    EXPECT_TRUE(SameRect(ChildRect(child), RECT{30, 20, 150, 100}));
    // The object's rectangle is relative to the child window.
    EXPECT_TRUE(SameRect(state_->objectRect, RECT{0, 0, 120, 80}));
    ASSERT_NE(state_->window, nullptr);
    EXPECT_EQ(::GetParent(state_->window), child);

    host->SetFixedXY(SIZE{5, 6});
    host->SetFixedHeight(40);
    Layout();
    EXPECT_TRUE(SameRect(ChildRect(child), RECT{5, 6, 125, 46}));
    EXPECT_TRUE(SameRect(state_->objectRect, RECT{0, 0, 120, 40}));

    // Hiding the control hides its window only.
    host->SetVisible(false);
    EXPECT_FALSE(::IsWindowVisible(child));
    EXPECT_TRUE(::IsWindowVisible(Form()));
    host->SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(child));
    host->SetInternalVisible(false);
    EXPECT_FALSE(::IsWindowVisible(child));
    host->SetInternalVisible(true);
    EXPECT_TRUE(::IsWindowVisible(child));

    // The windowed object paints itself: the host control draws nothing.
    Canvas canvas(200, 150);
    host->Paint(canvas.dc(), RECT{0, 0, 200, 150});
    EXPECT_EQ(state_->drawCount, 0);

    const HWND objectWindow = state_->window;
    Destroy(host);
    EXPECT_FALSE(::IsWindow(child));
    EXPECT_FALSE(::IsWindow(objectWindow));
    EXPECT_EQ(state_->liveObjects, 0);
    EXPECT_EQ(state_->siteReferences, 0);
}

// ---- Container services of the site ----

TEST_F(ActiveXTest, ContainerEnumeratesTheOneObject) {
    CActiveXUI* host = AddHost(L"wl", 0, 0, 40, 30);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kWindowless);
    Layout();
    CActiveXCtrl* site = host->GetSite();
    ASSERT_NE(site, nullptr);

    IOleContainer* container = nullptr;
    ASSERT_EQ(site->GetContainer(&container), S_OK);
    EXPECT_EQ(site->GetContainer(nullptr), E_POINTER);
    IEnumUnknown* items = nullptr;
    ASSERT_EQ(container->EnumObjects(OLECONTF_EMBEDDINGS, &items), S_OK);
    IUnknown* expected = nullptr;
    host->QueryControl(IID_IUnknown, reinterpret_cast<void**>(&expected));
    for (int pass = 0; pass < 2; ++pass) {
        IUnknown* item = nullptr;
        ULONG fetched = 0;
        EXPECT_EQ(items->Next(1, &item, &fetched), S_OK);
        EXPECT_EQ(fetched, 1u);
        IUnknown* identity = nullptr;
        ASSERT_NE(item, nullptr);
        item->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
        EXPECT_EQ(identity, expected);
        identity->Release();
        item->Release();
        EXPECT_EQ(items->Next(1, &item, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 0u);
        EXPECT_EQ(items->Reset(), S_OK);
    }
    IEnumUnknown* copy = nullptr;
    EXPECT_EQ(items->Clone(&copy), E_NOTIMPL);
    items->Release();
    expected->Release();

    EXPECT_EQ(container->LockContainer(TRUE), S_OK);
    EXPECT_TRUE(site->IsLocked());
    container->Release();

    // The in-place frame of the window context.
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = nullptr;
    RECT pos = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {};
    EXPECT_EQ(site->GetWindowContext(&frame, nullptr, &pos, &clip, &info), E_POINTER);
    ASSERT_EQ(site->GetWindowContext(&frame, &doc, &pos, &clip, &info), S_OK);
    EXPECT_EQ(doc, nullptr);
    EXPECT_EQ(info.cb, sizeof(OLEINPLACEFRAMEINFO));   // 20 in the 32-bit program
    EXPECT_EQ(info.cAccelEntries, 1u);
    EXPECT_NE(info.haccel, nullptr);
    HWND frameWindow = nullptr;
    EXPECT_EQ(frame->GetWindow(&frameWindow), S_OK);
    EXPECT_EQ(frameWindow, Form());
    EXPECT_EQ(frame->RequestBorderSpace(nullptr), static_cast<HRESULT>(0x800401A1));
    EXPECT_EQ(frame->SetStatusText(L"x"), S_OK);
    EXPECT_EQ(frame->TranslateAccelerator(nullptr, 0), S_FALSE);
    frame->Release();

    // The outer site of IObjectWithSite.
    IUnknown* outer = nullptr;
    EXPECT_EQ(site->GetSite(IID_IUnknown, reinterpret_cast<void**>(&outer)), E_FAIL);
    EXPECT_EQ(site->SetSite(static_cast<IOleContainer*>(site)), S_OK);
    EXPECT_EQ(site->GetSite(IID_IOleContainer, reinterpret_cast<void**>(&outer)), S_OK);
    outer->Release();
    EXPECT_EQ(site->SetSite(nullptr), S_OK);
}

TEST_F(ActiveXTest, WindowlessSiteServicesWorkOnTheFormWindow) {
    CActiveXUI* host = AddHost(L"wl", 10, 10, 60, 40);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kWindowless);
    Layout();
    CActiveXCtrl* site = host->GetSite();
    ASSERT_NE(site, nullptr);

    HDC dc = nullptr;
    ASSERT_EQ(site->GetDC(nullptr, OLEDC_PAINTBKGND, &dc), S_OK);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(::WindowFromDC(dc), Form());
    EXPECT_EQ(site->ReleaseDC(dc), S_OK);
    EXPECT_EQ(site->GetDC(nullptr, 0, nullptr), E_POINTER);
    EXPECT_EQ(site->InvalidateRect(nullptr, FALSE), S_OK);
    LRESULT result = 0;
    EXPECT_EQ(site->OnDefWindowMessage(WM_GETDLGCODE, 0, 0, &result), S_OK);

    const int draws = state_->drawCount;
    EXPECT_EQ(site->ShowObject(), S_OK);
    EXPECT_EQ(state_->drawCount, draws + 1);

    // The object asks for the focus: the host control takes the framework focus.
    EXPECT_EQ(site->GetFocus(), S_FALSE);
    EXPECT_EQ(site->SetFocus(TRUE), S_OK);
    EXPECT_EQ(site->GetFocus(), S_OK);
    EXPECT_EQ(window_->pm.GetFocus(), host);
    EXPECT_EQ(site->SetFocus(FALSE), S_OK);
    EXPECT_EQ(site->GetFocus(), S_FALSE);

    EXPECT_EQ(site->OnUIActivate(), S_OK);
    EXPECT_TRUE(site->IsUIActivated());
    EXPECT_EQ(site->OnUIDeactivate(FALSE), S_OK);
    EXPECT_FALSE(site->IsUIActivated());
    IDispatch* dispatch = nullptr;
    EXPECT_EQ(site->GetExtendedControl(&dispatch), E_NOINTERFACE);   // the test object has none
    EXPECT_EQ(site->GetExtendedControl(nullptr), E_POINTER);
    EXPECT_EQ(host->GetInterface(L"ActiveX"), host);
    EXPECT_EQ(host->GetInterface(L"Control"), static_cast<CControlUI*>(host));
    EXPECT_STREQ(host->GetClassName(), L"ActiveXUI");
}

TEST_F(ActiveXTest, ChildWindowActivatesTheObjectOnFocus) {
    CActiveXUI* host = AddHost(L"wd", 0, 0, 80, 50);
    host->SetModuleName(axtest::kModuleName);
    host->SetClsid(axtest::kWindowed);
    Layout();
    const HWND child = host->GetHostWindow();
    ASSERT_NE(child, nullptr);
    CActiveXCtrl* site = host->GetSite();
    EXPECT_FALSE(site->IsUIActivated());
    const int verbs = state_->doVerbCalls;
    ::SendMessageW(child, WM_SETFOCUS, 0, 0);
    EXPECT_TRUE(site->IsFocused());
    EXPECT_EQ(state_->doVerbCalls, verbs + 1);   // OLEIVERB_UIACTIVATE
    EXPECT_TRUE(site->IsUIActivated());
    ::SendMessageW(child, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(state_->doVerbCalls, verbs + 1);   // already UI-active
    ::SendMessageW(child, WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(site->IsFocused());
    EXPECT_EQ(::SendMessageW(child, WM_ERASEBKGND, 0, 0), 1);   // the site has a view object
    // The object is in-place active already: activation by mouse runs no verb.
    ::SendMessageW(child, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(Form()), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    EXPECT_EQ(state_->doVerbCalls, verbs + 1);
}

namespace {

// A form that prepares the object when it is about to be shown: here it swaps the class id.
class SwapOnShow : public INotifyUI {
public:
    explicit SwapOnShow(const CLSID& next) : m_next(next) {}
    void Notify(UINotify& msg) override {
        if (wcscmp(msg.type, L"showactivex") != 0 || m_swapped) return;
        m_swapped = true;
        static_cast<CActiveXUI*>(msg.sender)->SetClsid(m_next);
    }

private:
    CLSID m_next;
    bool m_swapped = false;
};

}  // namespace

TEST_F(ActiveXTest, FormMayReplaceTheObjectWhenToldItIsShown) {
    notifier_.reset(new SwapOnShow(axtest::kWindowed));   // outlives the window (TearDown)
    window_->pm.AddNotifier(notifier_.get());
    CActiveXUI* host = AddHost(L"swap", 0, 0, 80, 50);
    host->SetModuleName(axtest::kModuleName);
    host->SetAttribute(L"delaycreate", L"false");
    host->SetClsid(axtest::kWindowless);
    ASSERT_TRUE(host->HasObject());
    EXPECT_EQ(state_->liveObjects, 1);          // the first object is gone again
    EXPECT_EQ(state_->initNewCalls, 2);
    EXPECT_EQ(state_->doVerbCalls, 1);          // only the replacement was activated
    EXPECT_FALSE(state_->windowless);
    ASSERT_NE(host->GetHostWindow(), nullptr);
    EXPECT_EQ(WindowClass(host->GetHostWindow()), L"ActiveXWnd");
    Destroy(host);
    EXPECT_EQ(state_->liveObjects, 0);
}
