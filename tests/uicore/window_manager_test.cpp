#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "uicore_test_util.h"

using namespace uitest;

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(x, y);
}

std::vector<std::wstring> Expect(std::initializer_list<std::wstring> items) {
    return std::vector<std::wstring>(items);
}

// A shown framework window whose root box holds controls "a" (0,0)-(50,50) and "b" (60,0)-(110,50),
// both tab stops, laid out by the first paint.
class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
        // The real pointer must not rest over the window, or the display's own mouse moves
        // would mix with the synthesized ones.
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        ASSERT_NE(nullptr, window.CreateShown(200, 120));
        root = new TestBox(L"root", nullptr);
        a = AddAt(root, L"a", 0, 0, UIFLAG_TABSTOP);
        b = AddAt(root, L"b", 60, 0, UIFLAG_TABSTOP);
    }

    void TearDown() override {
        if (window.GetHWND() != nullptr) ::DestroyWindow(window.GetHWND());
        Pump();
    }

    TestControl* AddAt(TestBox* box, const wchar_t* name, int x, int y, UINT flags = 0) {
        TestControl* control = new TestControl(name, &log, flags);
        control->SetFixedXY(SIZE{x, y});
        control->SetFixedWidth(50);
        control->SetFixedHeight(50);
        box->Add(control);
        return control;
    }

    void Attach() {
        ASSERT_TRUE(window.pm.AttachRoot(root));
        Paint();
        log.clear();
        window.notes.clear();
    }

    void Paint() {
        ::InvalidateRect(window.GetHWND(), nullptr, FALSE);
        ::UpdateWindow(window.GetHWND());
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageW(window.GetHWND(), message, wParam, lParam);
    }

    TestWindow window;
    TestBox* root = nullptr;
    TestControl* a = nullptr;
    TestControl* b = nullptr;
    std::vector<std::wstring> log;
};

TEST_F(ManagerTest, FirstPaintLaysOutSendsWindowInitOnceAndFocusesFirstTabStop) {
    ASSERT_TRUE(window.pm.AttachRoot(root));
    Paint();
    RECT client = {};
    ::GetClientRect(window.GetHWND(), &client);
    EXPECT_TRUE(::EqualRect(&client, &root->GetPos()));
    EXPECT_EQ(60, b->GetPos().left);
    EXPECT_EQ(a, window.pm.GetFocus());
    EXPECT_EQ(1, std::count(window.notes.begin(), window.notes.end(), L"windowinit:root"));
    Paint();
    root->RequestLayout();
    Paint();
    EXPECT_EQ(1, std::count(window.notes.begin(), window.notes.end(), L"windowinit:root"));
    EXPECT_EQ(a, window.pm.FindControlAt(POINT{10, 10}));
    EXPECT_EQ(root, window.pm.FindControlAt(POINT{150, 100}));
    EXPECT_EQ(b, window.pm.FindControlByName(L"b"));
}

TEST_F(ManagerTest, ControlThatStaysPendingDoesNotHangThePaint) {
    Attach();
    a->stayPending = true;
    a->RequestLayout();
    Paint();   // would never return if the search for pending controls were unbounded
    EXPECT_LT(a->setPosCount, 100);
}

TEST_F(ManagerTest, MouseMovesGiveLeaveEnterMoveInOrder) {
    Attach();
    Send(WM_MOUSEMOVE, 0, Point(10, 10));
    Send(WM_MOUSEMOVE, 0, Point(70, 10));
    EXPECT_EQ(Expect({L"a:11", L"a:9", L"a:10", L"b:11", L"b:9"}), log);
    EXPECT_EQ(b, window.pm.GetHover());
}

TEST_F(ManagerTest, ButtonDownCapturesAndClickControlGetsMovesAndUp) {
    Attach();
    Send(WM_MOUSEMOVE, 0, Point(10, 10));
    log.clear();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
    EXPECT_TRUE(window.pm.IsCaptured());
    EXPECT_EQ(a, window.pm.GetClick());
    Send(WM_MOUSEMOVE, MK_LBUTTON, Point(70, 10));
    Send(WM_LBUTTONUP, 0, Point(70, 10));
    EXPECT_EQ(Expect({L"a:13", L"a:10", L"b:11", L"a:9", L"a:14"}), log);
    EXPECT_FALSE(window.pm.IsCaptured());
    EXPECT_EQ(nullptr, window.pm.GetClick());
}

TEST_F(ManagerTest, MouseLeaveAfterHoverStillMakesTheHoverControlLeave) {
    Attach();
    a->SetToolTip(L"tip of a");
    Send(WM_MOUSEMOVE, 0, Point(10, 10));
    Send(WM_MOUSEHOVER, 0, Point(10, 10));
    ASSERT_NE(nullptr, window.pm.GetTooltipWindow());
    wchar_t text[32] = {};
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = window.GetHWND();
    info.uId = reinterpret_cast<UINT_PTR>(window.GetHWND());
    info.lpszText = text;
    ::SendMessageW(window.pm.GetTooltipWindow(), TTM_GETTEXTW, 32, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(L"tip of a", text);
    Send(WM_MOUSELEAVE);
    Pump();
    EXPECT_EQ(Expect({L"a:11", L"a:9", L"a:12", L"a:10"}), log);
    EXPECT_EQ(nullptr, window.pm.GetHover());
}

TEST_F(ManagerTest, CloseLeavesNoCaptureHoverOrClick) {
    Attach();
    Send(WM_MOUSEMOVE, 0, Point(10, 10));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
    log.clear();
    LRESULT result = 0;
    EXPECT_FALSE(window.pm.HandleMessage(WM_CLOSE, 0, 0, result));
    EXPECT_EQ(Expect({L"a:10", L"a:14", L"a:20"}), log);
    EXPECT_FALSE(window.pm.IsCaptured());
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_EQ(nullptr, window.pm.GetHover());
    EXPECT_EQ(nullptr, window.pm.GetClick());
    EXPECT_EQ(nullptr, window.pm.GetFocus());
}

TEST_F(ManagerTest, WheelDirectionAndKeyRouting) {
    Attach();
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);   // screen point (0,0)
    POINT screen = {10, 10};
    ::ClientToScreen(window.GetHWND(), &screen);
    log.clear();
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), Point(screen.x, screen.y));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(L"a:18/1", log.front());   // down
    log.clear();
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), Point(screen.x, screen.y));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(L"a:18/0", log.front());   // up

    window.pm.SetFocus(b);
    log.clear();
    Send(WM_KEYDOWN, 'X', 0);
    Send(WM_CHAR, 'x', 0);
    window.pm.SetFocus(a);   // the key-up still goes to the control that got the key-down
    log.clear();
    Send(WM_KEYUP, 'X', 0);
    EXPECT_EQ(Expect({L"b:4"}), log);
}

// Moves the focus to another control when it gets a key-down (as an edit does on Enter).
class FocusMover : public TestControl {
public:
    FocusMover(std::vector<std::wstring>* log, CControlUI* next)
        : TestControl(L"mover", log, UIFLAG_TABSTOP), m_next(next) {}
    void HandleEvent(UIEvent& event) override {
        TestControl::HandleEvent(event);
        if (event.type == UIEVENT_KEYDOWN) GetManager()->SetFocus(m_next);
    }

private:
    CControlUI* m_next;
};

TEST_F(ManagerTest, KeyUpGoesToTheKeyDownControlAfterItMovedTheFocus) {
    FocusMover* mover = new FocusMover(&log, b);
    mover->SetFixedXY(SIZE{0, 60});
    mover->SetFixedWidth(50);
    mover->SetFixedHeight(50);
    root->Add(mover);
    Attach();
    window.pm.SetFocus(mover);
    log.clear();
    Send(WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(b, window.pm.GetFocus());
    Send(WM_KEYUP, VK_RETURN, 0);
    EXPECT_EQ(Expect({L"mover:3", L"mover:20", L"b:21", L"mover:4"}), log);
}

// A control of the rich-edit family that may take Tab characters itself.
class TabTaker : public TestControl, public IWantTabUI {
public:
    TabTaker(const wchar_t* className, bool wantTab)
        : TestControl(L"taker", nullptr, UIFLAG_TABSTOP, className), m_wantTab(wantTab) {}
    void* GetInterface(const wchar_t* name) override {
        if (wcscmp(name, L"WantTab") == 0) return static_cast<IWantTabUI*>(this);
        return TestControl::GetInterface(name);
    }
    bool IsWantTab() override { return m_wantTab; }

private:
    bool m_wantTab;
};

TEST_F(ManagerTest, TabStaysInARichEditThatWantsIt) {
    struct Case { const wchar_t* className; bool wantTab; bool consumed; };
    const Case cases[] = {
        {L"RichEditUI", true, false},
        {L"RichEditUI", false, true},
        {L"EditUI", true, true},   // only the rich edit keeps Tab
    };
    Attach();
    for (const Case& c : cases) {
        TabTaker* taker = new TabTaker(c.className, c.wantTab);
        taker->SetFixedXY(SIZE{0, 60});
        taker->SetFixedWidth(50);
        taker->SetFixedHeight(50);
        root->Add(taker);
        Paint();
        window.pm.SetFocus(taker);
        ASSERT_EQ(taker, window.pm.GetFocus());
        LRESULT result = 0;
        EXPECT_EQ(c.consumed, window.pm.PreHandleMessage(WM_KEYDOWN, VK_TAB, 0, result)) << c.className;
        EXPECT_EQ(c.consumed, window.pm.GetFocus() != taker) << c.className;
        root->RemoveDelayed(taker);
        Pump();
    }
}

TEST_F(ManagerTest, TabOrderWrapsBothWays) {
    TestControl* plain = AddAt(root, L"plain", 0, 60);
    TestControl* c = AddAt(root, L"c", 60, 60, UIFLAG_TABSTOP);
    (void)plain;
    Attach();
    ASSERT_EQ(a, window.pm.GetFocus());
    LRESULT result = 0;
    EXPECT_TRUE(window.pm.PreHandleMessage(WM_KEYDOWN, VK_TAB, 0, result));
    EXPECT_EQ(b, window.pm.GetFocus());
    window.pm.FocusNextTabStop(true);
    EXPECT_EQ(c, window.pm.GetFocus());
    window.pm.FocusNextTabStop(true);
    EXPECT_EQ(a, window.pm.GetFocus());
    window.pm.FocusNextTabStop(false);
    EXPECT_EQ(c, window.pm.GetFocus());

    // Shift+Tab through the keyboard state.
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
    EXPECT_TRUE(window.pm.PreHandleMessage(WM_KEYDOWN, VK_TAB, 0, result));
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(b, window.pm.GetFocus());

    window.pm.SetFocus(nullptr);
    window.pm.FocusNextTabStop(false);
    EXPECT_EQ(a, window.pm.GetFocus());

    // While a layout is pending, Tab moves the focus only in the next paint.
    root->RequestLayout();
    window.pm.FocusNextTabStop(true);
    EXPECT_EQ(a, window.pm.GetFocus());
    Paint();
    EXPECT_EQ(b, window.pm.GetFocus());
}

TEST_F(ManagerTest, HiddenOrDisabledControlsLoseTheFocus) {
    Attach();
    struct Case { const char* what; void (*change)(CControlUI*); void (*undo)(CControlUI*); };
    const Case cases[] = {
        {"hidden", [](CControlUI* c) { c->SetVisible(false); }, [](CControlUI* c) { c->SetVisible(true); }},
        {"disabled", [](CControlUI* c) { c->SetEnabled(false); }, [](CControlUI* c) { c->SetEnabled(true); }},
    };
    for (const Case& c : cases) {
        window.pm.SetFocus(b);
        ASSERT_EQ(b, window.pm.GetFocus()) << c.what;
        c.change(b);
        EXPECT_EQ(nullptr, window.pm.GetFocus()) << c.what;
        EXPECT_FALSE(b->IsFocused()) << c.what;
        window.pm.SetFocus(b);
        EXPECT_EQ(nullptr, window.pm.GetFocus()) << c.what;
        c.undo(b);
    }
    // Hidden by a worker thread: the focus goes before the next key would reach the control.
    window.pm.SetFocus(b);
    std::thread([this] { b->SetVisible(false); }).join();
    log.clear();
    Send(WM_KEYDOWN, 'K', 0);
    EXPECT_EQ(nullptr, window.pm.GetFocus());
    EXPECT_EQ(log.end(), std::find(log.begin(), log.end(), L"b:3"));
    b->SetVisible(true);

    // Hiding the parent of the focus control drops it too.
    window.pm.SetFocus(b);
    root->SetVisible(false);
    EXPECT_EQ(nullptr, window.pm.GetFocus());
}

// Dropping the focus of an inactive window (hiding or disabling the control, or its parent)
// leaves the keyboard and the activation with the window that has them.
TEST_F(ManagerTest, DroppingTheFocusOfAnInactiveWindowLeavesTheActiveOneAlone) {
    Attach();
    // A top-level window of its own (the test window lives in the shared paint host).
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 300, 300, 120, 80,
                                         nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    struct Case { const char* what; std::function<void()> change; std::function<void()> undo; };
    const Case cases[] = {
        {"hidden", [this] { b->SetVisible(false); }, [this] { b->SetVisible(true); }},
        {"disabled", [this] { b->SetEnabled(false); }, [this] { b->SetEnabled(true); }},
        {"parent hidden", [this] { root->SetVisible(false); }, [this] { root->SetVisible(true); }},
        {"cleared", [this] { window.pm.SetFocus(nullptr); }, [] {}},
    };
    for (const Case& c : cases) {
        window.pm.SetFocus(b);
        ASSERT_EQ(b, window.pm.GetFocus()) << c.what;
        // The other window takes the activation and the keyboard; the display's answers are
        // handled before the change, so that none of them arrives during it.
        ASSERT_TRUE(PumpUntil([other] {
            if (::GetActiveWindow() != other) {
                ::SetForegroundWindow(other);
                ::SetActiveWindow(other);
            }
            if (::GetFocus() != other) ::SetFocus(other);
            return ::GetActiveWindow() == other && ::GetFocus() == other;
        }, 2000)) << c.what;
        Pump();
        ASSERT_EQ(other, ::GetActiveWindow()) << c.what;
        c.change();
        EXPECT_EQ(nullptr, window.pm.GetFocus()) << c.what;
        EXPECT_EQ(other, ::GetActiveWindow()) << c.what;
        EXPECT_EQ(other, ::GetFocus()) << c.what;
        c.undo();
    }
    // Within its own active window the manager still takes the keyboard back from a child.
    HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 60, 20, 20, window.GetHWND(),
                                   nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, child);
    window.pm.SetFocus(b);
    const HWND own = ::GetAncestor(window.GetHWND(), GA_ROOT);
    ASSERT_TRUE(PumpUntil([own, child] {
        if (::GetActiveWindow() != own) {
            ::SetForegroundWindow(own);
            ::SetActiveWindow(own);
        }
        if (::GetFocus() != child) ::SetFocus(child);
        return ::GetActiveWindow() == own && ::GetFocus() == child;
    }, 2000));
    Pump();
    ASSERT_EQ(child, ::GetFocus());
    b->SetVisible(false);
    EXPECT_EQ(window.GetHWND(), ::GetFocus());
    b->SetVisible(true);
    ::DestroyWindow(child);
    ::DestroyWindow(other);
}

TEST_F(ManagerTest, FocusMovesSendKillThenSetFocus) {
    Attach();
    window.notes.clear();
    window.pm.SetFocus(b);
    EXPECT_EQ(Expect({L"killfocus:a", L"setfocus:b"}), window.notes);
    EXPECT_TRUE(b->IsFocused());
    EXPECT_FALSE(a->IsFocused());
    CWindowManagerUI other;
    TestControl stranger(L"stranger", nullptr);
    stranger.SetManager(&other, nullptr, false);
    window.pm.SetFocus(&stranger);
    EXPECT_EQ(nullptr, window.pm.GetFocus());
}

TEST_F(ManagerTest, AltShortcutFocusesAndActivatesTheControlAfterTheLabel) {
    TestBox* box = new TestBox(L"box", nullptr);
    TestControl* e1 = new TestControl(L"e1", &log, UIFLAG_TABSTOP);
    TestControl* label = new TestControl(L"label", &log, 0, L"TestLabelUI");
    TestControl* e2 = new TestControl(L"e2", &log, UIFLAG_TABSTOP);
    TestControl* wide = new TestControl(L"wide", &log);
    label->SetShortcut(L'n');
    wide->SetShortcut(static_cast<wchar_t>(0x00E4));   // a-umlaut; Alt gives the capital 0x00C4
    box->Add(e1);
    box->Add(label);
    box->Add(e2);
    box->Add(wide);
    root->Add(box);
    Attach();
    LRESULT result = 0;
    EXPECT_TRUE(window.pm.PreHandleMessage(WM_SYSCHAR, 'N', 0, result));
    EXPECT_EQ(e1, window.pm.GetFocus());
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), L"e1:activate"));
    EXPECT_EQ(log.end(), std::find(log.begin(), log.end(), L"label:activate"));
    EXPECT_TRUE(window.pm.PreHandleMessage(WM_SYSCHAR, 0x00C4, 0, result));
    EXPECT_EQ(wide, window.pm.GetFocus());
    EXPECT_FALSE(window.pm.PreHandleMessage(WM_SYSCHAR, 'Q', 0, result));
}

TEST_F(ManagerTest, ReplacedRootLeavesNoReferencesToTheOldTree) {
    Attach();
    int destroyed = 0;
    a->destroyedCounter = &destroyed;
    b->destroyedCounter = &destroyed;
    Send(WM_MOUSEMOVE, 0, Point(10, 10));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
    Send(WM_KEYDOWN, 'K', 0);
    ASSERT_TRUE(window.pm.SetTimer(b, 1, 10000));
    window.pm.AddPostPaint(a);
    window.pm.SendNotify(b, L"queued", 0, 0, true);
    ASSERT_TRUE(window.pm.AddOptionGroup(L"g", a));

    TestBox* next = new TestBox(L"next", nullptr);
    ASSERT_TRUE(window.pm.AttachRoot(next));
    EXPECT_EQ(nullptr, window.pm.FindControlByName(L"a"));
    EXPECT_EQ(nullptr, window.pm.FindControlByName(L"b"));
    EXPECT_EQ(nullptr, window.pm.GetFocus());
    EXPECT_EQ(nullptr, window.pm.GetHover());
    EXPECT_EQ(nullptr, window.pm.GetClick());
    EXPECT_EQ(0, window.pm.GetTimerCount());
    EXPECT_EQ(nullptr, window.pm.GetOptionGroup(L"g"));

    Pump();   // the cleanup message deletes the old tree
    EXPECT_EQ(2, destroyed);
    // Nothing below may reach a deleted control (the guard allocator faults at once).
    LRESULT result = 0;
    window.pm.HandleMessage(WM_KEYUP, 'K', 0, result);
    window.pm.HandleMessage(WM_TIMER, 17, 0, result);
    window.pm.HandleMessage(WM_LBUTTONUP, 0, Point(10, 10), result);
    Paint();
    EXPECT_NE(window.notes.end(), std::find(window.notes.begin(), window.notes.end(), L"queued:-"));
    root = next;
}

TEST_F(ManagerTest, SubtreeHandedToDelayedCleanupIsForgotten) {
    TestBox* box = new TestBox(L"box", nullptr);
    TestControl* inner = new TestControl(L"inner", &log, UIFLAG_TABSTOP);
    box->Add(inner);
    root->Add(box);
    Attach();
    window.pm.SetFocus(inner);
    ASSERT_TRUE(window.pm.SetTimer(inner, 3, 10000));
    ASSERT_TRUE(window.pm.SetTimer(a, 3, 10000));
    root->RemoveDelayed(box);
    EXPECT_EQ(nullptr, window.pm.GetFocus());
    EXPECT_EQ(nullptr, window.pm.FindControlByName(L"inner"));
    EXPECT_EQ(1, window.pm.GetTimerCount());
    Pump();
    LRESULT result = 0;
    window.pm.HandleMessage(WM_KEYDOWN, 'K', 0, result);
    window.pm.FocusNextTabStop(true);
    EXPECT_EQ(a, window.pm.GetFocus());
    window.pm.FocusNextTabStop(true);
    EXPECT_EQ(b, window.pm.GetFocus());
}

TEST_F(ManagerTest, RenamedControlMovesInTheNameMap) {
    Attach();
    a->SetName(L"renamed");
    EXPECT_EQ(nullptr, window.pm.FindControlByName(L"a"));
    EXPECT_EQ(a, window.pm.FindControlByName(L"renamed"));
    root->RemoveDelayed(a);
    a = nullptr;
    EXPECT_EQ(nullptr, window.pm.FindControlByName(L"renamed"));
}

TEST_F(ManagerTest, QueuedNotificationsComeBeforeTheNextMessageEvenWhenFiltered) {
    Attach();
    window.pm.SendNotify(a, L"first", 0, 0, true);
    window.pm.SendNotify(a, L"second", 0, 0, false);
    EXPECT_EQ(Expect({L"second:a"}), window.notes);
    window.consumeMessage = WM_USER + 5;
    LRESULT result = 0;
    EXPECT_TRUE(window.pm.HandleMessage(WM_USER + 5, 0, 0, result));
    EXPECT_EQ(Expect({L"second:a", L"first:a"}), window.notes);
    EXPECT_EQ(0, window.pm.GetQueuedNotifyCount());

    // A sender deleted while its notification waits is cleared to null.
    window.pm.SendNotify(b, L"late", 0, 0, true);
    root->RemoveDelayed(b);
    b = nullptr;
    Pump();
    EXPECT_EQ(L"late:-", window.notes.back());
}

TEST_F(ManagerTest, PrintClientPaintsTheRootAndCopesWithoutOne) {
    Canvas canvas(200, 120, 0x00FFFFFF);
    LRESULT result = 0;
    window.pm.HandleMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT | PRF_CHILDREN, result);
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(5, 5));
    root->SetBkColor(0xFF00FF00);
    Attach();
    window.pm.HandleMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT, result);
    EXPECT_EQ(0x00FF00u, canvas.Pixel(150, 100));
}

TEST_F(ManagerTest, ClosingOneWindowKeepsPreTranslationOfOthers) {
    Attach();
    TestWindow* dialog = new TestWindow();
    ASSERT_NE(nullptr, dialog->CreateHidden());
    const int before = CWindowManagerUI::GetManagerCount();
    ::DestroyWindow(dialog->GetHWND());
    delete dialog;
    EXPECT_EQ(before - 1, CWindowManagerUI::GetManagerCount());
    MSG msg = {};
    msg.hwnd = window.GetHWND();
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_TAB;
    EXPECT_TRUE(CWindowManagerUI::TranslateMessage(&msg));
    EXPECT_EQ(b, window.pm.GetFocus());
}

TEST_F(ManagerTest, TimersDeliverAndReuseIds) {
    Attach();
    ASSERT_TRUE(window.pm.SetTimer(a, 5, 10000));
    ASSERT_EQ(1, window.pm.GetTimerCount());
    EXPECT_EQ(17u, window.pm.GetTimerAt(0)->winTimerId);
    EXPECT_FALSE(window.pm.SetTimer(a, 5, 10000));
    EXPECT_TRUE(window.pm.KillTimer(a, 5));
    EXPECT_FALSE(window.pm.KillTimer(a, 5));
    EXPECT_TRUE(window.pm.SetTimer(a, 5, 10000));
    EXPECT_EQ(17u, window.pm.GetTimerAt(0)->winTimerId);

    LRESULT result = 0;
    window.notes.clear();
    window.pm.HandleMessage(WM_TIMER, 17, 0, result);
    EXPECT_EQ(Expect({L"timer:a"}), window.notes);
    EXPECT_EQ(5u, a->lastWParam);
}

TEST_F(ManagerTest, TimerIdsWrapWithoutTakingLiveIds) {
    Attach();
    // 255 ids per window: 17..254 then 0..16. The 239th new entry gets 0.
    for (UINT i = 0; i < 238; ++i) ASSERT_TRUE(window.pm.SetTimer(a, i, 100000)) << i;
    ASSERT_TRUE(window.pm.SetTimer(b, 1, 100000));
    EXPECT_EQ(0u, window.pm.GetTimerAt(238)->winTimerId);
    for (UINT i = 1000; i < 1016; ++i) ASSERT_TRUE(window.pm.SetTimer(b, i, 100000)) << i;
    EXPECT_EQ(255, window.pm.GetTimerCount());
    // Every id is held now: a new timer fails instead of taking over a live one.
    EXPECT_FALSE(window.pm.SetTimer(b, 2000, 100000));

    // A destroyed control takes all its entries along; b's timers stay.
    root->RemoveDelayed(a);
    a = nullptr;
    EXPECT_EQ(17, window.pm.GetTimerCount());
    EXPECT_TRUE(window.pm.SetTimer(b, 2000, 100000));
    std::vector<UINT> ids;
    for (int i = 0; i < window.pm.GetTimerCount(); ++i) ids.push_back(window.pm.GetTimerAt(i)->winTimerId);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.end(), std::adjacent_find(ids.begin(), ids.end()));
}

}  // namespace

namespace {

// Asks for a layout from inside its own paint, a given number of times.
class RelayoutInPaint : public TestControl {
public:
    RelayoutInPaint() : TestControl(L"relayout", nullptr) {}
    void PostPaint(HDC, const RECT&) override { postPaintAfter = paints; ++postPaints; }
    void Paint(HDC hDC, const RECT& rcPaint) override {
        ++paints;
        if (requests > 0) {
            --requests;
            RequestLayout();
        }
        TestControl::Paint(hDC, rcPaint);
    }
    int paints = 0;
    int requests = 0;
    int postPaints = 0;
    int postPaintAfter = -1;
};

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= 0x2000 && message < 0x3000) return static_cast<LRESULT>(message);
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

TEST_F(ManagerTest, LayoutAskedForWhilePaintingGivesOneMorePaint) {
    RelayoutInPaint* control = new RelayoutInPaint();
    root->Add(control);
    Attach();
    control->paints = 0;
    control->requests = 1;
    Paint();
    Pump();
    EXPECT_EQ(2, control->paints);
    Pump();
    EXPECT_EQ(2, control->paints);
}

TEST_F(ManagerTest, PostPaintRunsAfterTheTreeUntilRemoved) {
    RelayoutInPaint* control = new RelayoutInPaint();
    root->Add(control);
    Attach();
    window.pm.AddPostPaint(control);
    control->paints = 0;
    Paint();
    EXPECT_EQ(1, control->postPaints);
    EXPECT_EQ(1, control->postPaintAfter);
    EXPECT_TRUE(window.pm.RemovePostPaint(control));
    EXPECT_FALSE(window.pm.RemovePostPaint(control));
    Paint();
    EXPECT_EQ(1, control->postPaints);
}

TEST_F(ManagerTest, RefocusAfterLayoutReachesTheControlInTheNextPaint) {
    TestControl* c = AddAt(root, L"c", 60, 60, UIFLAG_TABSTOP);
    Attach();
    window.notes.clear();
    window.pm.RefocusAfterLayout(c);
    EXPECT_EQ(b, window.pm.GetFocus());   // the tab stop before it, without events
    EXPECT_EQ(Expect({L"killfocus:a"}), window.notes);
    Paint();
    EXPECT_EQ(c, window.pm.GetFocus());
}

// A filter that records what it sees and, on a chosen message, takes itself or another filter
// out of the manager.
struct RemovingFilter : IMessageFilterUI {
    RemovingFilter(const wchar_t* name, std::vector<std::wstring>* log) : name(name), log(log) {}
    LRESULT FilterMessage(UINT message, WPARAM, LPARAM, bool&) override {
        if (message != WM_USER + 7) return 0;
        log->push_back(name);
        if (manager != nullptr && victim != nullptr) manager->RemoveMessageFilter(victim);
        return 0;
    }
    const wchar_t* name;
    std::vector<std::wstring>* log;
    CWindowManagerUI* manager = nullptr;
    IMessageFilterUI* victim = nullptr;
};

TEST_F(ManagerTest, FiltersThatLeaveWhileTheListRunsSkipNobodyAndAreNotAskedAgain) {
    Attach();
    std::vector<std::wstring> seen;
    RemovingFilter first(L"first", &seen), second(L"second", &seen), third(L"third", &seen);
    for (RemovingFilter* filter : {&first, &second, &third}) window.pm.AddMessageFilter(filter);
    LRESULT result = 0;

    first.manager = &window.pm;
    first.victim = &first;   // leaves itself: the next one is still asked
    window.pm.HandleMessage(WM_USER + 7, 0, 0, result);
    EXPECT_EQ(Expect({L"first", L"second", L"third"}), seen);

    seen.clear();
    second.manager = &window.pm;
    second.victim = &third;  // takes a later one out: that one is not asked any more
    window.pm.HandleMessage(WM_USER + 7, 0, 0, result);
    EXPECT_EQ(Expect({L"second"}), seen);
    window.pm.RemoveMessageFilter(&second);
}

TEST_F(ManagerTest, MessageTableAnswers) {
    Attach();
    LRESULT result = 0;
    EXPECT_TRUE(window.pm.HandleMessage(WM_ERASEBKGND, 0, 0, result));
    EXPECT_EQ(1, result);

    window.pm.SetMinInfo(150, 0);
    window.pm.SetMaxInfo(0, 900);
    MINMAXINFO info = {};
    info.ptMinTrackSize = POINT{1, 2};
    info.ptMaxTrackSize = POINT{3, 4};
    EXPECT_FALSE(window.pm.HandleMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), result));
    EXPECT_EQ(150, info.ptMinTrackSize.x);
    EXPECT_EQ(2, info.ptMinTrackSize.y);
    EXPECT_EQ(3, info.ptMaxTrackSize.x);
    EXPECT_EQ(900, info.ptMaxTrackSize.y);

    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelaUICoreReflect";
    ::RegisterClassW(&wc);
    HWND child = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10, window.GetHWND(), nullptr,
                                   wc.hInstance, nullptr);
    ASSERT_NE(nullptr, child);
    EXPECT_TRUE(window.pm.HandleMessage(WM_COMMAND, 1, reinterpret_cast<LPARAM>(child), result));
    EXPECT_EQ(static_cast<LRESULT>(WM_COMMAND + 0x2000), result);
    EXPECT_FALSE(window.pm.HandleMessage(WM_COMMAND, 1, 0, result));
    NMHDR header = {};
    header.hwndFrom = child;
    EXPECT_TRUE(window.pm.HandleMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header), result));
    EXPECT_EQ(static_cast<LRESULT>(WM_NOTIFY + 0x2000), result);
    EXPECT_TRUE(window.pm.HandleMessage(WM_NOTIFY, 0, 0, result));
    // As another program can post them: a header at an address that is nothing here, a header
    // or a window that names no child of this window. Nothing is read through or sent to them.
    result = 7;
    EXPECT_TRUE(window.pm.HandleMessage(WM_NOTIFY, 0, 0x1234, result));
    EXPECT_EQ(7, result);
    HWND other = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                                   nullptr);
    header.hwndFrom = other;
    EXPECT_TRUE(window.pm.HandleMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header), result));
    EXPECT_EQ(7, result);
    EXPECT_FALSE(window.pm.HandleMessage(WM_COMMAND, 1, reinterpret_cast<LPARAM>(other), result));
    EXPECT_EQ(7, result);
    ::DestroyWindow(other);
    ::DestroyWindow(child);

    // While the manager holds the capture, set-cursor over the client area is only swallowed.
    window.pm.SetCapture();
    EXPECT_TRUE(window.pm.HandleMessage(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, 0), result));
    window.pm.ReleaseCapture();
    EXPECT_FALSE(window.pm.HandleMessage(WM_SETCURSOR, 0, MAKELPARAM(HTCAPTION, 0), result));

    CWindowManagerUI detached;
    EXPECT_FALSE(detached.HandleMessage(WM_ERASEBKGND, 0, 0, result));
}

TEST(ManagerWindowSettings, AlphaAndInitialSize) {
    CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    TestWindow window;
    ASSERT_NE(nullptr, window.CreateHidden());
    window.pm.SetInitSize(150, 90);
    RECT rc = {};
    ::GetWindowRect(window.GetHWND(), &rc);
    EXPECT_EQ(150, rc.right - rc.left);
    EXPECT_EQ(90, rc.bottom - rc.top);
    window.pm.SetWindowAlpha(128);
    EXPECT_NE(0, ::GetWindowLongPtrW(window.GetHWND(), GWL_EXSTYLE) & WS_EX_LAYERED);
    window.pm.SetWindowAlpha(300);
    EXPECT_EQ(0, ::GetWindowLongPtrW(window.GetHWND(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

}  // namespace

namespace {

COLORREF ScreenPixel(HWND hWnd, int x, int y) {
    HDC dc = ::GetDC(hWnd);
    const COLORREF colour = ::GetPixel(dc, x, y);
    ::ReleaseDC(hWnd, dc);
    return colour;
}

TEST_F(ManagerTest, PaintsOffscreenWithOptionalDirtyOutline) {
    root->SetBkColor(0xFF00FF00);
    Attach();
    EXPECT_EQ(RGB(0, 255, 0), ScreenPixel(window.GetHWND(), 150, 100));
    window.pm.SetShowDirty(true);
    Paint();
    EXPECT_EQ(RGB(220, 0, 0), ScreenPixel(window.GetHWND(), 0, 100));
    EXPECT_EQ(RGB(0, 255, 0), ScreenPixel(window.GetHWND(), 150, 100));
    window.pm.SetShowDirty(false);
    window.pm.SetOffscreenPaint(false);
    root->SetBkColor(0xFF0000FF);
    Paint();
    EXPECT_EQ(RGB(0, 0, 255), ScreenPixel(window.GetHWND(), 150, 100));
}

}  // namespace
