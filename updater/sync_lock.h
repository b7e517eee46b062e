// Critical-section lock of the updater's lists and dialog, and its scoped guard.
#pragma once

#include <windows.h>

class CSectionLock {
public:
    CSectionLock() { InitializeCriticalSection(&section_); }
    ~CSectionLock() { DeleteCriticalSection(&section_); }
    CSectionLock(const CSectionLock&) = delete;
    CSectionLock& operator=(const CSectionLock&) = delete;

    void Lock() { EnterCriticalSection(&section_); }
    void Unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class CSectionGuard {
public:
    explicit CSectionGuard(CSectionLock& lock) : lock_(lock) { lock_.Lock(); }
    ~CSectionGuard() { lock_.Unlock(); }
    CSectionGuard(const CSectionGuard&) = delete;
    CSectionGuard& operator=(const CSectionGuard&) = delete;

private:
    CSectionLock& lock_;
};
