// Scoped owners of the Windows resources that every library holds: kernel handles, COM interface
// pointers and critical sections. A resource that has one of these as its owner is never freed
// by hand, so no path (an early return, a throw) can leak it or free it twice.
#pragma once

#include <windows.h>

// Owns a kernel handle (file, event, thread, semaphore, mutex, process) and closes it. Both null
// and INVALID_HANDLE_VALUE mean "no handle": the creating functions report failure with one or
// the other (CreateFile the second, CreateEvent and CreateThread the first).
class CScopedHandle {
public:
    CScopedHandle() = default;
    explicit CScopedHandle(HANDLE handle) : m_handle(handle) {}
    ~CScopedHandle() { Close(); }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    CScopedHandle(CScopedHandle&& other) noexcept : m_handle(other.Detach()) {}
    CScopedHandle& operator=(CScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }

    static bool IsValidHandle(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return IsValidHandle(m_handle); }
    // Closes the handle held, if any, and takes handle in its place. The argument is opened
    // before the old handle is closed: close first where a file would refuse a second opening.
    void Reset(HANDLE handle = nullptr) {
        Close();
        m_handle = handle;
    }
    // Gives the handle up without closing it.
    HANDLE Detach() {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    // Closes the handle. False only when closing failed, which for a file can be the report of
    // its last write; true when no handle was held.
    bool Close() {
        HANDLE handle = Detach();
        return !IsValidHandle(handle) || CloseHandle(handle) != FALSE;
    }

private:
    HANDLE m_handle = nullptr;
};

// Releases an interface pointer that a class keeps as a raw member, and clears the member first:
// the release may call back into the holder, which must then find it gone.
template <class T>
void ReleaseInterface(T*& pointer) {
    T* old = pointer;
    pointer = nullptr;
    if (old != nullptr) old->Release();
}

// Owns one reference to a COM interface and releases it.
template <class T>
class CComPointer {
public:
    CComPointer() = default;
    // Takes over a reference that the caller holds (no AddRef).
    explicit CComPointer(T* pointer) : m_pointer(pointer) {}
    // A reference of its own to an interface that someone else holds (AddRef), so that the
    // interface outlives whatever its use may release meanwhile.
    static CComPointer Share(T* pointer) {
        if (pointer != nullptr) pointer->AddRef();
        return CComPointer(pointer);
    }
    ~CComPointer() { ReleaseInterface(m_pointer); }
    CComPointer(const CComPointer&) = delete;
    CComPointer& operator=(const CComPointer&) = delete;
    CComPointer(CComPointer&& other) noexcept : m_pointer(other.Detach()) {}
    CComPointer& operator=(CComPointer&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }

    T* Get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // Where a creating or querying call stores the new reference; the one held is released.
    T** Receive() {
        ReleaseInterface(m_pointer);
        return &m_pointer;
    }
    // The same for calls that take the out pointer as void** (QueryInterface, CoCreateInstance).
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    // Releases the reference held and takes over pointer's (no AddRef).
    void Reset(T* pointer = nullptr) {
        T* old = m_pointer;
        m_pointer = pointer;
        if (old != nullptr) old->Release();
    }
    // Gives the reference up without releasing it.
    T* Detach() {
        T* pointer = m_pointer;
        m_pointer = nullptr;
        return pointer;
    }

private:
    T* m_pointer = nullptr;
};

// A critical section: initialised with the object, deleted with it.
class CSectionLock {
public:
    CSectionLock() { InitializeCriticalSection(&m_section); }
    ~CSectionLock() { DeleteCriticalSection(&m_section); }
    CSectionLock(const CSectionLock&) = delete;
    CSectionLock& operator=(const CSectionLock&) = delete;

    void Lock() { EnterCriticalSection(&m_section); }
    void Unlock() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Holds a CSectionLock from its construction to its destruction.
class CSectionGuard {
public:
    explicit CSectionGuard(CSectionLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CSectionGuard() { m_lock.Unlock(); }
    CSectionGuard(const CSectionGuard&) = delete;
    CSectionGuard& operator=(const CSectionGuard&) = delete;

private:
    CSectionLock& m_lock;
};
