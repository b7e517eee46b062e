// Window searches for tests. Window enumeration callbacks have the system's calling convention
// (stdcall in 32-bit programs), to which GCC converts no lambda: a test passes its condition
// here instead.
#pragma once

#include <windows.h>

#include <functional>

namespace testwindows {

// The first top-level window of the given thread (0: of any thread) that the condition accepts;
// null when there is none.
HWND FindTopLevel(const std::function<bool(HWND)>& accept, DWORD threadId = 0);

}  // namespace testwindows
