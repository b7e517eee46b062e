// Renderer: clipping, colour conversion and adjustment, fills, gradients, lines, frames and
// plain text. Images are in render_image.cpp, tagged text in render_text.cpp.
#include "render_engine.h"

#include <algorithm>
#include <cstring>

#include "gdi_owners.h"
#include "render_internal.h"
#include "window_manager.h"

namespace UIToolkit {

namespace {

typedef BOOL(WINAPI* GradientFillProc)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

void* LookUpMsimg32(const char* name) {
    HMODULE module = ::GetModuleHandleW(L"msimg32.dll");
    return module ? reinterpret_cast<void*>(::GetProcAddress(module, name)) : nullptr;
}

GradientFillProc GradientFunction() {
    static const GradientFillProc s_fill = reinterpret_cast<GradientFillProc>(LookUpMsimg32("GradientFill"));
    return s_fill;
}

// A copy of the DC's current clip region, or null when the DC is not clipped.
HRGN CopyClipRegion(HDC hDC) {
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    if (region && ::GetClipRgn(hDC, region) != 1) {
        ::DeleteObject(region);
        region = nullptr;
    }
    return region;
}

}  // namespace

AlphaBlendProc AlphaBlendFunction() {
    static const AlphaBlendProc s_platform = reinterpret_cast<AlphaBlendProc>(LookUpMsimg32("AlphaBlend"));
    return s_platform != nullptr ? s_platform : &CUIRenderer::SoftwareAlphaBlend;
}

// ---------------------------------------------------------------------------------------------
// Clipping

CUIClip::~CUIClip() {
    if (hDC) ::SelectClipRgn(hDC, hOldRgn);
    if (hOldRgn) ::DeleteObject(hOldRgn);
    if (hRgn) ::DeleteObject(hRgn);
}

void CUIClip::Create(HDC hDC, const RECT& rc, CUIClip& clip) {
    clip.hOldRgn = CopyClipRegion(hDC);
    clip.hRgn = ::CreateRectRgnIndirect(&rc);
    ::ExtSelectClipRgn(hDC, clip.hRgn, RGN_AND);
    clip.hDC = hDC;
    clip.rcItem = rc;
}

void CUIClip::CreateRounded(HDC hDC, const RECT& rc, const RECT& rcItem, int width, int height,
                            CUIClip& clip) {
    clip.hOldRgn = CopyClipRegion(hDC);
    clip.hRgn = ::CreateRectRgnIndirect(&rc);
    HRGN round = ::CreateRoundRectRgn(rcItem.left, rcItem.top, rcItem.right + 1, rcItem.bottom + 1,
                                      width, height);
    if (round) {
        ::CombineRgn(clip.hRgn, clip.hRgn, round, RGN_AND);
        ::DeleteObject(round);
    }
    ::ExtSelectClipRgn(hDC, clip.hRgn, RGN_AND);
    clip.hDC = hDC;
    clip.rcItem = rc;
}

void CUIClip::SelectPrevious(HDC hDC, CUIClip& clip) { ::SelectClipRgn(hDC, clip.hOldRgn); }

void CUIClip::SelectOwn(HDC hDC, CUIClip& clip) {
    // The clip in effect while the guard lives: the earlier clip narrowed by the own region.
    ::SelectClipRgn(hDC, clip.hOldRgn);
    ::ExtSelectClipRgn(hDC, clip.hRgn, RGN_AND);
}

// ---------------------------------------------------------------------------------------------
// Colours

void CUIRenderer::RgbToHsl(DWORD argb, float* hue, float* saturation, float* lightness) {
    const float r = static_cast<float>(argb & 0xFF) / 255.0f;
    const float g = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
    const float b = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
    const float maxV = std::max(r, std::max(g, b));
    const float minV = std::min(r, std::min(g, b));
    float h = 0.0f, s = 0.0f;
    const float l = (maxV + minV) / 2.0f;
    if (maxV != minV) {
        const float d = maxV - minV;
        if (r == minV) {
            h = 60.0f * (3.0f - (g - b) / d);
        } else if (g == minV) {
            h = 60.0f * (5.0f - (b - r) / d);
        } else {
            h = 60.0f * (1.0f - (r - g) / d);
        }
        if (h >= 360.0f) h -= 360.0f;
        s = (2.0f * l <= 1.0f) ? d / (maxV + minV) : d / (2.0f - maxV - minV);
    }
    if (hue) *hue = h;
    if (saturation) *saturation = s;
    if (lightness) *lightness = l;
}

namespace {

float HueToChannel(float p, float q, float t) {
    if (t < 0.0f) t += 1.0f;
    if (t > 1.0f) t -= 1.0f;
    if (t * 6.0f < 1.0f) return p + (q - p) * 6.0f * t;
    if (t * 2.0f < 1.0f) return q;
    if (t * 3.0f < 2.0f) return p + (q - p) * (2.0f / 3.0f - t) * 6.0f;
    return p;
}

DWORD ChannelByte(float value) {
    float v = value * 255.0f;
    if (v < 0.0f) v = 0.0f;
    if (v > 255.0f) v = 255.0f;
    return static_cast<DWORD>(v);
}

}  // namespace

void CUIRenderer::HslToRgb(DWORD* argb, float hue, float saturation, float lightness) {
    if (!argb) return;
    const float q = (2.0f * lightness < 1.0f) ? lightness * (1.0f + saturation)
                                              : lightness + saturation - lightness * saturation;
    const float p = 2.0f * lightness - q;
    const float h = hue / 360.0f;
    const DWORD r = ChannelByte(HueToChannel(p, q, h + 1.0f / 3.0f));
    const DWORD g = ChannelByte(HueToChannel(p, q, h));
    const DWORD b = ChannelByte(HueToChannel(p, q, h - 1.0f / 3.0f));
    *argb = (*argb & 0xFF000000u) | (b << 16) | (g << 8) | r;
}

DWORD CUIRenderer::AdjustColor(DWORD color, short h, short s, short l) {
    if (h == 180 && s == 100 && l == 100) return color;
    float hue, saturation, lightness;
    RgbToHsl(color, &hue, &saturation, &lightness);
    hue += static_cast<float>(h - 180);
    if (hue <= 0.0f) hue += 360.0f;
    saturation = saturation * static_cast<float>(s) / 100.0f;
    lightness = lightness * static_cast<float>(l) / 100.0f;
    DWORD result = color;
    HslToRgb(&result, hue, saturation, lightness);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Fills and shapes

void CUIRenderer::DrawColor(HDC hDC, const RECT& rc, DWORD color) {
    if (!hDC || color <= 0x00FFFFFF) return;
    if ((color >> 24) == 0xFF) {
        const COLORREF old = ::SetBkColor(hDC, ToColorRef(color));
        ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        ::SetBkColor(hDC, old);
        return;
    }
    // A translucent colour is blended as a one-pixel image; blending takes premultiplied pixels.
    void* bits = nullptr;
    CGdiObject<HBITMAP> pixel(CreateDib32(hDC, 1, 1, &bits));
    if (!pixel.Get() || !bits) return;
    const DWORD alpha = color >> 24;
    const DWORD premultiplied = (alpha << 24) | ((((color >> 16) & 0xFF) * alpha / 255) << 16) |
                                ((((color >> 8) & 0xFF) * alpha / 255) << 8) |
                                ((color & 0xFF) * alpha / 255);
    std::memcpy(bits, &premultiplied, 4);
    const RECT source = {0, 0, 1, 1};
    const RECT corners = {0, 0, 0, 0};
    DrawImage(hDC, pixel.Get(), rc, rc, source, corners, true, 255);
}

void CUIRenderer::DrawGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, bool vertical,
                               int steps) {
    if (!hDC) return;
    AlphaBlendProc blend = AlphaBlendFunction();
    GradientFillProc gradientFill = GradientFunction();
    const BYTE alpha = static_cast<BYTE>(((first >> 24) + (second >> 24)) >> 1);
    if (alpha == 0) return;
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0) return;

    // A translucent gradient is drawn off-screen first and then blended onto the DC.
    HDC paintDC = hDC;
    COffscreenSurface translucent;
    RECT rcPaint = rc;
    if (alpha != 255) {
        if (!translucent.Create(hDC, cx, cy)) return;
        paintDC = translucent.GetDC();
        rcPaint = RECT{0, 0, cx, cy};
    }

    if (gradientFill) {
        TRIVERTEX vertices[2] = {};
        vertices[0].x = rcPaint.left;
        vertices[0].y = rcPaint.top;
        vertices[0].Red = static_cast<COLOR16>(((first >> 16) & 0xFF) << 8);
        vertices[0].Green = static_cast<COLOR16>(((first >> 8) & 0xFF) << 8);
        vertices[0].Blue = static_cast<COLOR16>((first & 0xFF) << 8);
        vertices[0].Alpha = 0xFF00;
        vertices[1].x = rcPaint.right;
        vertices[1].y = rcPaint.bottom;
        vertices[1].Red = static_cast<COLOR16>(((second >> 16) & 0xFF) << 8);
        vertices[1].Green = static_cast<COLOR16>(((second >> 8) & 0xFF) << 8);
        vertices[1].Blue = static_cast<COLOR16>((second & 0xFF) << 8);
        vertices[1].Alpha = 0xFF00;
        GRADIENT_RECT gradient = {0, 1};
        gradientFill(paintDC, vertices, 2, &gradient, 1,
                     vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    } else {
        int shift = 1;
        if (steps >= 64) shift = 6;
        else if (steps >= 32) shift = 5;
        else if (steps >= 16) shift = 4;
        else if (steps >= 8) shift = 3;
        else if (steps >= 4) shift = 2;
        const int bands = 1 << shift;
        const int h = rcPaint.bottom - rcPaint.top;
        const int w = rcPaint.right - rcPaint.left;
        for (int i = 0; i < bands; ++i) {
            const DWORD r = (((second >> 16) & 0xFF) * (bands - i) + ((first >> 16) & 0xFF) * i) >> shift;
            const DWORD g = (((second >> 8) & 0xFF) * (bands - i) + ((first >> 8) & 0xFF) * i) >> shift;
            const DWORD b = ((second & 0xFF) * (bands - i) + (first & 0xFF) * i) >> shift;
            RECT band = rcPaint;
            if (vertical) {
                band.bottom = rcPaint.bottom - ((i * h) >> shift);
                band.top = rcPaint.bottom - (((i + 1) * h) >> shift);
            } else {
                band.right = rcPaint.right - ((i * w) >> shift);
                band.left = rcPaint.right - (((i + 1) * w) >> shift);
            }
            if (band.right <= band.left || band.bottom <= band.top) continue;
            CGdiObject<HBRUSH> brush(::CreateSolidBrush(RGB(r, g, b)));
            ::FillRect(paintDC, &band, brush.Get());
        }
    }

    if (alpha != 255) {
        // The bands are plain colour without per-pixel alpha: blend them by the constant alpha.
        BLENDFUNCTION function = {AC_SRC_OVER, 0, alpha, 0};
        blend(hDC, rc.left, rc.top, cx, cy, paintDC, 0, 0, cx, cy, function);
    }
}

void CUIRenderer::DrawLine(HDC hDC, const RECT& rc, int size, DWORD color) {
    if (!hDC) return;
    CGdiObject<HPEN> pen(::CreatePen(PS_SOLID, size, ToColorRef(color)));
    CSelectObject selectPen(hDC, pen.Get());
    POINT previous;
    ::MoveToEx(hDC, rc.left, rc.top, &previous);
    ::LineTo(hDC, rc.right, rc.bottom);
    ::MoveToEx(hDC, previous.x, previous.y, nullptr);
}

void CUIRenderer::DrawRect(HDC hDC, const RECT& rc, int size, DWORD color) {
    if (!hDC) return;
    CGdiObject<HPEN> pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, size, ToColorRef(color)));
    CSelectObject selectPen(hDC, pen.Get());
    CSelectObject selectBrush(hDC, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
}

void CUIRenderer::DrawRoundRect(HDC hDC, const RECT& rc, int size, int width, int height,
                                DWORD color) {
    if (!hDC) return;
    CGdiObject<HPEN> pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, size, ToColorRef(color)));
    CSelectObject selectPen(hDC, pen.Get());
    CSelectObject selectBrush(hDC, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(hDC, rc.left, rc.top, rc.right, rc.bottom, width, height);
}

void CUIRenderer::DrawText(HDC hDC, CWindowManagerUI* manager, RECT& rc, const wchar_t* text,
                           DWORD color, int font, UINT style) {
    if (!hDC || !manager || !text) return;
    ::SetBkMode(hDC, TRANSPARENT);
    ::SetTextColor(hDC, ToColorRef(color));
    CSelectObject selectFont(hDC, manager->GetFont(font));
    ::DrawTextW(hDC, text, -1, &rc, style | DT_NOPREFIX);
}

}  // namespace UIToolkit
