// Tagged text: measuring against the font metrics read at run time, links, inline images,
// colours and the mark-up that must not break on malformed input.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "render_engine.h"
#include "render_test_support.h"
#include "test_files.h"
#include "window_manager.h"

using namespace UIToolkit;
using rendertest::EncodePng;
using rendertest::GuardedText;
using rendertest::ManagerFixture;
using rendertest::SolidPixels;
using rendertest::Surface;

namespace {

class TaggedText : public ::testing::Test {
protected:
    void SetUp() override {
        UIFontInfo* font = fixture.manager().GetDefaultFontInfo();
        normal = font->hFont;
        bold = fixture.manager().AddFont(font->faceName, font->size, true, false, false);
        ::SelectObject(surface.dc(), normal);
        TEXTMETRICW tm;
        ::GetTextMetricsW(surface.dc(), &tm);
        lineHeight = tm.tmHeight + tm.tmExternalLeading;
    }

    int Width(HFONT font, const wchar_t* text) {
        HGDIOBJ old = ::SelectObject(surface.dc(), font);
        SIZE size = {0, 0};
        ::GetTextExtentPoint32W(surface.dc(), text, static_cast<int>(wcslen(text)), &size);
        ::SelectObject(surface.dc(), old);
        return size.cx;
    }

    RECT Measure(const wchar_t* text, UINT style = 0) {
        RECT rc = {0, 0, 9999, 100};
        int links = 0;
        CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, text, 0xFF000000, nullptr,
                                    nullptr, links, style | DT_CALCRECT);
        return rc;
    }

    int CountPixels(const RECT& area, bool (*match)(uint32_t)) {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (match(surface.Pixel(x, y))) ++n;
        return n;
    }

    ManagerFixture fixture;
    Surface surface{300, 120};
    HFONT normal = nullptr;
    HFONT bold = nullptr;
    int lineHeight = 0;
};

bool IsRed(uint32_t p) { return ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 60 && (p & 0xFF) < 60; }
bool IsWhite(uint32_t p) { return ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) > 200 && (p & 0xFF) > 200; }
bool IsBlue(uint32_t p) { return p == 0x0000FF; }
bool IsHoverColour(uint32_t p) {
    return std::abs(static_cast<int>((p >> 16) & 0xFF) - 0xD3) < 40 && ((p >> 8) & 0xFF) < 90 &&
           std::abs(static_cast<int>(p & 0xFF) - 0x5F) < 50;
}
bool IsNotBlack(uint32_t p) { return p != 0; }

}  // namespace

TEST_F(TaggedText, MeasuresRunsFontsOffsetsAndLines) {
    struct Case { const wchar_t* text; int width; int lines; };
    const Case cases[] = {
        {L"abc", Width(normal, L"abc"), 1},
        {L"<b>abc</b>", Width(bold, L"abc"), 1},
        {L"{b}abc{/b}", Width(bold, L"abc"), 1},
        {L"a<x 6>b", Width(normal, L"a") + 6 + Width(normal, L"b"), 1},
        // a b inside bold changes nothing; its closing form pops the enclosing bold
        {L"<b><b>x</b>y</b>z", Width(bold, L"x") + Width(normal, L"yz"), 1},
        // closing tags without an opening one pop nothing
        {L"</b></c></a>abc", Width(normal, L"abc"), 1},
        {L"<{>b<}>", Width(normal, L"{b}"), 1},
        {L"{<}b{>}", Width(normal, L"<b>"), 1},
        {L"<r><b>x</b></r>", Width(normal, L"<b>x</b>"), 1},
        {L"a b", Width(normal, L"a b"), 1},
        {L"one\ntwo", std::max(Width(normal, L"one"), Width(normal, L"two")), 2},
        {L"one<n>two<n>three", Width(normal, L"three"), 3},
        {L"<q 12>abc", Width(normal, L"abc"), 1},  // unknown tags are skipped
        {L"<f 0>abc</f>", Width(bold, L"abc"), 1},  // font index 0: the bold font added above
        {L"<s>abc</s>", Width(normal, L"abc"), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testfiles::Narrow(c.text));
        const RECT rc = Measure(c.text);
        EXPECT_EQ(rc.right, c.width);
        EXPECT_EQ(rc.bottom, c.lines * lineHeight);
    }
    EXPECT_EQ(Measure(L"one<n>two", DT_SINGLELINE).bottom, lineHeight);
    EXPECT_EQ(Measure(L"<y 30>abc").bottom, 30);
    EXPECT_EQ(Measure(L"<p 5>abc").bottom, lineHeight + 5);
    EXPECT_EQ(Measure(L"<p 5>abc</p>def").bottom, 2 * lineHeight + 5);
    // huge offsets push the text out of view; they never wrap round into it
    EXPECT_EQ(Measure(L"<x -2147483647><x -2147483647>abc", DT_SINGLELINE).right, 0);
    EXPECT_EQ(Measure(L"<y -2147483647>a<n><y -2147483647>b<n>c").bottom, 0);

    const RECT named = Measure(L"<f Arial 20 bold>x</f>");
    HFONT arial = fixture.manager().FindFont(L"Arial", 20, true, false, false);
    ASSERT_NE(arial, nullptr);
    EXPECT_EQ(named.right, Width(arial, L"x"));
    const RECT again = Measure(L"<f Arial 20 bold>x</f>");  // found, not added again
    EXPECT_EQ(again.right, named.right);
    EXPECT_EQ(fixture.manager().GetFontCount(), 2);
}

TEST_F(TaggedText, UnclosedTagsEndTheTextWithoutReadingPastIt) {
    fixture.WriteResource(L"img.png", EncodePng(8, 4, SolidPixels(8, 4, 0xFF0000FF)));
    const wchar_t* const texts[] = {L"ab<c #FF0000", L"ab<b", L"ab<a target", L"ab</b", L"ab<i img.png 2",
                                    L"ab<",          L"ab{",  L"ab<{",        L"ab{<", L"ab<r>x</",
                                    L"ab<x",         L"ab<i img.png", L"ab<{>", L"ab <"};
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(testfiles::Narrow(text));
        // The terminator sits right before a no-access page: a read past it faults.
        const GuardedText buffer(text);
        const RECT rc = Measure(buffer.c_str());
        EXPECT_GE(rc.right, Width(normal, L"ab"));
        for (UINT style : {0u, static_cast<UINT>(DT_SINGLELINE | DT_VCENTER | DT_CENTER), static_cast<UINT>(DT_WORDBREAK)}) {
            RECT draw = {0, 0, 300, 40};
            int links = 0;
            CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), draw, buffer.c_str(), 0xFF000000,
                                        nullptr, nullptr, links, style);
        }
    }
}

TEST_F(TaggedText, ColourTagsDrawRedAndSaturatedValuesWhite) {
    RECT rc = {0, 0, 300, 40};
    int links = 0;
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, L"<c #FF0000>WWWW</c>", 0xFF000000,
                                nullptr, nullptr, links, DT_SINGLELINE);
    EXPECT_GT(CountPixels(RECT{0, 0, 300, 40}, IsRed), 5);

    surface.Fill(RGB(0, 0, 0));
    RECT rc2 = {0, 50, 300, 90};
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc2, L"<c FF0000FF>WWWW</c>", 0xFF000000,
                                nullptr, nullptr, links, DT_SINGLELINE);
    EXPECT_GT(CountPixels(RECT{0, 50, 300, 90}, IsWhite), 5);
    EXPECT_EQ(CountPixels(RECT{0, 0, 300, 50}, IsNotBlack), 0) << "drawn outside the rectangle";
}

TEST_F(TaggedText, ReportsLinksWithinTheCallersCapacity) {
    RECT rc = {10, 5, 300, 60};
    RECT links[3] = {};
    CUIString texts[3];
    texts[2] = L"untouched";
    links[2] = RECT{1, 2, 3, 4};
    int count = 2;
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc,
                                L"<a first>link</a> and <a second>two</a> <a third>x</a>", 0xFF000000,
                                links, texts, count, 0);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(texts[0].GetData(), L"first");
    EXPECT_STREQ(texts[1].GetData(), L"second");
    EXPECT_EQ(links[0].left, 10);
    EXPECT_EQ(links[0].top, 5);
    EXPECT_EQ(links[0].right, 10 + Width(normal, L"link"));
    EXPECT_EQ(links[0].bottom, 5 + lineHeight);
    EXPECT_EQ(links[1].left, 10 + Width(normal, L"link and "));
    EXPECT_STREQ(texts[2].GetData(), L"untouched");
    EXPECT_EQ(links[2].right, 3);

    // a link that wraps is reported as two rectangles with the same target
    RECT narrow = {0, 0, Width(normal, L"aaaa bb"), 100};
    RECT wrapped[4] = {};
    CUIString wrappedTexts[4];
    int wrappedCount = 4;
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), narrow, L"<a go>aaaa bbbb</a>", 0xFF000000,
                                wrapped, wrappedTexts, wrappedCount, DT_WORDBREAK);
    ASSERT_EQ(wrappedCount, 2);
    EXPECT_STREQ(wrappedTexts[1].GetData(), L"go");
    EXPECT_EQ(wrapped[1].top, lineHeight);
    EXPECT_EQ(wrapped[1].left, 0);
}

TEST_F(TaggedText, HoverColourOnlyForTheLinkUnderTheMouseNotForStaleSlots) {
    fixture.manager().SetDefaultLinkFontColor(0xFF0000FF);
    fixture.manager().SetDefaultLinkHoverFontColor(0xFFD3215F);
    RECT links[2] = {};
    CUIString texts[2];
    int count = 2;
    RECT rc = {0, 0, 300, 40};
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, L"<a one>MMMM</a> <a two>MMMM</a>",
                                0xFF000000, links, texts, count, DT_SINGLELINE);
    ASSERT_EQ(count, 2);
    const RECT oldSecond = links[1];

    // the text changes: one link left, the second slot is emptied
    count = 2;
    surface.Fill(RGB(255, 255, 255));
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, L"<a two>MMMM</a>", 0xFF000000, links,
                                texts, count, DT_SINGLELINE);
    ASSERT_EQ(count, 1);
    EXPECT_TRUE(::IsRectEmpty(&links[1]));
    EXPECT_TRUE(texts[1].IsEmpty());

    // the mouse rests where the old second link was: nothing is hovered
    LRESULT result = 0;
    const POINT mouse = {(oldSecond.left + oldSecond.right) / 2, (oldSecond.top + oldSecond.bottom) / 2};
    fixture.manager().HandleMessage(WM_MOUSEMOVE, 0, MAKELPARAM(mouse.x, mouse.y), result);
    ASSERT_EQ(fixture.manager().GetMousePos().x, mouse.x);
    count = 2;
    surface.Fill(RGB(255, 255, 255));
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, L"<a two>MMMM</a>", 0xFF000000, links,
                                texts, count, DT_SINGLELINE);
    EXPECT_EQ(CountPixels(rc, IsHoverColour), 0);

    // over the link itself it takes the hover colour
    fixture.manager().HandleMessage(WM_MOUSEMOVE, 0, MAKELPARAM(links[0].left + 2, links[0].top + 2), result);
    count = 2;
    surface.Fill(RGB(255, 255, 255));
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, L"<a two>MMMM</a>", 0xFF000000, links,
                                texts, count, DT_SINGLELINE);
    EXPECT_GT(CountPixels(rc, IsHoverColour), 5);

    // links without a target are not hovered while the mouse is over no link at all
    fixture.manager().HandleMessage(WM_MOUSEMOVE, 0, MAKELPARAM(250, 35), result);
    count = 2;
    surface.Fill(RGB(255, 255, 255));
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, L"<a>MMMM</a>", 0xFF000000, links, texts,
                                count, DT_SINGLELINE);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(CountPixels(rc, IsHoverColour), 0);
}

TEST_F(TaggedText, InlineImagesDrawTheirStripPartAndCentreOnTheLine) {
    // 8 x 4 strip: left half red, right half blue
    std::vector<uint32_t> strip(32);
    for (int i = 0; i < 32; ++i) strip[i] = (i % 8) < 4 ? 0xFFFF0000 : 0xFF0000FF;
    fixture.WriteResource(L"tree_expand.png", EncodePng(8, 4, strip));
    fixture.WriteResource(L"mobile.png", EncodePng(8, 4, strip));
    fixture.WriteResource(L"big.png", EncodePng(24, 24, SolidPixels(24, 24, 0xFF0000FF)));

    RECT rc = {0, 0, 300, 40};
    RECT links[2] = {};
    CUIString texts[2];
    texts[0] = L"stale";
    int count = 2;
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc,
                                L"<x 6><a><i tree_expand.png 2 1></a>name", 0xFF000000, links, texts, count,
                                DT_SINGLELINE);
    ASSERT_EQ(count, 1);
    EXPECT_TRUE(texts[0].IsEmpty());
    EXPECT_EQ(links[0].left, 6);
    EXPECT_EQ(links[0].right, 10);
    EXPECT_EQ(CountPixels(RECT{0, 0, 300, 40}, IsBlue), 16);
    EXPECT_EQ(CountPixels(RECT{6, 0, 10, 40}, IsBlue), 16);

    surface.Fill(RGB(255, 255, 255));
    count = 0;
    RECT whole = {0, 0, 300, 40};
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), whole, L"<i mobile.png 1 1>", 0xFF000000,
                                nullptr, nullptr, count, DT_SINGLELINE);
    EXPECT_EQ(CountPixels(RECT{0, 0, 8, 40}, IsBlue), 16);  // index out of range: the whole image

    surface.Fill(RGB(255, 255, 255));
    RECT centred = {0, 0, 100, 40};
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), centred, L"<i big.png>", 0xFF000000,
                                nullptr, nullptr, count, DT_SINGLELINE | DT_VCENTER);
    EXPECT_EQ(surface.Pixel(2, 7), 0xFFFFFFu);
    EXPECT_EQ(surface.Pixel(2, 8), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(2, 31), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(2, 32), 0xFFFFFFu);

    surface.Fill(RGB(255, 255, 255));
    RECT centre = {0, 0, 100, 40};
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), centre, L"<i big.png>", 0xFF000000,
                                nullptr, nullptr, count, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    EXPECT_EQ(surface.Pixel(37, 20), 0xFFFFFFu);
    EXPECT_EQ(surface.Pixel(38, 20), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(61, 20), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(62, 20), 0xFFFFFFu);
    surface.Fill(RGB(255, 255, 255));
    RECT right = {0, 0, 100, 40};
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), right, L"<i big.png>", 0xFF000000,
                                nullptr, nullptr, count, DT_SINGLELINE | DT_RIGHT);
    EXPECT_EQ(surface.Pixel(75, 5), 0xFFFFFFu);
    EXPECT_EQ(surface.Pixel(76, 5), 0x0000FFu);
    EXPECT_EQ(right.left, 0) << "the caller's rectangle is not moved";

    // an image that cannot be had is left out
    EXPECT_EQ(Measure(L"a<i nothere.png>b").right, Width(normal, L"ab"));
}

namespace {

RECT MeasureIn(HDC dc, CWindowManagerUI& manager, int width, const wchar_t* text, UINT style) {
    RECT rc = {0, 0, width, 1000};
    int links = 0;
    CUIRenderer::DrawTaggedText(dc, &manager, rc, text, 0xFF000000, nullptr, nullptr, links, style | DT_CALCRECT);
    return rc;
}

bool IsDark(uint32_t p) { return ((p >> 16) & 0xFF) < 128 && ((p >> 8) & 0xFF) < 128 && (p & 0xFF) < 128; }

}  // namespace

TEST_F(TaggedText, CutsRunsAtTheEdgeByWordOrWithRoomForTheEllipsis) {
    const int room = Width(normal, L"WWWWW") + 2;  // five W fit, the sixth does not
    struct Case { const wchar_t* text; int width; UINT style; const wchar_t* widest; int lines; };
    const Case cases[] = {
        // a run from the left edge keeps the character that crosses the right edge
        {L"WWWWWWWWWW", room, DT_SINGLELINE, L"WWWWWW", 1},
        // two characters give way to the dots
        {L"WWWWWWWWWW", room, DT_SINGLELINE | DT_END_ELLIPSIS, L"WWWW", 1},
        {L"WWWWWWWWWWW", room, 0, L"WWWWWW", 2},
        {L"iiii", Width(normal, L"ii") - 1, 0, L"ii", 2},
        // a run that does not start at the left edge leaves the crossing character to the next line
        {L"W<x 0>WWWWWWWWW", room, 0, L"WWWWW", 2},
        // a word that does not fit goes to the next line whole
        {L"ab cdefg", Width(normal, L"ab cdefg") - 1, DT_WORDBREAK, L"cdefg", 2},
        {L"ab cd", Width(normal, L"ab cd") + 1, DT_WORDBREAK, L"ab cd", 1},
        // at least one character per line, however narrow the rectangle
        {L"WWW", 1, 0, L"W", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testfiles::Narrow(c.text) + " in " + std::to_string(c.width));
        const RECT rc = MeasureIn(surface.dc(), fixture.manager(), c.width, c.text, c.style);
        EXPECT_EQ(rc.right, std::min(c.width, Width(normal, c.widest)));
        EXPECT_EQ(rc.bottom, c.lines * lineHeight);
    }

    // drawn: the dots follow the shortened run inside the rectangle
    RECT rc = {0, 0, room, 40};
    int links = 0;
    CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, L"WWWWWWWWWW", 0xFF000000, nullptr, nullptr,
                                links, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_GT(CountPixels(RECT{Width(normal, L"WWWW") + 1, 0, room, 40}, IsDark), 0) << "no dots";
    EXPECT_EQ(CountPixels(RECT{room, 0, 300, 40}, IsDark), 0) << "drawn past the rectangle";
}

TEST_F(TaggedText, ItalicRunsLeaveAtMostABlankBeforeUprightText) {
    HFONT italic = fixture.manager().AddFont(fixture.manager().GetDefaultFontInfo()->faceName,
                                             fixture.manager().GetDefaultFontInfo()->size, false, false, true);
    const int plain = Width(italic, L"x") + Width(normal, L"y");
    const RECT rc = Measure(L"<i>x</i>y");
    EXPECT_GE(rc.right, plain);
    EXPECT_LE(rc.right, plain + Width(normal, L" "));
    const int boldInside = Measure(L"<i>x<b>z</b>").right;
    UIFontInfo* font = fixture.manager().GetDefaultFontInfo();
    HFONT boldItalic = fixture.manager().FindFont(font->faceName, font->size, true, false, true);
    ASSERT_NE(boldItalic, nullptr) << "bold inside italic stays italic";
    EXPECT_EQ(boldInside, Width(italic, L"x") + Width(boldItalic, L"z"));
}

TEST_F(TaggedText, MalformedMarkupAlwaysEndsAndStaysWithinTheLinkArrays) {
    fixture.WriteResource(L"t.png", EncodePng(8, 4, SolidPixels(8, 4, 0xFF0000FF)));
    const wchar_t* pieces[] = {L"<", L">", L"{", L"}", L"/", L"a", L"b", L"i", L"x", L"y", L"p", L"n",
                               L"r", L"c", L"f", L"s", L" ", L"-", L"7", L"99", L"\n", L"W", L"#",
                               L"'", L"file='t.png'", L"t.png", L"<a q>", L"</a>", L"<i t.png 3 2>", L"<x -40>",
                               L"<y 0>", L"<p 3>", L"</p>", L"<r>", L"</r>", L"<x 2147483647>", L"<y -2147483647>",
                               L"<p 2147483647>", L"<i t.png -9 -9>"};
    const UINT styles[] = {0, DT_WORDBREAK, DT_SINGLELINE | DT_VCENTER | DT_CENTER, DT_END_ELLIPSIS | DT_WORDBREAK,
                           DT_CALCRECT, DT_SINGLELINE | DT_RIGHT | DT_END_ELLIPSIS};
    const int widths[] = {1, 7, 30, 290};
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int round = 0; round < 400; ++round) {
        std::wstring text;
        const int length = static_cast<int>(next() % 30);
        for (int i = 0; i < length; ++i) text += pieces[next() % (sizeof(pieces) / sizeof(pieces[0]))];
        SCOPED_TRACE(testfiles::Narrow(text));
        for (UINT style : styles) {
            for (int width : widths) {
                RECT rc = {3, 3, 3 + width, 100};
                RECT links[3];
                CUIString texts[3];
                links[2] = RECT{-1, -1, -1, -1};
                texts[2] = L"guard";
                int count = 2;
                CUIRenderer::DrawTaggedText(surface.dc(), &fixture.manager(), rc, text.c_str(), 0xFF000000, links,
                                            texts, count, style);
                ASSERT_GE(count, 0);
                ASSERT_LE(count, 2);
                ASSERT_EQ(links[2].left, -1);
                ASSERT_STREQ(texts[2].GetData(), L"guard");
            }
        }
    }
}
