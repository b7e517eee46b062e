// The worker threads of the player's windows, and the wait that keeps a window's thread answering
// while it waits.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "form_worker.h"

using VelaUI::FormWorker;
using VelaUI::WaitAnyDispatching;
using VelaUI::WaitDispatching;

TEST(FormWorker, AnExceptionInTheWorkEndsOnlyThatThread) {
    FormWorker worker;
    ASSERT_TRUE(worker.Start([](FormWorker&) -> unsigned { throw std::runtime_error("the work failed"); }));
    EXPECT_TRUE(worker.Stop(5000));
    EXPECT_FALSE(worker.IsRunning());
    // The process goes on, and so can the worker.
    std::atomic<bool> ran{false};
    ASSERT_TRUE(worker.Start([&](FormWorker& self) {
        ran = true;
        ::WaitForSingleObject(self.StopEvent(), INFINITE);
        return 0u;
    }));
    EXPECT_TRUE(worker.Stop(5000));
    EXPECT_TRUE(ran);
}

namespace {

const UINT kStartWait = WM_APP + 1;
const UINT kSignal = WM_APP + 2;

HANDLE g_event = nullptr;
DWORD g_waitResult = 0;

LRESULT CALLBACK WaitingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStartWait) {
        const HANDLE handles[2] = {::GetCurrentProcess(), g_event};  // the process never ends here
        g_waitResult = WaitAnyDispatching(handles, 2, 3000);
        return 0;
    }
    if (message == kSignal) {
        ::SetEvent(g_event);
        return 0;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

// A message queued before the wait began, behind the one whose handler waits, is dispatched by
// the wait at once (a menu's close queued behind the menu's command, say), not only once some
// other message arrives.
TEST(WaitDispatching, DispatchesWhatWasQueuedBeforeTheWait) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WaitingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelaFormWorkerTest";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    g_event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::PostMessageW(window, kStartWait, 0, 0);
    ::PostMessageW(window, kSignal, 0, 0);
    const DWORD start = ::GetTickCount();
    MSG msg;
    ASSERT_TRUE(::GetMessageW(&msg, window, 0, 0) > 0);  // takes the first; the second stays queued
    ::DispatchMessageW(&msg);
    EXPECT_EQ(g_waitResult, 1u);
    EXPECT_LT(::GetTickCount() - start, 2000u);
    ::CloseHandle(g_event);
    ::DestroyWindow(window);
}

TEST(WaitDispatching, TellsWhichHandleCameOrThatTheTimeRanOut) {
    HANDLE set = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE unset = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE both[2] = {unset, set};
    EXPECT_EQ(WaitAnyDispatching(both, 2, 1000), 1u);
    EXPECT_EQ(WaitAnyDispatching(&unset, 1, 50), 1u);
    EXPECT_TRUE(WaitDispatching(set, 1000));
    EXPECT_FALSE(WaitDispatching(unset, 50));
    ::CloseHandle(set);
    ::CloseHandle(unset);
}

}  // namespace
