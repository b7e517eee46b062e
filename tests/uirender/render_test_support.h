// Helpers of the renderer tests: an off-screen 32-bit surface to read pixels from, a tiny PNG
// encoder and a stored-entry zip writer for fixtures made at test time, and a hidden window with
// its manager whose resource folder is a fresh temporary folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "guarded_bytes.h"
#include "window_manager.h"

namespace rendertest {

// A memory DC with a 32-bit top-down DIB section selected, filled with one colour.
class Surface {
public:
    Surface(int width, int height, COLORREF fill = RGB(255, 255, 255));
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return m_dc; }
    // The pixel as 0xRRGGBB (alpha dropped).
    uint32_t Pixel(int x, int y) const;
    // The pixels (0xAARRGGBB, top row first) to write a source image into; GDI is flushed first.
    uint32_t* Bits() {
        ::GdiFlush();
        return m_bits;
    }
    void Fill(COLORREF color);
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    uint32_t* m_bits;
};

// RGBA pixels (0xAARRGGBB each), row by row.
std::string EncodePng(int width, int height, const std::vector<uint32_t>& argb);
std::vector<uint32_t> SolidPixels(int width, int height, uint32_t argb);

struct ZipEntry {
    std::string name;
    std::string data;
    // When not 0, the size the directory claims instead of the real one.
    uint32_t claimedSize = 0;
};
// A zip archive of stored (uncompressed) entries.
std::string MakeStoredZip(const std::vector<ZipEntry>& entries);

// A copy of a text whose terminator is the last character before a no-access page: a read past
// the terminator faults at once instead of passing unseen.
class GuardedText {
public:
    explicit GuardedText(const std::wstring& text);

    const wchar_t* c_str() const { return reinterpret_cast<const wchar_t*>(m_bytes.data()); }

private:
    testmemory::GuardedBytes m_bytes;
};

// A hidden window with a manager; the process-wide resource folder points at a fresh folder
// (no archive) while it lives.
class ManagerFixture {
public:
    ManagerFixture();
    ~ManagerFixture();
    ManagerFixture(const ManagerFixture&) = delete;
    ManagerFixture& operator=(const ManagerFixture&) = delete;

    UIToolkit::CWindowManagerUI& manager() { return *m_manager; }
    HWND window() const { return m_window; }
    const std::wstring& folder() const { return m_folder; }
    // Writes a file into the resource folder.
    void WriteResource(const std::wstring& name, const std::string& bytes) const;
    // Handles the messages waiting for the window (delayed cleanup and the like).
    void PumpMessages();

private:
    HWND m_window;
    UIToolkit::CWindowManagerUI* m_manager;
    std::wstring m_folder;
};

}  // namespace rendertest
