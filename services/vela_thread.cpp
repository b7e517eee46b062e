#include "vela_thread.h"

#include <process.h>

CVelaThread::~CVelaThread() {
    if (m_thread) CVelaThread::Stop();
}

unsigned __stdcall CVelaThread::ThreadEntry(void* self) {
    if (!self) return static_cast<unsigned>(-1);
    return static_cast<CVelaThread*>(self)->Run();
}

bool CVelaThread::IsRunning() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return ThreadAlive();
}

bool CVelaThread::ThreadAlive() const { return m_thread && WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT; }

bool CVelaThread::Start() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (ThreadAlive()) return false;
    ReleaseHandles();  // a thread that ended by itself
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_stopEvent) return false;
    uintptr_t thread = _beginthreadex(nullptr, 0, &CVelaThread::ThreadEntry, this, 0, &m_threadId);
    if (thread == 0) {
        ReleaseHandles();
        return false;
    }
    m_thread = reinterpret_cast<HANDLE>(thread);
    return true;
}

bool CVelaThread::Stop() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_thread || !m_stopEvent || !SetEvent(m_stopEvent)) return false;
    WaitForSingleObject(m_thread, INFINITE);
    ReleaseHandles();
    return true;
}

void CVelaThread::ReleaseHandles() {
    if (m_thread) CloseHandle(m_thread);
    if (m_stopEvent) CloseHandle(m_stopEvent);
    m_thread = nullptr;
    m_stopEvent = nullptr;
    m_threadId = 0;
}
