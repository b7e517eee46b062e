#include "vela_thread.h"

#include <process.h>

CVelaThread::~CVelaThread() {
    if (m_thread.IsValid()) CVelaThread::Stop();
}

unsigned __stdcall CVelaThread::ThreadEntry(void* self) {
    if (!self) return kRunFailedExitCode;
    // An exception must not cross the thread's entry: there it would end the whole program.
    try {
        return static_cast<CVelaThread*>(self)->Run();
    } catch (...) {
        return kRunFailedExitCode;
    }
}

bool CVelaThread::IsRunning() const {
    CSectionGuard hold(m_lock);
    return ThreadAlive();
}

bool CVelaThread::ThreadAlive() const {
    return m_thread.IsValid() && WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

bool CVelaThread::Start() {
    CSectionGuard hold(m_lock);
    if (ThreadAlive()) return false;
    ReleaseHandles();  // a thread that ended by itself
    m_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_stopEvent.IsValid()) return false;
    uintptr_t thread = _beginthreadex(nullptr, 0, &CVelaThread::ThreadEntry, this, 0, &m_threadId);
    if (thread == 0) {
        ReleaseHandles();
        return false;
    }
    m_thread.Reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

bool CVelaThread::Stop() {
    CSectionGuard hold(m_lock);
    if (!m_thread.IsValid() || !m_stopEvent.IsValid() || !SetEvent(m_stopEvent.Get())) return false;
    WaitForSingleObject(m_thread.Get(), INFINITE);
    ReleaseHandles();
    return true;
}

void CVelaThread::ReleaseHandles() {
    m_thread.Close();
    m_stopEvent.Close();
    m_threadId = 0;
}
