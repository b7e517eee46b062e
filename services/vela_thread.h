// The player's thread base class: a worker object that owns one thread and one stop event.
// Subclasses implement Run; bodies that loop wait on or test the stop event. Start, Stop and
// IsRunning are for other threads (Run must not call them: Stop holds the object while it waits).
// A subclass whose Run uses its own members must stop the thread in its own destructor: the
// base destructor runs after those members are gone. An exception that leaves Run ends only the
// thread (exit code kRunFailedExitCode), never the program.
#pragma once

#include <windows.h>

#include "win_owners.h"

class CVelaThread {
public:
    // The exit code of a thread whose Run ended by an exception.
    static const unsigned kRunFailedExitCode = static_cast<unsigned>(-1);

    CVelaThread() = default;
    CVelaThread(const CVelaThread&) = delete;
    CVelaThread& operator=(const CVelaThread&) = delete;

    // The thread's body; its result is the thread's exit code.
    virtual unsigned Run() = 0;
    virtual ~CVelaThread();
    // Signals the stop event, waits for the thread and forgets it. False when no thread is held.
    virtual bool Stop();

    // Starts Run on a new thread; false when a thread is still running or cannot be made.
    bool Start();
    bool IsRunning() const;

protected:
    // Manual-reset, signalled by Stop.
    HANDLE StopEvent() const { return m_stopEvent.Get(); }
    bool StopRequested() const {
        return m_stopEvent.IsValid() && WaitForSingleObject(m_stopEvent.Get(), 0) == WAIT_OBJECT_0;
    }

private:
    static unsigned __stdcall ThreadEntry(void* self);
    bool ThreadAlive() const;
    void ReleaseHandles();

    mutable CSectionLock m_lock;  // guards the handles against concurrent Start and Stop
    unsigned m_threadId = 0;
    CScopedHandle m_thread;
    CScopedHandle m_stopEvent;
};
