// Image half of the renderer: loading images into premultiplied DIB sections, image strings,
// nine-part drawing with tiling, per-pixel alpha and fade, and the software blend.
#include "render_engine.h"

#include <wchar.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gdi_owners.h"
#include "render_internal.h"
#include "resource_reader.h"
#include "window_manager.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
// Only the formats that skins use are compiled in; every other kind of file fails to decode
// like a broken one. The rarely used readers (PNM, PSD, TGA, HDR, PIC) are also where the
// library's own faults with hostile input have been.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>

namespace UIToolkit {

namespace {

// Limits on what an image source may claim: larger entries, files or resources are refused
// before any buffer is allocated, and decoded images are held to kMaxImagePixels.
const size_t kMaxImageBytes = 32u * 1024u * 1024u;
const int kMaxImageDimension = 16384;
const long long kMaxImagePixels = 32ll * 1024 * 1024;

bool Meets(const RECT& a, const RECT& b) {
    RECT tmp;
    return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

int Width(const RECT& rc) { return rc.right - rc.left; }
int Height(const RECT& rc) { return rc.bottom - rc.top; }

bool ReadResourceBytes(UINT id, const wchar_t* type, std::string& bytes) {
    HINSTANCE instance = CWindowManagerUI::GetResourceInstance();
    HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(id), type);
    if (!resource) return false;
    HGLOBAL global = ::LoadResource(instance, resource);
    if (!global) return false;
    DWORD size = ::SizeofResource(instance, resource);
    const void* data = ::LockResource(global);
    if (!data || size == 0 || size > kMaxImageBytes) return false;
    bytes.assign(static_cast<const char*>(data), size);
    return true;
}

const unsigned char* BytesOf(const std::string& bytes) { return reinterpret_cast<const unsigned char*>(bytes.data()); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Loading

UIImageInfo* CUIRenderer::LoadImageFromMemory(const unsigned char* data, size_t size, DWORD mask) {
    if (!data || size == 0 || size > kMaxImageBytes) return nullptr;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels))
        return nullptr;
    if (width <= 0 || height <= 0 || width > kMaxImageDimension || height > kMaxImageDimension ||
        static_cast<long long>(width) * height > kMaxImagePixels)
        return nullptr;
    unsigned char* pixels =
        stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (!pixels) return nullptr;
    if (width <= 0 || height <= 0 || width > kMaxImageDimension || height > kMaxImageDimension ||
        static_cast<long long>(width) * height > kMaxImagePixels) {
        stbi_image_free(pixels);
        return nullptr;
    }

    void* bits = nullptr;
    HBITMAP bitmap = CreateDib32(nullptr, width, height, &bits);
    if (!bitmap || !bits) {
        if (bitmap) ::DeleteObject(bitmap);
        stbi_image_free(pixels);
        return nullptr;
    }

    bool hasAlpha = false;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    unsigned char* out = static_cast<unsigned char*>(bits);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* in = pixels + i * 4;
        unsigned char* px = out + i * 4;
        const unsigned int alpha = in[3];
        px[3] = in[3];
        if (alpha == 255) {
            px[0] = in[2];
            px[1] = in[1];
            px[2] = in[0];
        } else {
            px[0] = static_cast<unsigned char>(in[2] * alpha / 255);
            px[1] = static_cast<unsigned char>(in[1] * alpha / 255);
            px[2] = static_cast<unsigned char>(in[0] * alpha / 255);
            hasAlpha = true;
        }
        DWORD value;
        std::memcpy(&value, px, 4);
        if (value == mask) {
            std::memset(px, 0, 4);
            hasAlpha = true;
        }
    }
    stbi_image_free(pixels);

    UIImageInfo* info = new UIImageInfo;
    info->bitmap = bitmap;
    info->width = width;
    info->height = height;
    info->hasAlpha = hasAlpha;
    return info;
}

UIImageInfo* CUIRenderer::LoadImage(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (!name || !*name) return nullptr;
    if (type) {
        // Resource images are named by their decimal id.
        if (name[0] < L'0' || name[0] > L'9') return nullptr;
        return LoadImage(static_cast<UINT>(wcstoul(name, nullptr, 10)), type, mask);
    }
    std::string bytes;
    if (ReadResource(name, kMaxImageBytes, bytes) != ResourceReadResult::Ok || bytes.empty()) return nullptr;
    return LoadImageFromMemory(BytesOf(bytes), bytes.size(), mask);
}

UIImageInfo* CUIRenderer::LoadImage(UINT resourceId, const wchar_t* type, DWORD mask) {
    if (!type) return nullptr;
    std::string bytes;
    if (!ReadResourceBytes(resourceId, type, bytes)) return nullptr;
    return LoadImageFromMemory(BytesOf(bytes), bytes.size(), mask);
}

void CUIRenderer::FreeImage(UIImageInfo* image) {
    if (!image) return;
    if (image->bitmap) ::DeleteObject(image->bitmap);
    delete image;
}

// ---------------------------------------------------------------------------------------------
// Image strings

namespace {

bool IsBlank(wchar_t ch) { return ch >= 1 && ch <= 32; }

// Reads four numbers, each after skipping exactly one separator character.
RECT ReadFourNumbers(const wchar_t* text) {
    long values[4] = {0, 0, 0, 0};
    const wchar_t* p = text;
    for (int i = 0; i < 4; ++i) {
        wchar_t* end = nullptr;
        values[i] = wcstol(p, &end, 10);
        p = end;
        if (*p == L'\0') break;
        ++p;
    }
    RECT rc = {values[0], values[1], values[2], values[3]};
    return rc;
}

}  // namespace

void CUIRenderer::ParseImageString(const wchar_t* image, const wchar_t* modifier,
                                   const RECT& rcItem, std::vector<UIImageAttributes>& draws) {
    UIImageAttributes current;
    current.name = image ? image : L"";
    current.dest = rcItem;

    const wchar_t* texts[2] = {image, modifier};
    for (const wchar_t* text : texts) {
        if (!text) continue;
        int count = 0;
        const wchar_t* p = text;
        for (;;) {
            while (IsBlank(*p)) ++p;
            if (*p == L'\0') break;
            const wchar_t* nameStart = p;
            while (*p && *p != L'=' && !IsBlank(*p)) ++p;
            CUIString name(nameStart, static_cast<int>(p - nameStart));
            while (IsBlank(*p)) ++p;
            if (*p != L'=') break;
            ++p;
            while (IsBlank(*p)) ++p;
            if (*p != L'\'') break;
            ++p;
            const wchar_t* valueStart = p;
            while (*p && *p != L'\'') ++p;
            if (*p != L'\'') break;
            CUIString value(valueStart, static_cast<int>(p - valueStart));
            ++p;
            if (*p != L'\0' && !IsBlank(*p)) break;
            if (value.IsEmpty()) continue;

            if (name == L"file" || name == L"res") {
                if (count > 0) draws.push_back(current);
                current.name = value;
                if (name == L"file") ++count;
            } else if (name == L"restype") {
                if (count > 0) draws.push_back(current);
                current.resType = value;
                ++count;
            } else if (name == L"dest") {
                RECT rc = ReadFourNumbers(value);
                current.dest.left = rcItem.left + rc.left;
                current.dest.top = rcItem.top + rc.top;
                current.dest.right = std::min(rcItem.left + rc.right, rcItem.right);
                current.dest.bottom = std::min(rcItem.top + rc.bottom, rcItem.bottom);
            } else if (name == L"source") {
                current.source = ReadFourNumbers(value);
            } else if (name == L"corner") {
                current.corner = ReadFourNumbers(value);
            } else if (name == L"mask") {
                const wchar_t* v = value.GetData();
                if (*v == L'#') ++v;
                current.mask = static_cast<DWORD>(wcstoul(v, nullptr, 16));
            } else if (name == L"fade") {
                current.fade = static_cast<BYTE>(static_cast<unsigned long>(wcstol(value, nullptr, 10)) & 0xFF);
            } else if (name == L"hole") {
                current.hole = value == L"true";
            } else if (name == L"xtiled") {
                current.xTiled = value == L"true";
            } else if (name == L"ytiled") {
                current.yTiled = value == L"true";
            }
        }
    }
    draws.push_back(current);
}

bool CUIRenderer::DrawImageString(HDC hDC, CWindowManagerUI* manager, const RECT& rcItem,
                                  const RECT& rcPaint, const wchar_t* image,
                                  const wchar_t* modifier) {
    if (!hDC || !manager) return false;
    std::vector<UIImageAttributes> draws;
    ParseImageString(image, modifier, rcItem, draws);
    for (const UIImageAttributes& a : draws) {
        DrawNamedImage(hDC, manager, rcItem, rcPaint, a.name, a.resType.IsEmpty() ? nullptr : a.resType.GetData(),
                       a.dest, a.source, a.corner, a.mask, a.fade, a.hole, a.xTiled, a.yTiled);
    }
    return true;
}

bool CUIRenderer::DrawNamedImage(HDC hDC, CWindowManagerUI* manager, const RECT& rcItem,
                                 const RECT& rcPaint, const wchar_t* name, const wchar_t* type,
                                 RECT rcDest, RECT rcSource, RECT rcCorners, DWORD mask, BYTE fade,
                                 bool hole, bool xTiled, bool yTiled) {
    if (!manager || !name) return false;
    const UIImageInfo* image = manager->GetImageEx(name, (type && *type) ? type : nullptr, mask);
    if (!image) return false;
    if (rcSource.left == 0 && rcSource.top == 0 && rcSource.right == 0 && rcSource.bottom == 0) {
        rcSource.right = image->width;
        rcSource.bottom = image->height;
    }
    if (rcSource.right > image->width) rcSource.right = image->width;
    if (rcSource.bottom > image->height) rcSource.bottom = image->height;
    if (Meets(rcDest, rcItem) && Meets(rcDest, rcPaint)) {
        DrawImage(hDC, image->bitmap, rcDest, rcPaint, rcSource, rcCorners, image->hasAlpha, fade,
                  hole, xTiled, yTiled);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Nine-part drawing

namespace {

struct PartDrawer {
    HDC target;
    HDC source;
    bool blend;
    BLENDFUNCTION function;

    // Draws a source rectangle stretched over a destination rectangle; nothing for an empty or
    // inverted rectangle on either side (that would mirror the part).
    void Stretch(const RECT& d, const RECT& s) const {
        if (Width(d) <= 0 || Height(d) <= 0 || Width(s) <= 0 || Height(s) <= 0) return;
        if (blend) {
            AlphaBlendFunction()(target, d.left, d.top, Width(d), Height(d), source, s.left, s.top, Width(s), Height(s),
                                 function);
        } else {
            ::StretchBlt(target, d.left, d.top, Width(d), Height(d), source, s.left, s.top,
                         Width(s), Height(s), SRCCOPY);
        }
    }

    // Covers d with tiles of the source middle s, repeating along the tiled directions.
    void Tile(const RECT& d, const RECT& s, bool xTiled, bool yTiled) const {
        const int w = Width(s), h = Height(s);
        if (w <= 0 || h <= 0 || Width(d) <= 0 || Height(d) <= 0) return;
        if (xTiled && yTiled) {
            for (int y = d.top; y < d.bottom; y += h) {
                const int th = std::min<int>(h, d.bottom - y);
                for (int x = d.left; x < d.right; x += w) {
                    const int tw = std::min<int>(w, d.right - x);
                    RECT dt = {x, y, x + tw, y + th};
                    RECT st = {s.left, s.top, s.left + tw, s.top + th};
                    if (blend) {
                        Stretch(dt, st);
                    } else {
                        ::BitBlt(target, x, y, tw, th, source, s.left, s.top, SRCCOPY);
                    }
                }
            }
        } else if (xTiled) {
            for (int x = d.left; x < d.right; x += w) {
                const int tw = std::min<int>(w, d.right - x);
                Stretch(RECT{x, d.top, x + tw, d.bottom}, RECT{s.left, s.top, s.left + tw, s.bottom});
            }
        } else {
            for (int y = d.top; y < d.bottom; y += h) {
                const int th = std::min<int>(h, d.bottom - y);
                Stretch(RECT{d.left, y, d.right, y + th}, RECT{s.left, s.top, s.right, s.top + th});
            }
        }
    }
};

}  // namespace

void CUIRenderer::DrawImage(HDC hDC, HBITMAP bitmap, const RECT& rcDest, const RECT& rcPaint,
                            const RECT& rcSource, const RECT& rcCorners, bool hasAlpha, BYTE fade,
                            bool hole, bool xTiled, bool yTiled) {
    if (!hDC || !bitmap) return;
    CMemoryDC memory(hDC, bitmap);
    if (!memory.Get()) return;
    ::SetStretchBltMode(hDC, COLORONCOLOR);

    const RECT& D = rcDest;
    const RECT& S = rcSource;
    const bool blend = hasAlpha || fade < 255;
    // Corners never reach beyond the source: an oversized corner would give parts of negative
    // size, which GDI draws mirrored.
    RECT K = rcCorners;
    const int sw = std::max(0, Width(S)), sh = std::max(0, Height(S));
    K.left = std::max(0L, std::min<LONG>(K.left, sw));
    K.right = std::max(0L, std::min<LONG>(K.right, sw - K.left));
    K.top = std::max(0L, std::min<LONG>(K.top, sh));
    K.bottom = std::max(0L, std::min<LONG>(K.bottom, sh - K.top));

    if (!blend && Width(D) == Width(S) && Height(D) == Height(S) && K.left == 0 && K.top == 0 &&
        K.right == 0 && K.bottom == 0) {
        RECT visible;
        if (::IntersectRect(&visible, &D, &rcPaint)) {
            ::BitBlt(hDC, visible.left, visible.top, Width(visible), Height(visible), memory.Get(),
                     S.left + visible.left - D.left, S.top + visible.top - D.top, SRCCOPY);
        }
        return;
    }

    PartDrawer drawer = {hDC, memory.Get(), blend, {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA}};
    const RECT dMid = {D.left + K.left, D.top + K.top, D.right - K.right, D.bottom - K.bottom};
    const RECT sMid = {S.left + K.left, S.top + K.top, S.right - K.right, S.bottom - K.bottom};

    if (!hole && Meets(dMid, rcPaint)) {
        if (xTiled || yTiled) {
            drawer.Tile(dMid, sMid, xTiled, yTiled);
        } else {
            drawer.Stretch(dMid, sMid);
        }
    }

    struct Piece {
        bool drawn;
        RECT d;
        RECT s;
    };
    const Piece pieces[8] = {
        // top-left, top, top-right
        {K.left > 0 && K.top > 0, {D.left, D.top, dMid.left, dMid.top}, {S.left, S.top, sMid.left, sMid.top}},
        {K.top > 0, {dMid.left, D.top, dMid.right, dMid.top}, {sMid.left, S.top, sMid.right, sMid.top}},
        {K.right > 0 && K.top > 0, {dMid.right, D.top, D.right, dMid.top}, {sMid.right, S.top, S.right, sMid.top}},
        // left, right
        {K.left > 0, {D.left, dMid.top, dMid.left, dMid.bottom}, {S.left, sMid.top, sMid.left, sMid.bottom}},
        {K.right > 0, {dMid.right, dMid.top, D.right, dMid.bottom}, {sMid.right, sMid.top, S.right, sMid.bottom}},
        // bottom-left, bottom, bottom-right
        {K.left > 0 && K.bottom > 0, {D.left, dMid.bottom, dMid.left, D.bottom}, {S.left, sMid.bottom, sMid.left, S.bottom}},
        {K.bottom > 0, {dMid.left, dMid.bottom, dMid.right, D.bottom}, {sMid.left, sMid.bottom, sMid.right, S.bottom}},
        {K.right > 0 && K.bottom > 0, {dMid.right, dMid.bottom, D.right, D.bottom}, {sMid.right, sMid.bottom, S.right, S.bottom}},
    };
    for (const Piece& piece : pieces) {
        if (piece.drawn && Meets(piece.d, rcPaint)) drawer.Stretch(piece.d, piece.s);
    }
}

// ---------------------------------------------------------------------------------------------
// Software blend

// Blend weights come from divisions by 255 (as 1 - alpha / 255) and are not exact in binary: a
// sum that is a whole number in truth can come out a hair below it, as 32-bit builds compute
// with extended precision (84.999... for 255 under alpha 0xAA). The nudge lands such sums on
// their whole number and moves no true fraction across one: those of blend weights are
// multiples of 1 / 65025.
const double kWholeNumberNudge = 1e-6;

DWORD CUIRenderer::MixColors(DWORD a, double wa, DWORD b, double wb) {
    DWORD result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double value = wa * ((a >> shift) & 0xFF) + wb * ((b >> shift) & 0xFF) + kWholeNumberNudge;
        if (value < 0) value = 0;
        if (value > 255) value = 255;
        result |= static_cast<DWORD>(value) << shift;
    }
    return result;
}

HBITMAP CUIRenderer::CreateDib32(HDC hDC, int width, int height, void** bits) {
    *bits = nullptr;
    if (width <= 0 || height <= 0) return nullptr;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    HBITMAP bitmap = ::CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, bits, nullptr, 0);
    if (bitmap && !*bits) {
        ::DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

BOOL WINAPI CUIRenderer::SoftwareAlphaBlend(HDC hDest, int xDest, int yDest, int cxDest,
                                            int cyDest, HDC hSrc, int xSrc, int ySrc, int cxSrc,
                                            int cySrc, BLENDFUNCTION blend) {
    if (!hDest || !hSrc || cxDest <= 0 || cyDest <= 0 || cxSrc <= 0 || cySrc <= 0) return FALSE;
    if (static_cast<long long>(cxDest) * cyDest > kMaxImagePixels) return FALSE;

    // The source stretched to the destination's size, and the destination's pixels.
    void* srcBits = nullptr;
    void* dstBits = nullptr;
    CGdiObject<HBITMAP> source(CreateDib32(hDest, cxDest, cyDest, &srcBits));
    CGdiObject<HBITMAP> destination(CreateDib32(hDest, cxDest, cyDest, &dstBits));
    if (!source.Get() || !destination.Get()) return FALSE;
    // Made after the bitmaps, so that it lets go of them before they are deleted.
    CMemoryDC memory(hDest, source.Get());
    if (!memory.Get()) return FALSE;

    ::SetStretchBltMode(memory.Get(), COLORONCOLOR);
    if (!::StretchBlt(memory.Get(), 0, 0, cxDest, cyDest, hSrc, xSrc, ySrc, cxSrc, cySrc, SRCCOPY)) return FALSE;
    memory.Select(destination.Get());
    if (!::BitBlt(memory.Get(), 0, 0, cxDest, cyDest, hDest, xDest, yDest, SRCCOPY)) return FALSE;
    ::GdiFlush();
    // Source pixels are premultiplied (as AlphaBlend takes them): the colour is scaled by the
    // constant alpha only, and the destination keeps what the source lets through.
    const double constant = blend.SourceConstantAlpha / 255.0;
    const bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    const DWORD* src = static_cast<const DWORD*>(srcBits);
    DWORD* dst = static_cast<DWORD*>(dstBits);
    const size_t count = static_cast<size_t>(cxDest) * static_cast<size_t>(cyDest);
    for (size_t i = 0; i < count; ++i) {
        double coverage = perPixel ? (src[i] >> 24) / 255.0 * constant : constant;
        if (coverage < 0) coverage = 0;
        dst[i] = MixColors(src[i], constant, dst[i], 1.0 - coverage);
    }
    return ::BitBlt(hDest, xDest, yDest, cxDest, cyDest, memory.Get(), 0, 0, SRCCOPY);
}

}  // namespace UIToolkit
