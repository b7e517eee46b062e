#include "render_test_support.h"

#include <zlib.h>

#include <algorithm>
#include <new>

#include "message_pump.h"
#include "render_engine.h"
#include "test_files.h"

namespace rendertest {

// ---- Surface ----

Surface::Surface(int width, int height, COLORREF fill)
    : m_width(width), m_height(height), m_dc(::CreateCompatibleDC(nullptr)), m_bitmap(nullptr),
      m_old(nullptr), m_bits(nullptr) {
    void* bits = nullptr;
    m_bitmap = UIToolkit::CUIRenderer::CreateDib32(m_dc, width, height, &bits);
    m_bits = static_cast<uint32_t*>(bits);
    m_old = ::SelectObject(m_dc, m_bitmap);
    Fill(fill);
}

Surface::~Surface() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

void Surface::Fill(COLORREF color) {
    ::GdiFlush();
    const uint32_t value = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    for (int i = 0; i < m_width * m_height; ++i) m_bits[i] = value;
}

uint32_t Surface::Pixel(int x, int y) const {
    ::GdiFlush();
    return m_bits[y * m_width + x] & 0x00FFFFFFu;
}

// ---- PNG ----

namespace {

void PutBE32(std::string& out, uint32_t v) {
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void PutLE16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void PutLE32(std::string& out, uint32_t v) {
    PutLE16(out, v & 0xFFFF);
    PutLE16(out, v >> 16);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBE32(out, static_cast<uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    PutBE32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                             static_cast<uInt>(body.size()))));
}

}  // namespace

std::string EncodePng(int width, int height, const std::vector<uint32_t>& argb) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            const uint32_t p = argb[static_cast<size_t>(y) * width + x];
            raw += static_cast<char>((p >> 16) & 0xFF);
            raw += static_cast<char>((p >> 8) & 0xFF);
            raw += static_cast<char>(p & 0xFF);
            raw += static_cast<char>(p >> 24);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
             reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
    packed.resize(packedSize);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBE32(header, static_cast<uint32_t>(width));
    PutBE32(header, static_cast<uint32_t>(height));
    header += '\x08';  // bit depth
    header += '\x06';  // RGBA
    header += std::string(3, '\0');
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", std::string());
    return png;
}

std::vector<uint32_t> SolidPixels(int width, int height, uint32_t argb) {
    return std::vector<uint32_t>(static_cast<size_t>(width) * height, argb);
}

// ---- Zip ----

std::string MakeStoredZip(const std::vector<ZipEntry>& entries) {
    std::string out;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
        const uint32_t size = static_cast<uint32_t>(entry.data.size());
        const uint32_t claimed = entry.claimedSize ? entry.claimedSize : size;
        const uint32_t offset = static_cast<uint32_t>(out.size());
        PutLE32(out, 0x04034b50);
        PutLE16(out, 10);
        PutLE16(out, 0);
        PutLE16(out, 0);       // stored
        PutLE16(out, 0);       // time
        PutLE16(out, 0x21);    // date 1980-01-01
        PutLE32(out, crc);
        PutLE32(out, size);
        PutLE32(out, claimed);
        PutLE16(out, static_cast<uint32_t>(entry.name.size()));
        PutLE16(out, 0);
        out += entry.name;
        out += entry.data;

        PutLE32(directory, 0x02014b50);
        PutLE16(directory, 20);
        PutLE16(directory, 10);
        PutLE16(directory, 0);
        PutLE16(directory, 0);
        PutLE16(directory, 0);
        PutLE16(directory, 0x21);
        PutLE32(directory, crc);
        PutLE32(directory, size);
        PutLE32(directory, claimed);
        PutLE16(directory, static_cast<uint32_t>(entry.name.size()));
        PutLE16(directory, 0);
        PutLE16(directory, 0);
        PutLE16(directory, 0);
        PutLE16(directory, 0);
        PutLE32(directory, 0);
        PutLE32(directory, offset);
        directory += entry.name;
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    out += directory;
    PutLE32(out, 0x06054b50);
    PutLE16(out, 0);
    PutLE16(out, 0);
    PutLE16(out, static_cast<uint32_t>(entries.size()));
    PutLE16(out, static_cast<uint32_t>(entries.size()));
    PutLE32(out, static_cast<uint32_t>(directory.size()));
    PutLE32(out, directoryOffset);
    PutLE16(out, 0);
    return out;
}

// ---- Manager fixture ----

namespace {

LRESULT CALLBACK FixtureWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* manager = reinterpret_cast<UIToolkit::CWindowManagerUI*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (manager) {
        LRESULT result = 0;
        if (manager->HandleMessage(message, wParam, lParam, result)) return result;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

const wchar_t* FixtureClass() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = FixtureWindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelaRenderTestWindow";
        ::RegisterClassW(&wc);
        registered = true;
    }
    return L"VelaRenderTestWindow";
}

}  // namespace

GuardedText::GuardedText(const std::wstring& text)
    : m_bytes(std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t))) {}

ManagerFixture::ManagerFixture() {
    m_window = ::CreateWindowExW(0, FixtureClass(), L"render test", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                 200, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    m_manager = new UIToolkit::CWindowManagerUI;
    m_manager->Init(m_window);
    ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m_manager));
    m_folder = testfiles::FreshDir(L"uirender");
    UIToolkit::CWindowManagerUI::SetResourcePath(m_folder.c_str());
    UIToolkit::CWindowManagerUI::SetResourceZip(L"", false);
}

ManagerFixture::~ManagerFixture() {
    ::SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    delete m_manager;
    ::DestroyWindow(m_window);
    UIToolkit::CWindowManagerUI::SetResourceZip(L"", false);
    testfiles::RemoveTree(m_folder);
}

void ManagerFixture::WriteResource(const std::wstring& name, const std::string& bytes) const {
    std::wstring path = m_folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    testfiles::WriteAll(path + name, bytes);
}

void ManagerFixture::PumpMessages() { testpump::DispatchWaiting(m_window); }

}  // namespace rendertest
