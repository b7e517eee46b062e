// Renderer: colour conversion and adjustment, fills, gradients, frames and nested clips.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "render_engine.h"
#include "render_test_support.h"
#include "window_manager.h"

using namespace UIToolkit;
using rendertest::ManagerFixture;
using rendertest::Surface;

namespace {

bool Near(uint32_t rgb, int r, int g, int b, int tolerance = 3) {
    return std::abs(static_cast<int>((rgb >> 16) & 0xFF) - r) <= tolerance &&
           std::abs(static_cast<int>((rgb >> 8) & 0xFF) - g) <= tolerance &&
           std::abs(static_cast<int>(rgb & 0xFF) - b) <= tolerance;
}

const uint32_t kWhite = 0xFFFFFF;

}  // namespace

TEST(Colors, ConvertsToHslWithTheLowestByteAsRed) {
    struct Case { DWORD color; float hue, saturation, lightness; };
    const Case cases[] = {
        {0x000000FF, 0.0f, 1.0f, 0.5f},
        {0x0000FF00, 120.0f, 1.0f, 0.5f},
        {0x00FF0000, 240.0f, 1.0f, 0.5f},
        {0x00FFFF00, 180.0f, 1.0f, 0.5f},
        {0x00808080, 0.0f, 0.0f, 128.0f / 255.0f},
        {0xFF000000, 0.0f, 0.0f, 0.0f},
        {0x000080FF, 30.0f, 1.0f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.color);
        float h = -1, s = -1, l = -1;
        CUIRenderer::RgbToHsl(c.color, &h, &s, &l);
        EXPECT_NEAR(h, c.hue, 0.6f);
        EXPECT_NEAR(s, c.saturation, 0.01f);
        EXPECT_NEAR(l, c.lightness, 0.01f);
        DWORD back = (c.color & 0xFF000000) | 0x00123456;
        CUIRenderer::HslToRgb(&back, h, s, l);
        EXPECT_EQ(back & 0xFF000000, c.color & 0xFF000000);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(static_cast<int>((back >> shift) & 0xFF), static_cast<int>((c.color >> shift) & 0xFF), 1);
    }
}

TEST(Colors, AdjustShiftsHueSaturationAndLightness) {
    EXPECT_EQ(CUIRenderer::AdjustColor(0x80123456, 180, 100, 100), 0x80123456u);
    EXPECT_EQ(CUIRenderer::AdjustColor(0xFF0000FF, 300, 100, 100), 0xFF00FF00u);  // hue + 120
    EXPECT_EQ(CUIRenderer::AdjustColor(0xFF0000FF, 60, 100, 100), 0xFFFF0000u);   // hue - 120 wraps
    EXPECT_EQ(CUIRenderer::AdjustColor(0x80123456, 180, 100, 0), 0x80000000u);    // no lightness
    const DWORD grey = CUIRenderer::AdjustColor(0xFF0000FF, 180, 0, 100);          // no saturation
    EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
    EXPECT_EQ(grey & 0xFF, (grey >> 16) & 0xFF);
}

TEST(Fills, OpaqueFillsExactlyTranslucentBlendsTransparentDrawsNothing) {
    Surface surface(20, 10, RGB(0, 0, 0));
    CUIRenderer::DrawColor(surface.dc(), RECT{2, 2, 6, 6}, 0xFFFF0000);
    EXPECT_EQ(surface.Pixel(2, 2), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(5, 5), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(6, 5), 0u);
    EXPECT_EQ(surface.Pixel(1, 2), 0u);
    CUIRenderer::DrawColor(surface.dc(), RECT{10, 0, 20, 10}, 0x00FFFFFF);
    EXPECT_EQ(surface.Pixel(15, 5), 0u);
    // half-transparent red over black is dark red, not full red
    CUIRenderer::DrawColor(surface.dc(), RECT{10, 0, 20, 10}, 0x80FF0000);
    EXPECT_TRUE(Near(surface.Pixel(15, 5), 128, 0, 0)) << std::hex << surface.Pixel(15, 5);
}

TEST(Fills, GradientsRunBetweenTheirColoursAndTranslucentOnesBlend) {
    Surface surface(64, 64);
    CUIRenderer::DrawGradient(surface.dc(), RECT{0, 0, 32, 64}, 0xFFFF0000, 0xFF0000FF, true, 16);
    EXPECT_TRUE(Near(surface.Pixel(5, 0), 255, 0, 0, 12)) << std::hex << surface.Pixel(5, 0);
    EXPECT_TRUE(Near(surface.Pixel(5, 63), 0, 0, 255, 12)) << std::hex << surface.Pixel(5, 63);
    EXPECT_TRUE(Near(surface.Pixel(5, 32), 128, 0, 128, 16)) << std::hex << surface.Pixel(5, 32);
    CUIRenderer::DrawGradient(surface.dc(), RECT{32, 0, 64, 32}, 0xFF000000, 0xFF00FF00, false, 16);
    EXPECT_TRUE(Near(surface.Pixel(32, 5), 0, 0, 0, 12));
    EXPECT_TRUE(Near(surface.Pixel(63, 5), 0, 255, 0, 12));
    // half-transparent black over white is mid grey
    CUIRenderer::DrawGradient(surface.dc(), RECT{32, 32, 64, 64}, 0x80000000, 0x80000000, true, 8);
    EXPECT_TRUE(Near(surface.Pixel(40, 40), 127, 127, 127, 4)) << std::hex << surface.Pixel(40, 40);
    // averaged alpha 0 draws nothing
    Surface blank(8, 8);
    CUIRenderer::DrawGradient(blank.dc(), RECT{0, 0, 8, 8}, 0x01000000, 0x00000000, true, 8);
    EXPECT_EQ(blank.Pixel(4, 4), kWhite);
}

TEST(Shapes, FramesAndLinesLeaveTheDcAsTheyFoundIt) {
    Surface surface(20, 20);
    HGDIOBJ brush = ::GetCurrentObject(surface.dc(), OBJ_BRUSH);
    HGDIOBJ pen = ::GetCurrentObject(surface.dc(), OBJ_PEN);
    CUIRenderer::DrawRect(surface.dc(), RECT{0, 0, 10, 10}, 2, 0xFF85E4FF);
    EXPECT_EQ(surface.Pixel(0, 0), 0x85E4FFu);
    EXPECT_EQ(surface.Pixel(1, 5), 0x85E4FFu);
    EXPECT_EQ(surface.Pixel(9, 9), 0x85E4FFu);
    EXPECT_EQ(surface.Pixel(5, 5), kWhite);
    EXPECT_EQ(surface.Pixel(10, 10), kWhite);
    EXPECT_EQ(::GetCurrentObject(surface.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(::GetCurrentObject(surface.dc(), OBJ_PEN), pen);
    CUIRenderer::DrawRoundRect(surface.dc(), RECT{10, 10, 20, 20}, 1, 4, 4, 0xFF00FF00);
    EXPECT_EQ(surface.Pixel(15, 10), 0x00FF00u);
    EXPECT_EQ(surface.Pixel(15, 15), kWhite);
    EXPECT_EQ(::GetCurrentObject(surface.dc(), OBJ_BRUSH), brush);
    CUIRenderer::DrawLine(surface.dc(), RECT{0, 19, 19, 19}, 1, 0xFF0000FF);
    EXPECT_EQ(surface.Pixel(5, 19), 0x0000FFu);
    EXPECT_EQ(::GetCurrentObject(surface.dc(), OBJ_PEN), pen);
}

TEST(Clips, NestedClipRestoresTheRoundedShapeOfTheOuterClip) {
    Surface surface(40, 40);
    const RECT item = {0, 0, 40, 40};
    {
        CUIClip outer;
        CUIClip::CreateRounded(surface.dc(), item, item, 20, 20, outer);
        {
            CUIClip inner;
            CUIClip::Create(surface.dc(), RECT{10, 10, 30, 30}, inner);
            CUIRenderer::DrawColor(surface.dc(), item, 0xFF0000FF);
            EXPECT_EQ(surface.Pixel(20, 20), 0x0000FFu);
            EXPECT_EQ(surface.Pixel(5, 20), kWhite);
            // float children paint with the clip before this one, then it comes back
            CUIClip::SelectPrevious(surface.dc(), inner);
            CUIRenderer::DrawColor(surface.dc(), RECT{0, 18, 40, 22}, 0xFF00FF00);
            EXPECT_EQ(surface.Pixel(5, 20), 0x00FF00u);
            CUIClip::SelectOwn(surface.dc(), inner);
            CUIRenderer::DrawColor(surface.dc(), RECT{0, 24, 40, 26}, 0xFF00FF00);
            EXPECT_EQ(surface.Pixel(5, 25), kWhite);
        }
        CUIRenderer::DrawColor(surface.dc(), item, 0xFFFF0000);
        EXPECT_EQ(surface.Pixel(20, 1), 0xFF0000u);
        EXPECT_EQ(surface.Pixel(0, 0), kWhite) << "rounded corner lost when the inner clip ended";
    }
    CUIRenderer::DrawColor(surface.dc(), item, 0xFF00FF00);
    EXPECT_EQ(surface.Pixel(0, 0), 0x00FF00u);

    // an inner clip as large as the rounded outer one: selecting it again keeps the corners out
    surface.Fill(RGB(255, 255, 255));
    {
        CUIClip outer;
        CUIClip::CreateRounded(surface.dc(), item, item, 20, 20, outer);
        CUIClip inner;
        CUIClip::Create(surface.dc(), item, inner);
        CUIClip::SelectPrevious(surface.dc(), inner);
        CUIClip::SelectOwn(surface.dc(), inner);
        CUIRenderer::DrawColor(surface.dc(), item, 0xFF0000FF);
        EXPECT_EQ(surface.Pixel(20, 20), 0x0000FFu);
        EXPECT_EQ(surface.Pixel(0, 0), kWhite) << "own clip selected without the outer shape";
    }
}

TEST(PlainText, DrawsInTheManagerFontAndColourInsideTheRectangle) {
    ManagerFixture fixture;
    Surface surface(120, 40);
    RECT rc = {0, 0, 120, 40};
    CUIRenderer::DrawText(surface.dc(), &fixture.manager(), rc, L"WWW", 0xFFFF0000, -1,
                          DT_SINGLELINE | DT_LEFT | DT_TOP);
    int red = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (Near(surface.Pixel(x, y), 255, 0, 0, 60)) ++red;
    EXPECT_GT(red, 5);
    RECT none = rc;
    CUIRenderer::DrawText(surface.dc(), nullptr, none, L"x", 0xFF000000, 0, 0);  // no manager: nothing
}
