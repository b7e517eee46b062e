#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "uicore_test_util.h"

using namespace uitest;

namespace {

class EditHost : public CWindowWnd {
public:
    int messages = 0;

protected:
    const wchar_t* GetWindowClassName() const override { return L"VelaUICoreTestEdit"; }
    const wchar_t* GetSuperClassName() const override { return L"EDIT"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        ++messages;
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }
};

class NativeWindowTest : public ::testing::Test {
protected:
    void SetUp() override { CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr)); }
};

TEST_F(NativeWindowTest, ClassIsRegisteredOnceAndReused) {
    TestWindow first;
    TestWindow second;
    ASSERT_NE(nullptr, first.CreateHidden());
    ASSERT_NE(nullptr, second.CreateHidden());
    EXPECT_EQ(&first, reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(first.GetHWND(), GWLP_USERDATA)));
    ::DestroyWindow(first.GetHWND());
    EXPECT_EQ(nullptr, first.GetHWND());
    EXPECT_NE(nullptr, second.GetHWND());
}

TEST_F(NativeWindowTest, FailedCreateDoesNotTouchADeletedObject) {
    int finals = 0;
    TestWindow* window = new TestWindow();
    window->failCreate = true;
    window->deleteOnFinal = true;
    window->finalCounter = &finals;
    // The object deletes itself during the failed creation; Create must not write to it after.
    EXPECT_EQ(nullptr, window->CreateHidden());
    EXPECT_EQ(1, finals);
}

TEST_F(NativeWindowTest, SuperclassRoutesToObjectAndUnbindsAtDestruction) {
    EditHost host;
    ASSERT_NE(nullptr, host.Create(nullptr, L"", WS_POPUP, 0, 0, 0, 100, 20));
    HWND hWnd = host.GetHWND();
    EXPECT_EQ(&host, reinterpret_cast<CWindowWnd*>(::GetPropW(hWnd, L"WndX")));
    ::SetWindowTextW(hWnd, L"typed");
    wchar_t text[16] = {};
    ::GetWindowTextW(hWnd, text, 16);
    EXPECT_STREQ(L"typed", text);   // the system class still does its work
    EXPECT_GT(host.messages, 0);
    ::DestroyWindow(hWnd);
    EXPECT_EQ(nullptr, host.GetHWND());
}

// A class of the program's own that a superclass is built on; it counts the last message of
// each of its windows.
int g_baseDestroyed = 0;

LRESULT CALLBACK BaseProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) ++g_baseDestroyed;
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

class BaseHost : public CWindowWnd {
protected:
    const wchar_t* GetWindowClassName() const override { return L"VelaUICoreTestSuperOfBase"; }
    const wchar_t* GetSuperClassName() const override { return L"VelaUICoreTestBase"; }
};

TEST_F(NativeWindowTest, TheSuperclassedClassSeesTheLastMessageAlsoWhenTheObjectGoesFirst) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = BaseProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelaUICoreTestBase";
    ASSERT_TRUE(::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    g_baseDestroyed = 0;
    {
        BaseHost host;
        ASSERT_NE(nullptr, host.Create(nullptr, L"", WS_POPUP, 0, 0, 0, 50, 20));
        ::DestroyWindow(host.GetHWND());   // the window goes first
    }
    EXPECT_EQ(1, g_baseDestroyed);
    HWND hWnd = nullptr;
    {
        BaseHost host;
        hWnd = host.Create(nullptr, L"", WS_POPUP, 0, 0, 0, 50, 20);
        ASSERT_NE(nullptr, hWnd);
    }   // the object goes first and takes its window with it
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(2, g_baseDestroyed);
}

bool IsLiveIcon(HICON icon) {
    ICONINFO info = {};
    if (!::GetIconInfo(icon, &info)) return false;
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
    return true;
}

HICON WindowIcon(HWND hWnd, WPARAM which) {
    return reinterpret_cast<HICON>(::SendMessageW(hWnd, WM_GETICON, which, 0));
}

// Each SetIcon frees the icons it replaces; the last ones go with the window or the object.
TEST_F(NativeWindowTest, SetIconKeepsOneIconPerSizeAndFreesItWithTheWindow) {
    for (bool objectFirst : {false, true}) {
        SCOPED_TRACE(objectFirst ? "object destroyed first" : "window destroyed first");
        std::vector<HICON> last;
        {
            TestWindow window;
            ASSERT_NE(nullptr, window.CreateHidden());
            window.SetIcon(1);
            const HICON firstBig = WindowIcon(window.GetHWND(), ICON_BIG);
            const HICON firstSmall = WindowIcon(window.GetHWND(), ICON_SMALL);
            ASSERT_NE(nullptr, firstBig);
            ASSERT_NE(nullptr, firstSmall);
            window.SetIcon(1);
            last = {WindowIcon(window.GetHWND(), ICON_BIG), WindowIcon(window.GetHWND(), ICON_SMALL)};
            for (HICON icon : last) EXPECT_TRUE(IsLiveIcon(icon));
            for (HICON old : {firstBig, firstSmall}) {
                if (old != last[0] && old != last[1]) {
                    EXPECT_FALSE(IsLiveIcon(old)) << "an icon replaced and kept";
                }
            }
            if (!objectFirst) ::DestroyWindow(window.GetHWND());
        }
        for (HICON icon : last) EXPECT_FALSE(IsLiveIcon(icon)) << "an icon outlived its window";
    }
}

// Records the messages its object receives.
class MessageRecorder : public CWindowWnd {
public:
    std::vector<UINT> seen;

protected:
    const wchar_t* GetWindowClassName() const override { return L"VelaUICoreTestRecorder"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }
};

TEST_F(NativeWindowTest, MessagesBeforeCreationGoToTheDefaultProcedure) {
    // An overlapped window gets WM_GETMINMAXINFO before WM_NCCREATE; the object is bound only
    // from WM_NCCREATE on, and creation succeeds.
    MessageRecorder window;
    ASSERT_NE(nullptr, window.Create(nullptr, L"recorder", WS_OVERLAPPEDWINDOW, 0, 0, 0, 120, 80));
    ASSERT_FALSE(window.seen.empty());
    EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), window.seen.front());
    EXPECT_NE(window.seen.end(), std::find(window.seen.begin(), window.seen.end(), static_cast<UINT>(WM_CREATE)));
    ::DestroyWindow(window.GetHWND());
    EXPECT_EQ(nullptr, window.GetHWND());
}

TEST_F(NativeWindowTest, ObjectDestroyedBeforeItsWindowUnbindsIt) {
    int finals = 0;
    HWND hWnd = nullptr;
    {
        TestWindow window;
        window.finalCounter = &finals;
        hWnd = window.CreateHidden();
        ASSERT_NE(nullptr, hWnd);
    }
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(0, finals);
}

// Notes whether its owner was enabled again by the time its own window was gone.
class ModalProbe : public TestWindow {
public:
    HWND owner = nullptr;
    int* ownerEnabledAtFinal = nullptr;

protected:
    void OnFinalMessage(HWND hWnd) override {
        *ownerEnabledAtFinal = ::IsWindowEnabled(owner) ? 1 : 0;
        TestWindow::OnFinalMessage(hWnd);
    }
};

TEST_F(NativeWindowTest, ModalLoopReturnsCloseResultAndRestoresOwner) {
    TestWindow owner;
    ASSERT_NE(nullptr, owner.Create(nullptr, L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 100));
    int finals = 0;
    int ownerEnabledAtFinal = -1;
    ModalProbe* dialog = new ModalProbe();
    dialog->deleteOnFinal = true;   // the dialog deletes itself when its window is gone
    dialog->finalCounter = &finals;
    dialog->owner = owner.GetHWND();
    dialog->ownerEnabledAtFinal = &ownerEnabledAtFinal;
    ASSERT_NE(nullptr, dialog->CreateHidden(owner.GetHWND()));
    dialog->Close(7);
    EXPECT_EQ(7u, dialog->ShowModal());
    EXPECT_EQ(1, finals);
    EXPECT_EQ(1, ownerEnabledAtFinal);   // enabled before the dialog window was destroyed
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHWND()));
    EXPECT_EQ(owner.GetHWND(), ::GetFocus());
}

TEST_F(NativeWindowTest, QuitInsideModalLoopIsPostedAgain) {
    TestWindow owner;
    ASSERT_NE(nullptr, owner.CreateShown());
    TestWindow dialog;
    ASSERT_NE(nullptr, dialog.CreateHidden(owner.GetHWND()));
    ::PostQuitMessage(5);
    EXPECT_EQ(0u, dialog.ShowModal());
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHWND()));
    MSG msg = {};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(5u, msg.wParam);
}

TEST_F(NativeWindowTest, CenterWindowKeepsInsideWorkArea) {
    RECT area = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    TestWindow big;
    ASSERT_NE(nullptr, big.Create(nullptr, L"big", WS_POPUP, 0, 300, 300, area.right - area.left + 200,
                                  area.bottom - area.top + 100));
    big.CenterWindow();
    RECT rc = {};
    ::GetWindowRect(big.GetHWND(), &rc);
    EXPECT_EQ(area.left, rc.left);
    EXPECT_EQ(area.top, rc.top);

    TestWindow small;
    ASSERT_NE(nullptr, small.Create(nullptr, L"small", WS_POPUP, 0, 0, 0, 100, 50));
    small.CenterWindow();
    ::GetWindowRect(small.GetHWND(), &rc);
    EXPECT_EQ((area.left + area.right) / 2 - 50, rc.left);
    EXPECT_EQ((area.top + area.bottom) / 2 - 25, rc.top);
}

}  // namespace
