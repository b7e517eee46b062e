// The message pump of the tests: dispatching what waits for the test's thread, and waiting for a
// condition while the thread's windows go on receiving their messages.
#pragma once

#include <windows.h>

#include <functional>

namespace testpump {

// Offered each message before it is translated and dispatched, as a program's message loop
// offers it to its window managers; true when it consumed the message.
typedef bool (*PreTranslateProc)(const MSG* msg);

// Dispatches every message that waits for this thread (only those of window when one is given).
void DispatchWaiting(HWND window = nullptr, PreTranslateProc preTranslate = nullptr);

// Dispatches this thread's messages until done() holds or timeoutMs have passed, waking at once
// when a message arrives; returns done(). done() is asked first, so nothing is dispatched when it
// holds already.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, PreTranslateProc preTranslate = nullptr);

// Dispatches this thread's messages for ms milliseconds.
void PumpFor(DWORD ms, PreTranslateProc preTranslate = nullptr);

}  // namespace testpump
