// Worker threads of a window.
#include "form_worker.h"

#include <process.h>

#include "ui_core.h"

namespace VelaUI {

bool WaitDispatching(HANDLE handle, DWORD timeoutMs) { return WaitAnyDispatching(&handle, 1, timeoutMs) == 0; }

DWORD WaitAnyDispatching(const HANDLE* handles, DWORD count, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    bool quit = false;
    WPARAM quitCode = 0;
    DWORD signalled = count;
    for (;;) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            const DWORD spent = ::GetTickCount() - start;
            if (spent >= timeoutMs) break;
            remaining = timeoutMs - spent;
        }
        // Messages already queued count too: a message posted before the wait began (a menu's
        // close, say) would otherwise wait for the next one to arrive.
        const DWORD woke =
            ::MsgWaitForMultipleObjectsEx(count, handles, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke < WAIT_OBJECT_0 + count) {
            signalled = woke - WAIT_OBJECT_0;
            break;
        }
        if (woke != WAIT_OBJECT_0 + count) break;  // time-out or a failed wait
        MSG msg = {};
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            if (!UIToolkit::CWindowManagerUI::TranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
    return signalled;
}

FormWorker::FormWorker() : m_thread(nullptr), m_stopEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

FormWorker::~FormWorker() {
    if (m_thread != nullptr) ::CloseHandle(m_thread);
    if (m_stopEvent != nullptr) ::CloseHandle(m_stopEvent);
}

bool FormWorker::Start(Body body) {
    if (IsRunning() || m_stopEvent == nullptr || !body) return false;
    if (m_thread != nullptr) {
        ::CloseHandle(m_thread);
        m_thread = nullptr;
    }
    ::ResetEvent(m_stopEvent);
    m_body = std::move(body);
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &FormWorker::ThreadEntry, this, 0, nullptr);
    m_thread = reinterpret_cast<HANDLE>(thread);
    return m_thread != nullptr;
}

void FormWorker::RequestStop() {
    if (m_stopEvent != nullptr) ::SetEvent(m_stopEvent);
}

bool FormWorker::Stop(DWORD timeoutMs) {
    RequestStop();
    if (m_thread == nullptr) return true;
    if (!WaitDispatching(m_thread, timeoutMs)) return false;
    ::CloseHandle(m_thread);
    m_thread = nullptr;
    return true;
}

bool FormWorker::IsRunning() const {
    return m_thread != nullptr && ::WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT;
}

unsigned __stdcall FormWorker::ThreadEntry(void* self) {
    FormWorker* worker = static_cast<FormWorker*>(self);
    try {
        return worker->m_body(*worker);
    } catch (...) {
        // A failure inside the work ends this thread only; the window and the other workers go on.
        return kFailedExitCode;
    }
}

}  // namespace VelaUI
