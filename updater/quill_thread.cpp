#include "quill_thread.h"

CQuillThread::CQuillThread() {
    idleEvent_ = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}

CQuillThread::~CQuillThread() {
    if (idleEvent_) CloseHandle(idleEvent_);
}

HANDLE CQuillThread::CreateWorkerThread(LPTHREAD_START_ROUTINE routine, void* param, DWORD* id) {
    return CreateThread(nullptr, 0, routine, param, 0, id);
}

bool CQuillThread::StartThread() {
    if (thread_.load()) return true;
    // Busy before the thread exists: a run that ends at once must find the event reset already,
    // or its "idle" signal would be overwritten and a waiter would wait for ever.
    ResetEvent(idleEvent_);
    DWORD id = 0;
    HANDLE h = CreateWorkerThread(&CQuillThread::ThreadRoutine, this, &id);
    if (!h) {
        SetEvent(idleEvent_);
        return false;
    }
    threadId_ = id;
    thread_.store(h);
    return true;
}

void CQuillThread::WaitThread() {
    if (idleEvent_) WaitForSingleObject(idleEvent_, INFINITE);
    HANDLE h = thread_.exchange(nullptr);
    if (h) {
        WaitForSingleObject(h, INFINITE);
        CloseHandle(h);
    }
}

bool CQuillThread::IsBusy() const {
    return idleEvent_ && WaitForSingleObject(idleEvent_, 0) == WAIT_TIMEOUT;
}

DWORD WINAPI CQuillThread::ThreadRoutine(void* param) {
    static_cast<CQuillThread*>(param)->RunAndSignal();
    return 0;
}

void CQuillThread::RunAndSignal() {
    Run();
    SetEvent(idleEvent_);
}
