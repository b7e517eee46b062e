// Image half of the renderer: the image-string parser, loading (files, archive, broken input)
// and drawing checked pixel by pixel in an off-screen surface.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "render_engine.h"
#include "render_test_support.h"
#include "test_files.h"
#include "window_manager.h"

using namespace UIToolkit;
using rendertest::EncodePng;
using rendertest::ManagerFixture;
using rendertest::SolidPixels;
using rendertest::Surface;

namespace {

const uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
const uint32_t kWhite = 0xFFFFFF;

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Near(uint32_t rgb, int r, int g, int b, int tolerance = 3) {
    return std::abs(static_cast<int>((rgb >> 16) & 0xFF) - r) <= tolerance &&
           std::abs(static_cast<int>((rgb >> 8) & 0xFF) - g) <= tolerance &&
           std::abs(static_cast<int>(rgb & 0xFF) - b) <= tolerance;
}

// A w x h image whose corner blocks of size k are red, edges green and middle blue.
std::string NinePartPng(int w, int h, int k) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool edgeX = x < k || x >= w - k;
            const bool edgeY = y < k || y >= h - k;
            px[static_cast<size_t>(y) * w + x] = (edgeX && edgeY) ? kRed : (edgeX || edgeY) ? kGreen : kBlue;
        }
    }
    return EncodePng(w, h, px);
}

// Left half red, right half blue.
std::string HalvesPng(int w, int h) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = x < w / 2 ? kRed : kBlue;
    return EncodePng(w, h, px);
}

std::vector<uint32_t> DibPixels(const UIImageInfo* image) {
    DIBSECTION dib = {};
    ::GetObjectW(image->bitmap, sizeof(dib), &dib);
    const uint32_t* bits = static_cast<const uint32_t*>(dib.dsBm.bmBits);
    return std::vector<uint32_t>(bits, bits + image->width * image->height);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Image-string parser

struct ParseCase {
    const wchar_t* image;
    const wchar_t* modifier;
    int draws;
    const wchar_t* lastName;
    RECT lastDest;
    RECT lastSource;
    RECT lastCorner;
    BYTE lastFade;
    DWORD lastMask;
    bool hole, xTiled;
};

TEST(ImageString, ParsesPairsBareNamesAndMalformedText) {
    const RECT item = {100, 100, 110, 130};
    const RECT zero = {0, 0, 0, 0};
    const ParseCase cases[] = {
        {L"left.png", nullptr, 1, L"left.png", item, zero, zero, 255, 0, false, false},
        {L"file='a.png' source='0,0,109,29' corner='2,1,2,1' fade='100'", nullptr, 1, L"a.png", item,
         {0, 0, 109, 29}, {2, 1, 2, 1}, 100, 0, false, false},
        // right and bottom of dest are limited to the item, left and top are not
        {L"file='a.png' dest='0,0,20,20'", nullptr, 1, L"a.png", {100, 100, 110, 120}, zero, zero, 255, 0, false, false},
        {L"file='a.png' dest='-5,-5,5,5'", nullptr, 1, L"a.png", {95, 95, 105, 105}, zero, zero, 255, 0, false, false},
        // two files: the first is drawn with what was set before the second
        {L"file='a.png' file='b.png' fade='50'", nullptr, 2, L"b.png", item, zero, zero, 50, 0, false, false},
        {L"file=a.png", nullptr, 1, L"file=a.png", item, zero, zero, 255, 0, false, false},
        {L"file='a.png'x", nullptr, 1, L"file='a.png'x", item, zero, zero, 255, 0, false, false},
        {L"file='a.png' fade='7' bad", nullptr, 1, L"a.png", item, zero, zero, 7, 0, false, false},
        {L"file='a.png' fade='256'", nullptr, 1, L"a.png", item, zero, zero, 0, 0, false, false},
        {L"file='a.png' mask='#FFFF00FF'", nullptr, 1, L"a.png", item, zero, zero, 255, 0xFFFF00FF, false, false},
        {L"file='a.png' mask='FF00FF00'", nullptr, 1, L"a.png", item, zero, zero, 255, 0xFF00FF00, false, false},
        {L"  file = 'a.png'  hole='true' xtiled='true'", nullptr, 1, L"a.png", item, zero, zero, 255, 0, true, true},
        {L"file='a.png' hole='TRUE'", nullptr, 1, L"a.png", item, zero, zero, 255, 0, false, false},
        {L"file=''", nullptr, 1, L"file=''", item, zero, zero, 255, 0, false, false},
        // a modifier moves the image of the main string; its "file" replaces the name undrawn
        {L"file='bar.png' fade='9'", L"dest='1,2,3,4'", 1, L"bar.png", {101, 102, 103, 104}, zero, zero, 9, 0, false, false},
        {L"file='a.png'", L"file='c.png'", 1, L"c.png", item, zero, zero, 255, 0, false, false},
        {L"res='215' restype='png'", nullptr, 1, L"215", item, zero, zero, 255, 0, false, false},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(testfiles::Narrow(c.image));
        std::vector<UIImageAttributes> draws;
        CUIRenderer::ParseImageString(c.image, c.modifier, item, draws);
        ASSERT_EQ(static_cast<int>(draws.size()), c.draws);
        const UIImageAttributes& last = draws.back();
        EXPECT_STREQ(last.name.GetData(), c.lastName);
        EXPECT_TRUE(SameRect(last.dest, c.lastDest));
        EXPECT_TRUE(SameRect(last.source, c.lastSource));
        EXPECT_TRUE(SameRect(last.corner, c.lastCorner));
        EXPECT_EQ(last.fade, c.lastFade);
        EXPECT_EQ(last.mask, c.lastMask);
        EXPECT_EQ(last.hole, c.hole);
        EXPECT_EQ(last.xTiled, c.xTiled);
    }
    std::vector<UIImageAttributes> two;
    CUIRenderer::ParseImageString(L"file='a.png' file='b.png' fade='50'", nullptr, item, two);
    EXPECT_STREQ(two[0].name.GetData(), L"a.png");
    EXPECT_EQ(two[0].fade, 255);
    std::vector<UIImageAttributes> typed;
    CUIRenderer::ParseImageString(L"res='215' restype='png'", nullptr, item, typed);
    EXPECT_STREQ(typed[0].resType.GetData(), L"png");
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST(ImageLoading, ConvertsToPremultipliedBgraAndAppliesTheMask) {
    // opaque red, half-transparent green, opaque magenta (masked), fully transparent blue
    const std::vector<uint32_t> px = {0xFFFF0000, 0x8000FF00, 0xFFFF00FF, 0x000000FF};
    const std::string png = EncodePng(4, 1, px);
    UIImageInfo* plain = CUIRenderer::LoadImageFromMemory(reinterpret_cast<const unsigned char*>(png.data()), png.size(), 0);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->width, 4);
    EXPECT_EQ(plain->height, 1);
    EXPECT_TRUE(plain->hasAlpha);
    std::vector<uint32_t> bits = DibPixels(plain);
    EXPECT_EQ(bits[0], 0xFFFF0000u);
    EXPECT_EQ(bits[1], 0x80008000u);  // 255 * 128 / 255
    EXPECT_EQ(bits[2], 0xFFFF00FFu);
    EXPECT_EQ(bits[3], 0x00000000u);
    CUIRenderer::FreeImage(plain);

    UIImageInfo* masked = CUIRenderer::LoadImageFromMemory(reinterpret_cast<const unsigned char*>(png.data()), png.size(), 0xFFFF00FF);
    ASSERT_NE(masked, nullptr);
    EXPECT_EQ(DibPixels(masked)[2], 0u);
    CUIRenderer::FreeImage(masked);

    const std::string opaque = EncodePng(2, 2, SolidPixels(2, 2, kBlue));
    UIImageInfo* solid = CUIRenderer::LoadImageFromMemory(reinterpret_cast<const unsigned char*>(opaque.data()), opaque.size(), 0);
    ASSERT_NE(solid, nullptr);
    EXPECT_FALSE(solid->hasAlpha);
    CUIRenderer::FreeImage(solid);

    UIImageInfo* maskedOpaque = CUIRenderer::LoadImageFromMemory(reinterpret_cast<const unsigned char*>(opaque.data()), opaque.size(), kBlue);
    ASSERT_NE(maskedOpaque, nullptr);
    EXPECT_TRUE(maskedOpaque->hasAlpha);
    CUIRenderer::FreeImage(maskedOpaque);
}

TEST(ImageLoading, OnlyTheFormatsOfSkinsAreDecoded) {
    const std::string bmp(  // 1 x 1, 24 bits, one red pixel, rows padded to 4 bytes
        "BM\x3A\0\0\0\0\0\0\0\x36\0\0\0"
        "\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0\x13\x0B\0\0\x13\x0B\0\0\0\0\0\0\0\0\0\0"
        "\0\0\xFF\0", 58);
    const std::string gif(  // 1 x 1, one red pixel
        "GIF89a\x01\0\x01\0\x80\0\0\xFF\0\0\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;", 35);
    std::string pnm16("P6\n2 1\n65535\n", 13);  // 16 bits a sample: once read past its buffer
    pnm16.append(12, '\x7F');
    const std::string pnm8("P6\n1 1\n255\n\xFF\0\0", 14);
    const std::string tga("\0\0\x02\0\0\0\0\0\0\0\0\0\x01\0\x01\0\x18\0\0\0\xFF", 21);
    const std::string psd = std::string("8BPS\0\x01", 6) + std::string(20, '\0');
    struct Case {
        const char* what;
        std::string bytes;
        bool decoded;
    } cases[] = {
        {"png", EncodePng(1, 1, SolidPixels(1, 1, kRed)), true},
        {"bmp", bmp, true},
        {"gif", gif, true},
        {"16-bit binary pnm", pnm16, false},
        {"8-bit binary pnm", pnm8, false},
        {"tga", tga, false},
        {"psd", psd, false},
        {"radiance", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n\x80\x80\x80\x80", false},
    };
    for (const Case& c : cases) {
        UIImageInfo* image =
            CUIRenderer::LoadImageFromMemory(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size(), 0);
        EXPECT_EQ(image != nullptr, c.decoded) << c.what;
        if (!image) continue;
        EXPECT_EQ(image->width, 1) << c.what;
        EXPECT_EQ(DibPixels(image)[0], 0xFFFF0000u) << c.what;
        CUIRenderer::FreeImage(image);
    }
}

TEST(ImageLoading, BrokenImagesGiveNoImage) {
    ManagerFixture fixture;
    const std::string good = EncodePng(3, 3, SolidPixels(3, 3, kRed));
    fixture.WriteResource(L"good.png", good);
    fixture.WriteResource(L"empty.png", "");
    fixture.WriteResource(L"garbage.png", "this is not an image at all");
    fixture.WriteResource(L"cut.png", good.substr(0, good.size() / 2));
    // A header claiming 20000 x 20000 pixels: refused before decoding.
    std::string huge = good;
    huge[16] = 0; huge[17] = 0; huge[18] = 0x4E; huge[19] = 0x20;
    huge[20] = 0; huge[21] = 0; huge[22] = 0x4E; huge[23] = 0x20;
    fixture.WriteResource(L"huge.png", huge);

    UIImageInfo* loaded = CUIRenderer::LoadImage(L"good.png");
    ASSERT_NE(loaded, nullptr);
    CUIRenderer::FreeImage(loaded);
    for (const wchar_t* name : {L"missing.png", L"empty.png", L"garbage.png", L"cut.png", L"huge.png"}) {
        SCOPED_TRACE(testfiles::Narrow(name));
        EXPECT_EQ(CUIRenderer::LoadImage(name), nullptr);
        EXPECT_EQ(fixture.manager().GetImageEx(name), nullptr);
    }
    EXPECT_EQ(CUIRenderer::LoadImage(L"good.png", L"png"), nullptr);  // typed names are ids
    EXPECT_EQ(CUIRenderer::LoadImage(L"9999", L"png"), nullptr);      // no such resource

    // Drawing a broken image draws nothing and still reports success; without a manager it fails.
    Surface surface(8, 8);
    const RECT rc = {0, 0, 8, 8};
    EXPECT_TRUE(CUIRenderer::DrawImageString(surface.dc(), &fixture.manager(), rc, rc, L"garbage.png"));
    EXPECT_EQ(surface.Pixel(4, 4), kWhite);
    EXPECT_FALSE(CUIRenderer::DrawImageString(surface.dc(), nullptr, rc, rc, L"good.png"));
    EXPECT_FALSE(CUIRenderer::DrawImageString(nullptr, &fixture.manager(), rc, rc, L"good.png"));
}

TEST(ImageLoading, ReadsArchiveEntriesWholeOnly) {
    ManagerFixture fixture;
    const std::string png = EncodePng(2, 2, SolidPixels(2, 2, kGreen));
    rendertest::ZipEntry good{"left.png", png};
    rendertest::ZipEntry shortEntry{"short.png", png, static_cast<uint32_t>(png.size() + 100)};
    rendertest::ZipEntry bigClaim{"big.png", png, 0x7FFFFFF0u};
    fixture.WriteResource(L"skin.zip", rendertest::MakeStoredZip({good, shortEntry, bigClaim}));
    CWindowManagerUI::SetResourceZip(L"skin.zip", false);

    UIImageInfo* image = CUIRenderer::LoadImage(L"LEFT.PNG");  // names ignore case
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(DibPixels(image)[0], kGreen);
    CUIRenderer::FreeImage(image);
    EXPECT_EQ(CUIRenderer::LoadImage(L"short.png"), nullptr);
    EXPECT_EQ(CUIRenderer::LoadImage(L"big.png"), nullptr);
    EXPECT_EQ(CUIRenderer::LoadImage(L"nothere.png"), nullptr);

    CWindowManagerUI::SetResourceZip(L"skin.zip", true);  // the kept-open archive serves too
    image = CUIRenderer::LoadImage(L"left.png");
    EXPECT_NE(image, nullptr);
    CUIRenderer::FreeImage(image);
    CWindowManagerUI::SetResourceZip(L"", false);
}

TEST(ImageLoading, AnArchiveToKeepOpenThatWasMissingIsOpenedForEachRead) {
    // The layout reader does the same, so that images and layouts of one archive come or fail together.
    ManagerFixture fixture;
    CWindowManagerUI::SetResourceZip(L"later.zip", true);
    ASSERT_EQ(CWindowManagerUI::GetResourceZipHandle(), nullptr);
    EXPECT_EQ(CUIRenderer::LoadImage(L"left.png"), nullptr);
    const std::string png = EncodePng(2, 2, SolidPixels(2, 2, kGreen));
    fixture.WriteResource(L"later.zip", rendertest::MakeStoredZip({rendertest::ZipEntry{"left.png", png}}));
    UIImageInfo* image = CUIRenderer::LoadImage(L"left.png");
    EXPECT_NE(image, nullptr);
    CUIRenderer::FreeImage(image);
    CWindowManagerUI::SetResourceZip(L"", false);
}

// ---------------------------------------------------------------------------------------------
// Drawing

class ImageDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.WriteResource(L"nine.png", NinePartPng(6, 6, 2));
        fixture.WriteResource(L"halves.png", HalvesPng(4, 4));
        fixture.WriteResource(L"red.png", EncodePng(4, 4, SolidPixels(4, 4, kRed)));
        fixture.WriteResource(L"halfred.png", EncodePng(4, 4, SolidPixels(4, 4, 0x80FF0000)));
        std::vector<uint32_t> magenta = SolidPixels(4, 4, kRed);
        magenta[0] = 0xFFFF00FF;
        fixture.WriteResource(L"magenta.png", EncodePng(4, 4, magenta));
    }
    void Draw(const RECT& item, const wchar_t* image, const RECT* paint = nullptr) {
        EXPECT_TRUE(CUIRenderer::DrawImageString(surface.dc(), &fixture.manager(), item,
                                                 paint ? *paint : item, image));
    }
    bool AnyPixel(const RECT& area, uint32_t rgb) {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (surface.Pixel(x, y) == rgb) return true;
        return false;
    }

    ManagerFixture fixture;
    Surface surface{40, 40};
};

TEST_F(ImageDrawing, NinePartsKeepCornersAndEdgesAndLeaveTheHole) {
    const RECT item = {0, 0, 20, 20};
    Draw(item, L"file='nine.png' corner='2,2,2,2'");
    EXPECT_EQ(surface.Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(19, 19), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(1, 18), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(10, 0), 0x00FF00u);   // top edge stretched
    EXPECT_EQ(surface.Pixel(0, 10), 0x00FF00u);   // left edge
    EXPECT_EQ(surface.Pixel(19, 10), 0x00FF00u);
    EXPECT_EQ(surface.Pixel(10, 10), 0x0000FFu);  // middle
    EXPECT_EQ(surface.Pixel(25, 25), kWhite);

    surface.Fill(RGB(255, 255, 255));
    Draw(item, L"file='nine.png' corner='2,2,2,2' hole='true'");
    EXPECT_EQ(surface.Pixel(10, 10), kWhite);
    EXPECT_EQ(surface.Pixel(10, 0), 0x00FF00u);
}

TEST_F(ImageDrawing, CornersLargerThanTheDestinationOrImageDrawNoMirroredParts) {
    const RECT small = {0, 0, 3, 3};
    Draw(small, L"file='nine.png' corner='2,2,2,2'");
    EXPECT_FALSE(AnyPixel(small, 0x0000FF)) << "middle drawn into a negative-size part";
    surface.Fill(RGB(255, 255, 255));
    const RECT item = {0, 0, 12, 12};
    Draw(item, L"file='nine.png' corner='10,10,10,10'");
    EXPECT_EQ(surface.Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(5, 0), 0xFF0000u);  // the image's own top-right, not a mirror

    // side corners wider than the image leave no middle to stretch, rather than a reversed one
    surface.Fill(RGB(255, 255, 255));
    Draw(RECT{0, 0, 20, 4}, L"file='halves.png' corner='3,0,3,0'");
    EXPECT_EQ(surface.Pixel(0, 1), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(19, 1), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(5, 1), kWhite);
    EXPECT_EQ(surface.Pixel(15, 1), kWhite);
}

TEST_F(ImageDrawing, TilesTheMiddleAcrossAndDown) {
    // 4-pixel tiles, red then blue halves; the last tile is cut at the edge
    Draw(RECT{0, 0, 10, 4}, L"file='halves.png' xtiled='true'");
    const uint32_t expected[10] = {0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000,
                                   0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000, 0xFF0000};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(surface.Pixel(x, 1), expected[x]) << "x=" << x;
    EXPECT_EQ(surface.Pixel(10, 1), kWhite);

    surface.Fill(RGB(255, 255, 255));
    Draw(RECT{0, 0, 10, 10}, L"file='halves.png' xtiled='true' ytiled='true'");
    EXPECT_EQ(surface.Pixel(6, 6), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(9, 9), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(10, 10), kWhite);

    surface.Fill(RGB(255, 255, 255));
    Draw(RECT{0, 0, 4, 10}, L"file='halves.png' ytiled='true'");
    EXPECT_EQ(surface.Pixel(0, 9), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(3, 9), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(0, 10), kWhite);

    // A middle of width 0 cannot be tiled: the corners are drawn and nothing hangs.
    surface.Fill(RGB(255, 255, 255));
    Draw(RECT{0, 0, 10, 4}, L"file='halves.png' corner='2,0,2,0' xtiled='true'");
    EXPECT_EQ(surface.Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(9, 0), 0x0000FFu);
}

TEST_F(ImageDrawing, FadeTranslucencyAndMaskBlendOverTheBackground) {
    Draw(RECT{0, 0, 4, 4}, L"file='red.png' fade='100'");
    EXPECT_TRUE(Near(surface.Pixel(1, 1), 255, 155, 155)) << std::hex << surface.Pixel(1, 1);
    Draw(RECT{10, 0, 14, 4}, L"file='red.png' fade='256'");
    EXPECT_EQ(surface.Pixel(11, 1), kWhite);
    Draw(RECT{20, 0, 24, 4}, L"halfred.png");
    EXPECT_TRUE(Near(surface.Pixel(21, 1), 255, 127, 127)) << std::hex << surface.Pixel(21, 1);
    Draw(RECT{30, 0, 34, 4}, L"file='magenta.png' mask='#FFFF00FF'");
    EXPECT_EQ(surface.Pixel(30, 0), kWhite);
    EXPECT_EQ(surface.Pixel(31, 0), 0xFF0000u);
}

TEST_F(ImageDrawing, DestinationSourceAndPaintRectangleLimitTheDrawing) {
    // dest limited to the item's right and bottom
    Draw(RECT{10, 10, 14, 30}, L"file='red.png' dest='0,0,20,15'");
    EXPECT_EQ(surface.Pixel(13, 20), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(14, 20), kWhite);
    EXPECT_EQ(surface.Pixel(12, 25), kWhite);

    // a source wider than the image is cut to it: the right half stays blue when stretched
    surface.Fill(RGB(255, 255, 255));
    Draw(RECT{0, 0, 8, 4}, L"file='halves.png' source='0,0,50,4'");
    EXPECT_EQ(surface.Pixel(7, 1), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(0, 1), 0xFF0000u);

    // opaque, same size, no corners: copied only inside the paint rectangle
    surface.Fill(RGB(255, 255, 255));
    const RECT paint = {0, 0, 2, 4};
    Draw(RECT{0, 0, 4, 4}, L"halves.png", &paint);
    EXPECT_EQ(surface.Pixel(1, 1), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(3, 1), kWhite);
}

// ---------------------------------------------------------------------------------------------
// Software blend

TEST(SoftwareBlend, MatchesThePlatformBlendForPremultipliedSources) {
    Surface source(2, 1, RGB(0, 0, 0));
    // premultiplied half-transparent red, and opaque blue
    source.Bits()[0] = 0x80800000;
    source.Bits()[1] = 0xFF0000FF;
    HMODULE msimg = ::LoadLibraryW(L"msimg32.dll");
    auto platform = reinterpret_cast<BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION)>(
        reinterpret_cast<void*>(::GetProcAddress(msimg, "AlphaBlend")));
    ASSERT_NE(platform, nullptr);
    struct Case { BYTE constant; BYTE format; };
    const Case cases[] = {{255, AC_SRC_ALPHA}, {128, AC_SRC_ALPHA}, {200, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.constant));
        Surface ours(2, 1, RGB(255, 255, 255));
        Surface theirs(2, 1, RGB(255, 255, 255));
        const BLENDFUNCTION blend = {AC_SRC_OVER, 0, c.constant, c.format};
        ASSERT_TRUE(CUIRenderer::SoftwareAlphaBlend(ours.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 2, 1, blend));
        ASSERT_TRUE(platform(theirs.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 2, 1, blend));
        for (int x = 0; x < 2; ++x) {
            const uint32_t p = theirs.Pixel(x, 0);
            EXPECT_TRUE(Near(ours.Pixel(x, 0), (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, 2))
                << std::hex << ours.Pixel(x, 0) << " vs " << p;
        }
    }
    ::FreeLibrary(msimg);
    Surface target(2, 1);
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_FALSE(CUIRenderer::SoftwareAlphaBlend(target.dc(), 0, 0, 0, 1, source.dc(), 0, 0, 2, 1, blend));
}

// Every alpha of premultiplied black over white leaves exactly 255 - alpha: the weight 1 - a/255
// is not exact in binary, and the 32-bit build's extended-precision arithmetic puts some of these
// sums a hair below their whole number (84.999... for 0xAA, a band one step too dark).
TEST(SoftwareBlend, TranslucentBlackOverWhiteLeavesExactlyWhatShowsThrough) {
    Surface source(256, 1, RGB(0, 0, 0));
    for (uint32_t alpha = 0; alpha < 256; ++alpha) source.Bits()[alpha] = alpha << 24;
    Surface target(256, 1, RGB(255, 255, 255));
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(CUIRenderer::SoftwareAlphaBlend(target.dc(), 0, 0, 256, 1, source.dc(), 0, 0, 256, 1, blend));
    for (uint32_t alpha = 0; alpha < 256; ++alpha)
        EXPECT_EQ(target.Pixel(static_cast<int>(alpha), 0), 0x010101u * (255 - alpha)) << "alpha " << alpha;
}

TEST(SoftwareBlend, MixColorsWeighsEachChannelAndDropsAlpha) {
    EXPECT_EQ(CUIRenderer::MixColors(0x00FF0000, 0.5, 0x000000FF, 0.5), 0x007F007Fu);
    EXPECT_EQ(CUIRenderer::MixColors(0xFF102030, 1.0, 0xFFFFFFFF, 0.0), 0x00102030u);
    EXPECT_EQ(CUIRenderer::MixColors(0x00FFFFFF, 1.0, 0x00FFFFFF, 1.0), 0x00FFFFFFu);
}

TEST_F(ImageDrawing, TheFirstLoadOfANameDecidesItsMask) {
    // cached unmasked first: a later masked request gets the same opaque bitmap
    ASSERT_NE(fixture.manager().GetImageEx(L"magenta.png", nullptr, 0), nullptr);
    Draw(RECT{0, 0, 4, 4}, L"file='magenta.png' mask='#FFFF00FF'");
    EXPECT_EQ(surface.Pixel(0, 0), 0xFF00FFu);
    EXPECT_EQ(surface.Pixel(1, 0), 0xFF0000u);
}
