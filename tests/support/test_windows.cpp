#include "test_windows.h"

namespace testwindows {

namespace {

struct Search {
    const std::function<bool(HWND)>* accept;
    HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    if (!(*search->accept)(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

HWND FindTopLevel(const std::function<bool(HWND)>& accept, DWORD threadId) {
    Search search{&accept, nullptr};
    if (threadId != 0)
        ::EnumThreadWindows(threadId, Visit, reinterpret_cast<LPARAM>(&search));
    else
        ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace testwindows
