// operator new with a failure on demand (failing_alloc.h). The library's operator delete frees
// with free(), so allocating with malloc() keeps the two in step; array and non-throwing forms
// of new come through this one.
#include "failing_alloc.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_failSize{0};
std::atomic<DWORD> g_failThread{0};
std::atomic<bool> g_failed{false};

}  // namespace

namespace failingalloc {

void FailNextOnThisThread(size_t size) {
    g_failed = false;
    g_failThread = ::GetCurrentThreadId();
    g_failSize = size;
}

bool HasFailed() { return g_failed; }

void Disarm() {
    g_failSize = 0;
    g_failed = false;
}

}  // namespace failingalloc

void* operator new(size_t size) {
    if (size != 0 && size == g_failSize && ::GetCurrentThreadId() == g_failThread) {
        size_t expected = size;
        if (g_failSize.compare_exchange_strong(expected, 0)) {
            g_failed = true;
            throw std::bad_alloc();
        }
    }
    for (;;) {
        if (void* p = std::malloc(size != 0 ? size : 1)) return p;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}
