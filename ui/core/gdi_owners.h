// Scoped owners of GDI resources: an object (pen, brush, font, bitmap, region), an object
// selected into a DC, a memory DC with a bitmap selected into it, and an off-screen surface
// that owns both its DC and its bitmap; and an icon. No code of the framework frees these by hand.
#pragma once

#include <windows.h>

namespace UIToolkit {

// Owns a GDI object and deletes it.
template <typename T>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(T handle) : m_handle(handle) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_handle(other.Detach()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }

    T Get() const { return m_handle; }
    // Deletes the object held, if any, and takes handle in its place.
    void Reset(T handle = nullptr) {
        T old = m_handle;
        m_handle = handle;
        if (old != nullptr) ::DeleteObject(old);
    }
    T Detach() {
        T handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    T m_handle = nullptr;
};

// Owns an icon that was loaded (not shared) and destroys it.
class CIconHandle {
public:
    CIconHandle() = default;
    ~CIconHandle() { Reset(); }
    CIconHandle(const CIconHandle&) = delete;
    CIconHandle& operator=(const CIconHandle&) = delete;

    HICON Get() const { return m_icon; }
    // Destroys the icon held, if any, and takes icon in its place.
    void Reset(HICON icon = nullptr) {
        HICON old = m_icon;
        m_icon = icon;
        if (old != nullptr) ::DestroyIcon(old);
    }

private:
    HICON m_icon = nullptr;
};

// Selects an object into a DC for its lifetime and then selects the previous one back, so that
// the object can be deleted and the DC is left as it was found.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    ~CSelectObject() {
        if (m_old != nullptr) ::SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A memory DC compatible with a reference DC (null: the screen), with a bitmap that it does not
// own selected into it while it lives.
class CMemoryDC {
public:
    CMemoryDC() = default;
    CMemoryDC(HDC reference, HBITMAP bitmap) { Create(reference, bitmap); }
    ~CMemoryDC() { Release(); }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    // Makes the DC (releasing one held) and selects bitmap into it when given; false when no
    // DC could be made.
    bool Create(HDC reference, HBITMAP bitmap);
    // Selects another bitmap into the DC (the first one selected is what Release puts back).
    void Select(HBITMAP bitmap);
    // Puts the DC's own bitmap back and deletes the DC.
    void Release();
    HDC Get() const { return m_dc; }

private:
    HDC m_dc = nullptr;
    HGDIOBJ m_original = nullptr;
};

// An off-screen surface of a fixed size: a memory DC with a bitmap of its own selected into it,
// both compatible with a reference DC. It holds both or neither.
class COffscreenSurface {
public:
    COffscreenSurface() = default;
    ~COffscreenSurface() { Release(); }
    COffscreenSurface(const COffscreenSurface&) = delete;
    COffscreenSurface& operator=(const COffscreenSurface&) = delete;

    // Makes a surface of cx by cy pixels in place of the one held; false, holding none, when
    // the DC or the bitmap cannot be made.
    bool Create(HDC reference, int cx, int cy);
    void Release();
    bool IsValid() const { return m_dc.Get() != nullptr; }
    HDC GetDC() const { return m_dc.Get(); }
    HBITMAP GetBitmap() const { return m_bitmap.Get(); }

private:
    CGdiObject<HBITMAP> m_bitmap;  // declared first: it outlives the DC it is selected into
    CMemoryDC m_dc;
};

}  // namespace UIToolkit
