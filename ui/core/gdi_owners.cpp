#include "gdi_owners.h"

#include <utility>

namespace UIToolkit {

bool CMemoryDC::Create(HDC reference, HBITMAP bitmap) {
    Release();
    m_dc = ::CreateCompatibleDC(reference);
    if (m_dc == nullptr) return false;
    if (bitmap != nullptr) Select(bitmap);
    return true;
}

void CMemoryDC::Select(HBITMAP bitmap) {
    if (m_dc == nullptr) return;
    HGDIOBJ previous = ::SelectObject(m_dc, bitmap);
    if (m_original == nullptr) m_original = previous;
}

void CMemoryDC::Release() {
    if (m_dc == nullptr) return;
    if (m_original != nullptr) ::SelectObject(m_dc, m_original);
    ::DeleteDC(m_dc);
    m_dc = nullptr;
    m_original = nullptr;
}

bool COffscreenSurface::Create(HDC reference, int cx, int cy) {
    Release();
    CGdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(reference, cx, cy));
    if (bitmap.Get() == nullptr || !m_dc.Create(reference, bitmap.Get())) return false;
    m_bitmap = std::move(bitmap);
    return true;
}

void COffscreenSurface::Release() {
    // The DC first: the bitmap is selected into it.
    m_dc.Release();
    m_bitmap.Reset();
}

}  // namespace UIToolkit
