// Base class of the updater's worker threads: one thread at a time runs Run(); an idle event
// reads "busy" from the moment a start is asked for until Run() has returned or thrown (an
// exception ends only the run, never the program).
#pragma once

#include <windows.h>

#include <atomic>

#include "win_owners.h"

class CQuillThread {
public:
    CQuillThread();
    virtual ~CQuillThread();
    CQuillThread(const CQuillThread&) = delete;
    CQuillThread& operator=(const CQuillThread&) = delete;

    // True when a thread exists afterwards.
    bool StartThread();
    // Waits for the current run to end and for its thread to exit, then closes the thread.
    void WaitThread();
    // True while a run is under way (the idle event is reset).
    bool IsBusy() const;

protected:
    virtual void Run() = 0;
    // Creates the OS thread; a separate step so that a failed creation can be exercised.
    virtual HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE routine, void* param, DWORD* id);

private:
    static DWORD WINAPI ThreadRoutine(void* param);
    void RunAndSignal();

    DWORD threadId_ = 0;
    std::atomic<HANDLE> thread_{nullptr};
    CScopedHandle idleEvent_;
};
