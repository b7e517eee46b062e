// Worker threads of a window and the wait that keeps a window's thread answering while it waits.
#pragma once

#include <windows.h>

#include <functional>

namespace VelaUI {

// Waits for the handle at most timeoutMs (INFINITE: no bound) while the calling thread keeps
// dispatching its messages, so that windows stay painted and other threads that send to them are
// answered. A quit message that arrives meanwhile is posted again afterwards. True when the handle
// was signalled.
bool WaitDispatching(HANDLE handle, DWORD timeoutMs);
// The same for any of count handles: the index of the one signalled, or count when none was
// within the time.
DWORD WaitAnyDispatching(const HANDLE* handles, DWORD count, DWORD timeoutMs);

// One worker thread with its own stop event. Started by its window and ended by it with Stop, a
// bounded wait that dispatches messages; a worker that does not end within the bound is left
// running and reported, and its owner must then stay alive (the process ends soon after).
class FormWorker {
public:
    // The thread's body; it returns the thread's exit code. It should wait on or test StopEvent.
    // An exception that leaves the body ends the thread with kFailedExitCode.
    using Body = std::function<unsigned(FormWorker& worker)>;
    static const unsigned kFailedExitCode = 0xE0000001u;

    FormWorker();
    FormWorker(const FormWorker&) = delete;
    FormWorker& operator=(const FormWorker&) = delete;
    // Requires the thread to have ended (or never started): the body refers to this object.
    ~FormWorker();

    // False when a thread of this worker still runs or none can be made.
    bool Start(Body body);
    // Signals the stop event; the body sees it at its next wait or test.
    void RequestStop();
    // RequestStop, then waits up to timeoutMs, dispatching messages. True when no thread runs now.
    bool Stop(DWORD timeoutMs);
    bool IsRunning() const;

    HANDLE StopEvent() const { return m_stopEvent; }
    bool StopRequested() const { return ::WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0; }

private:
    static unsigned __stdcall ThreadEntry(void* self);

    Body m_body;
    HANDLE m_thread;
    HANDLE m_stopEvent;  // manual reset
};

}  // namespace VelaUI
