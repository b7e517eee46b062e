#include "quill_thread.h"

CQuillThread::CQuillThread() : idleEvent_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

CQuillThread::~CQuillThread() = default;

HANDLE CQuillThread::CreateWorkerThread(LPTHREAD_START_ROUTINE routine, void* param, DWORD* id) {
    return CreateThread(nullptr, 0, routine, param, 0, id);
}

bool CQuillThread::StartThread() {
    if (thread_.load()) return true;
    // Busy before the thread exists: a run that ends at once must find the event reset already,
    // or its "idle" signal would be overwritten and a waiter would wait for ever.
    ResetEvent(idleEvent_.Get());
    DWORD id = 0;
    HANDLE h = CreateWorkerThread(&CQuillThread::ThreadRoutine, this, &id);
    if (!h) {
        SetEvent(idleEvent_.Get());
        return false;
    }
    threadId_ = id;
    thread_.store(h);
    return true;
}

void CQuillThread::WaitThread() {
    if (idleEvent_.IsValid()) WaitForSingleObject(idleEvent_.Get(), INFINITE);
    CScopedHandle thread(thread_.exchange(nullptr));
    if (thread.IsValid()) WaitForSingleObject(thread.Get(), INFINITE);
}

bool CQuillThread::IsBusy() const {
    return idleEvent_.IsValid() && WaitForSingleObject(idleEvent_.Get(), 0) == WAIT_TIMEOUT;
}

DWORD WINAPI CQuillThread::ThreadRoutine(void* param) {
    static_cast<CQuillThread*>(param)->RunAndSignal();
    return 0;
}

void CQuillThread::RunAndSignal() {
    // An exception must not cross the thread's entry, where it would end the program, and the
    // run is over either way: a waiter for the idle event must not wait for ever.
    try {
        Run();
    } catch (...) {}
    SetEvent(idleEvent_.Get());
}
