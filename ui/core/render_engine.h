// Drawing operations of the UI framework: images (loading, image strings, nine-part drawing),
// clipping, colours, shapes, plain text and tagged text. All operations are static; the only
// lasting state is the blend and gradient functions looked up once per process.
#pragma once

#include <windows.h>

#include <vector>

#include "ui_base.h"

namespace UIToolkit {

class CWindowManagerUI;

// A decoded image: a 32-bit top-down DIB section of premultiplied BGRA pixels. Made by
// CUIRenderer::LoadImage and owned by the window manager's image cache (which deletes the bitmap).
struct UIImageInfo {
    HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    CUIString resType;   // filled in by the manager's AddImage
    DWORD mask = 0;      // filled in by the manager's AddImage
};

// Everything an image string says about one image to draw.
struct UIImageAttributes {
    CUIString name;      // file or archive entry name, or decimal resource id with resType
    CUIString resType;
    RECT dest = {0, 0, 0, 0};    // absolute destination (already offset into the item rectangle)
    RECT source = {0, 0, 0, 0};  // all 0: the whole image
    RECT corner = {0, 0, 0, 0};  // left, top, right, bottom widths of the nine-part borders
    DWORD mask = 0;
    BYTE fade = 255;
    bool hole = false;
    bool xTiled = false;
    bool yTiled = false;
};

// Clip guard: restricts painting to a rectangle (optionally with rounded corners) while it lives.
// Clips must be destroyed in the reverse order of their creation.
class CUIClip {
public:
    CUIClip() = default;
    CUIClip(const CUIClip&) = delete;
    CUIClip& operator=(const CUIClip&) = delete;
    ~CUIClip();

    static void Create(HDC hDC, const RECT& rc, CUIClip& clip);
    static void CreateRounded(HDC hDC, const RECT& rc, const RECT& rcItem, int width, int height,
                              CUIClip& clip);
    // Paint with the clip that was in effect before this one (float children draw over insets).
    static void SelectPrevious(HDC hDC, CUIClip& clip);
    static void SelectOwn(HDC hDC, CUIClip& clip);

    RECT rcItem = {0, 0, 0, 0};
    HDC hDC = nullptr;
    HRGN hRgn = nullptr;       // own region
    HRGN hOldRgn = nullptr;    // the DC's clip region before; null when the DC had no clip
};

class CUIRenderer {
public:
    // ---- Images ----

    // Loads an image file of the resource folder, an entry of the resource archive, or (with a
    // resource type) the resource of that numeric id. Null on any failure. The caller owns the
    // result and its bitmap.
    static UIImageInfo* LoadImage(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0);
    static UIImageInfo* LoadImage(UINT resourceId, const wchar_t* type, DWORD mask = 0);
    // Decodes image bytes (PNG, JPEG, BMP, GIF, ...) into a premultiplied DIB section.
    static UIImageInfo* LoadImageFromMemory(const unsigned char* data, size_t size, DWORD mask = 0);
    // Frees an image made by LoadImage (bitmap and record).
    static void FreeImage(UIImageInfo* image);

    // Parses an image string and its modifier into the images they ask to draw, in drawing order.
    static void ParseImageString(const wchar_t* image, const wchar_t* modifier, const RECT& rcItem,
                                 std::vector<UIImageAttributes>& draws);

    // False only without a DC or a manager.
    static bool DrawImageString(HDC hDC, CWindowManagerUI* manager, const RECT& rcItem,
                                const RECT& rcPaint, const wchar_t* image,
                                const wchar_t* modifier = nullptr);
    // False when the image cannot be had from the manager.
    static bool DrawNamedImage(HDC hDC, CWindowManagerUI* manager, const RECT& rcItem,
                               const RECT& rcPaint, const wchar_t* name, const wchar_t* type,
                               RECT rcDest, RECT rcSource, RECT rcCorners, DWORD mask, BYTE fade,
                               bool hole, bool xTiled, bool yTiled);
    static void DrawImage(HDC hDC, HBITMAP bitmap, const RECT& rcDest, const RECT& rcPaint,
                          const RECT& rcSource, const RECT& rcCorners, bool hasAlpha,
                          BYTE fade = 255, bool hole = false, bool xTiled = false,
                          bool yTiled = false);

    // A 32-bit top-down DIB section of the given size (pixels BGRA, alpha in the highest byte),
    // compatible with hDC (may be null); bits receives its pixels. Null when it cannot be made.
    static HBITMAP CreateDib32(HDC hDC, int width, int height, void** bits);

    // Stands in for the platform's AlphaBlend (same parameters and result); the source is taken
    // as premultiplied, as AlphaBlend takes it.
    static BOOL WINAPI SoftwareAlphaBlend(HDC hDest, int xDest, int yDest, int cxDest, int cyDest,
                                          HDC hSrc, int xSrc, int ySrc, int cxSrc, int cySrc,
                                          BLENDFUNCTION blend);
    // Per channel the integer part of wa*a + wb*b; the alpha byte of the result is 0.
    static DWORD MixColors(DWORD a, double wa, DWORD b, double wb);

    // ---- Colours ----

    static void RgbToHsl(DWORD argb, float* hue, float* saturation, float* lightness);
    static void HslToRgb(DWORD* argb, float hue, float saturation, float lightness);
    static DWORD AdjustColor(DWORD color, short h, short s, short l);

    // ---- Shapes and text ----

    static void DrawColor(HDC hDC, const RECT& rc, DWORD color);
    static void DrawGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, bool vertical,
                             int steps);
    static void DrawLine(HDC hDC, const RECT& rc, int size, DWORD color);
    static void DrawRect(HDC hDC, const RECT& rc, int size, DWORD color);
    static void DrawRoundRect(HDC hDC, const RECT& rc, int size, int width, int height, DWORD color);
    static void DrawText(HDC hDC, CWindowManagerUI* manager, RECT& rc, const wchar_t* text,
                         DWORD color, int font, UINT style);
    // Tagged text. On entry linkCount is the capacity of links/linkTexts (either may be null);
    // on return it is the number of links found. With DT_CALCRECT nothing is drawn and rc's right
    // and bottom become the text's extent.
    static void DrawTaggedText(HDC hDC, CWindowManagerUI* manager, RECT& rc, const wchar_t* text,
                               DWORD color, RECT* links, CUIString* linkTexts, int& linkCount,
                               UINT style);

    // The ARGB colour as a GDI COLORREF (red and blue exchanged, alpha dropped).
    static COLORREF ToColorRef(DWORD argb) {
        return RGB(GetBValue(argb), GetGValue(argb), GetRValue(argb));
    }
};

}  // namespace UIToolkit
