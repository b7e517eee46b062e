// Label, label-ex and text: attributes, painting colours and lines, sizes, and links.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "controls_test_support.h"
#include "label.h"
#include "text.h"

using namespace UIToolkit;
using namespace ctltest;

namespace {

// ---- Attributes, seen in the painted text ----

class LabelPaint : public ::testing::Test {
protected:
    // A label over the whole bench with black text.
    CLabelUI* Label(const wchar_t* text) {
        CLabelUI* label = bench.Take(new CLabelUI, kAll);
        label->SetText(text);
        label->SetTextColor(0xFF000000);
        return label;
    }
    RECT Ink() { return bench.Box(kAll, IsDarkInk); }

    static constexpr RECT kAll = {0, 0, 200, 60};
    PaintBench bench{200, 60};
};

enum class Place { Start, Middle, End };

// Where the box [lo, hi) lies in a span of the given length.
Place PlaceIn(LONG lo, LONG hi, LONG length) {
    const LONG centre = (lo + hi) / 2;
    if (lo < length / 6) return Place::Start;
    if (hi > length - length / 6) return Place::End;
    EXPECT_NEAR(centre, length / 2, length / 8) << "neither at an edge nor centred";
    return Place::Middle;
}

struct AlignCase {
    const wchar_t* value;
    Place horizontal;
    Place vertical;
};

class LabelAlign : public LabelPaint, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(LabelAlign, AppliesWordsInFixedOrder) {
    CLabelUI* label = Label(L"WW");
    label->SetAttribute(L"align", GetParam().value);
    bench.Paint();
    const RECT ink = Ink();
    ASSERT_LT(ink.left, ink.right) << "nothing drawn";
    EXPECT_EQ(PlaceIn(ink.left, ink.right, 200), GetParam().horizontal) << GetParam().value;
    EXPECT_EQ(PlaceIn(ink.top, ink.bottom, 60), GetParam().vertical) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Words, LabelAlign,
    ::testing::Values(AlignCase{L"center", Place::Middle, Place::Middle},   // keeps the vertical centring
                      AlignCase{L"right", Place::End, Place::Middle},
                      AlignCase{L"rightwrap", Place::End, Place::Middle},   // substring match
                      AlignCase{L"left", Place::Start, Place::Middle},
                      AlignCase{L"top", Place::Start, Place::Start},
                      AlignCase{L"bottom", Place::Start, Place::End},
                      AlignCase{L"right bottom", Place::Start, Place::End},   // bottom drops right
                      AlignCase{L"bottom,left", Place::Start, Place::End},
                      AlignCase{L"top right", Place::Start, Place::Start},    // top drops right
                      AlignCase{L"bottom center", Place::Middle, Place::End},
                      AlignCase{L"middle", Place::Start, Place::Middle},      // no known word
                      AlignCase{L"", Place::Start, Place::Middle}));          // the defaults

bool IsAnyInk(uint32_t p) {
    return p != 0xFFFFFFu;
}

TEST_F(LabelPaint, EndEllipsisOnlyForExactlyTrue) {
    CLabelUI* label = Label(L"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    bench.Paint();
    const int clipped = bench.Count(kAll, IsAnyInk);
    EXPECT_EQ(bench.Box(kAll, IsAnyInk).right, 200) << "clipped at the right edge";
    label->SetAttribute(L"endellipsis", L"true");
    bench.Paint();
    EXPECT_LT(bench.Count(kAll, IsAnyInk), clipped) << "the tail is not replaced by dots";
    label->SetAttribute(L"endellipsis", L"True");
    bench.Paint();
    EXPECT_EQ(bench.Count(kAll, IsAnyInk), clipped);
}

TEST_F(LabelPaint, FontIndexSelectsAManagerFont) {
    const UIFontInfo* normal = bench.fixture.manager().GetDefaultFontInfo();
    bench.fixture.manager().AddFont(normal->faceName, 36, false, false, false);
    CLabelUI* label = Label(L"WW");
    bench.Paint();
    const RECT small = Ink();
    label->SetAttribute(L"font", L"0");
    bench.Paint();
    const RECT big = Ink();
    EXPECT_GT(big.bottom - big.top, (small.bottom - small.top) * 3 / 2);
    label->SetAttribute(L"font", L"-1");
    bench.Paint();
    EXPECT_EQ(Ink().bottom - Ink().top, small.bottom - small.top);
}

TEST_F(LabelPaint, ColourAttributes) {
    CLabelUI* label = Label(L"WWWWWW");
    label->SetAttribute(L"textcolor", L"#FFFF0000");
    label->SetAttribute(L"disabledtextcolor", L"FF0000FF");   // "#" is optional
    bench.Paint();
    EXPECT_GT(bench.Count(kAll, IsRedInk), 10);
    label->SetEnabled(false);
    bench.Paint();
    EXPECT_GT(bench.Count(kAll, IsBlueInk), 10);
    EXPECT_EQ(bench.Count(kAll, IsRedInk), 0);
}

TEST_F(LabelPaint, ShowHtmlOnlyForExactlyTrue) {
    CLabelUI* label = Label(L"{c #0000FF}WWWW{/c}");
    label->SetAttribute(L"showhtml", L"true");
    bench.Paint();
    EXPECT_GT(bench.Count(kAll, IsBlueInk), 10);
    label->SetAttribute(L"showhtml", L"1");
    bench.Paint();
    EXPECT_EQ(bench.Count(kAll, IsBlueInk), 0) << "the tags are shown as they stand";
    EXPECT_GT(bench.Count(kAll, IsDarkInk), 10);
}

TEST(LabelAttributes, PaddingAndBaseNames) {
    CLabelUI label;
    label.SetAttribute(L"textpadding", L"1,2,3,4");
    const RECT padding = label.GetTextPadding();
    EXPECT_EQ(padding.left, 1);
    EXPECT_EQ(padding.top, 2);
    EXPECT_EQ(padding.right, 3);
    EXPECT_EQ(padding.bottom, 4);
    label.SetAttribute(L"textcolor", L"#FF112233");
    EXPECT_EQ(label.GetTextColor(), 0xFF112233u);
    // Other names reach the base control.
    label.SetAttribute(L"width", L"40");
    EXPECT_EQ(label.GetFixedWidth(), 40);
    label.SetAttribute(L"text", L"hello");
    EXPECT_EQ(label.GetText(), CUIString(L"hello").GetData());
}

TEST(LabelClasses, NamesAndInterfaces) {
    CLabelUI label;
    CLabelUIEx labelEx;
    CTextUI text;
    EXPECT_STREQ(label.GetClassName(), L"LabelUI");
    EXPECT_STREQ(labelEx.GetClassName(), L"LabelUIEx");
    EXPECT_STREQ(text.GetClassName(), L"TextUI");

    EXPECT_EQ(label.GetInterface(L"Label"), &label);
    EXPECT_EQ(label.GetInterface(L"Control"), &label);
    EXPECT_EQ(label.GetInterface(L"LabelEx"), nullptr);
    EXPECT_EQ(labelEx.GetInterface(L"LabelEx"), &labelEx);
    EXPECT_EQ(labelEx.GetInterface(L"Label"), static_cast<CLabelUI*>(&labelEx));
    EXPECT_EQ(text.GetInterface(L"Text"), &text);
    EXPECT_EQ(text.GetInterface(L"Label"), static_cast<CLabelUI*>(&text));
    EXPECT_EQ(text.GetInterface(L"label"), nullptr);

    const RECT padding = text.GetTextPadding();
    EXPECT_EQ(padding.left, 2);
    EXPECT_EQ(padding.top, 0);
    EXPECT_EQ(padding.right, 2);
    EXPECT_EQ(padding.bottom, 0);
}

TEST(LabelEx, HandCursorWhileEnabled) {
    CLabelUIEx label;
    EXPECT_EQ(label.GetControlFlags(), static_cast<UINT>(UIFLAG_TABSTOP | UIFLAG_SETCURSOR));
    UIEvent event = {};
    event.type = UIEVENT_SETCURSOR;
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    label.HandleEvent(event);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
    label.SetEnabled(false);
    EXPECT_EQ(label.GetControlFlags(), static_cast<UINT>(UIFLAG_TABSTOP));
}

TEST(LabelEvents, FocusEventsOnlyFlipTheFlag) {
    CLabelUI label;
    UIEvent event = {};
    event.type = UIEVENT_SETFOCUS;
    label.HandleEvent(event);
    EXPECT_TRUE(label.IsFocused());
    event.type = UIEVENT_KILLFOCUS;
    label.HandleEvent(event);
    EXPECT_FALSE(label.IsFocused());
}

// ---- Painting ----

TEST_F(LabelPaint, TextColourWhenEnabledDisabledColourWhenNot) {
    CLabelUI* label = bench.Take(new CLabelUI, RECT{0, 0, 200, 60});
    label->SetText(L"WWWWWW");
    label->SetTextColor(0xFFFF0000);
    label->SetDisabledTextColor(0xFF0000FF);
    const RECT all = {0, 0, 200, 60};
    bench.Paint();
    EXPECT_GT(bench.Count(all, IsRedInk), 10);
    EXPECT_EQ(bench.Count(all, IsBlueInk), 0);
    label->SetEnabled(false);
    bench.Paint();
    EXPECT_GT(bench.Count(all, IsBlueInk), 10);
    EXPECT_EQ(bench.Count(all, IsRedInk), 0);
}

TEST_F(LabelPaint, UnsetColourTakesTheDefaultOnceAndKeepsIt) {
    bench.fixture.manager().SetDefaultFontColor(0xFF00B000);
    bench.fixture.manager().SetDefaultDisabledColor(0xFF0000FF);
    CLabelUI* label = bench.Take(new CLabelUI, RECT{0, 0, 200, 60});
    label->SetText(L"WWWWWW");
    EXPECT_EQ(label->GetTextColor(), 0u);
    bench.Paint();
    EXPECT_EQ(label->GetTextColor(), 0xFF00B000u);
    bench.fixture.manager().SetDefaultFontColor(0xFFFF0000);
    bench.fixture.manager().SetDefaultDisabledColor(0xFFFF0000);
    bench.Paint();
    const RECT all = {0, 0, 200, 60};
    EXPECT_GT(bench.Count(all, IsGreenInk), 10);
    EXPECT_EQ(bench.Count(all, IsRedInk), 0);
    // The disabled colour was resolved at the same first paint.
    label->SetEnabled(false);
    bench.Paint();
    EXPECT_GT(bench.Count(all, IsBlueInk), 10);
    EXPECT_EQ(bench.Count(all, IsRedInk), 0);
}

TEST_F(LabelPaint, LineBreakStillDrawsOneLine) {
    const int lineHeight = bench.fixture.manager().GetDefaultFontInfo()->tm.tmHeight;
    CLabelUI* label = bench.Take(new CLabelUI, RECT{0, 0, 200, 60});
    label->SetAttribute(L"align", L"top");
    label->SetText(L"WWW\nWWW\nWWW");
    bench.Paint();
    EXPECT_GT(bench.Count(RECT{0, 0, 200, lineHeight}, IsDarkInk), 10);
    EXPECT_EQ(bench.Count(RECT{0, lineHeight + 1, 200, 60}, IsDarkInk), 0);
}

TEST_F(LabelPaint, TextStaysInsideThePadding) {
    CLabelUI* label = bench.Take(new CLabelUI, RECT{0, 0, 200, 60});
    label->SetText(L"WWWWWW");
    label->SetAttribute(L"textpadding", L"50,0,0,0");
    bench.Paint();
    EXPECT_EQ(bench.Count(RECT{0, 0, 50, 60}, IsDarkInk), 0);
    EXPECT_GT(bench.Count(RECT{50, 0, 200, 60}, IsDarkInk), 10);
    // A padding wider than the control leaves no room: nothing is drawn anywhere.
    label->SetAttribute(L"textpadding", L"150,0,150,0");
    bench.Paint();
    EXPECT_EQ(bench.Count(RECT{0, 0, 200, 60}, IsDarkInk), 0);
}

TEST_F(LabelPaint, EmptyTextDrawsNothing) {
    CLabelUI* label = bench.Take(new CLabelUI, RECT{0, 0, 200, 60});
    label->SetTextColor(0xFF000000);
    bench.Paint();
    EXPECT_EQ(bench.Count(RECT{0, 0, 200, 60}, IsDarkInk), 0);
}

TEST_F(LabelPaint, EstimateSizeFromDefaultFont) {
    CLabelUI* label = bench.Take(new CLabelUI, RECT{0, 0, 200, 60});
    const int fontHeight = bench.fixture.manager().GetDefaultFontInfo()->tm.tmHeight;
    label->SetFixedWidth(70);
    SIZE size = label->EstimateSize(SIZE{500, 500});
    EXPECT_EQ(size.cx, 70);
    EXPECT_EQ(size.cy, fontHeight + 4);
    label->SetFixedHeight(33);
    size = label->EstimateSize(SIZE{500, 500});
    EXPECT_EQ(size.cx, 70);
    EXPECT_EQ(size.cy, 33);
}

// ---- Text control ----

TEST_F(LabelPaint, TextEstimateSizeWrapsAtAvailableWidthMinusPadding) {
    CTextUI* text = bench.Take(new CTextUI, RECT{0, 0, 200, 60});
    const wchar_t* words = L"one two three four five six seven eight nine ten eleven twelve";
    text->SetText(words);
    RECT expected = {0, 0, 196, 9999};
    CUIRenderer::DrawText(bench.fixture.manager().GetPaintDC(), &bench.fixture.manager(), expected, words, 0, -1,
                          DT_WORDBREAK | DT_CALCRECT);
    const SIZE size = text->EstimateSize(SIZE{200, 0});
    EXPECT_EQ(size.cx, expected.right - expected.left + 4);
    EXPECT_EQ(size.cy, expected.bottom - expected.top);
    EXPECT_GT(size.cy, bench.fixture.manager().GetDefaultFontInfo()->tm.tmHeight) << "not wrapped";

    text->SetFixedHeight(21);
    EXPECT_EQ(text->EstimateSize(SIZE{200, 0}).cy, 21);
    text->SetFixedHeight(0);
    // Paddings larger than the width measure nothing and give no negative size.
    text->SetAttribute(L"textpadding", L"150,3,150,4");
    const SIZE cramped = text->EstimateSize(SIZE{200, 0});
    EXPECT_GE(cramped.cx, 0);
    EXPECT_EQ(cramped.cy, 7);
}

TEST_F(LabelPaint, TextWrapsOverSeveralLines) {
    const int lineHeight = bench.fixture.manager().GetDefaultFontInfo()->tm.tmHeight;
    CTextUI* text = bench.Take(new CTextUI, RECT{0, 0, 60, 60});
    text->SetText(L"WW WW WW");
    bench.Paint();
    EXPECT_GT(bench.Count(RECT{0, lineHeight, 60, 60}, IsDarkInk), 5) << "second line missing";
}

// Text controls with links on a shown window.
class TextLinks : public ::testing::Test {
protected:
    void SetUp() override {
        ParkCursor();
        text = window.Add(new CTextUI, kLeft, kTop, 200, 170);
        text->SetName(L"text");
        text->SetShowHtml(true);
        const TEXTMETRICW& tm = window.manager().GetDefaultFontInfo()->tm;
        lineHeight = tm.tmHeight + tm.tmExternalLeading;
    }

    // Paints the control off-screen, which collects its links.
    void PaintText() {
        rendertest::Surface surface(400, 200);
        text->Paint(surface.dc(), text->GetPos());
    }

    // A point inside the first characters of line n.
    POINT LinePoint(int n) const {
        return POINT{kLeft + 2 + 3, kTop + n * lineHeight + lineHeight / 2};
    }

    std::vector<WPARAM> LinkParams() const {
        std::vector<WPARAM> params;
        for (const Note& note : window.recorder.notes) {
            if (note.type == L"link") params.push_back(note.wParam);
        }
        return params;
    }

    static const int kLeft = 10;
    static const int kTop = 10;
    ControlWindow window{400, 200};
    CTextUI* text = nullptr;
    int lineHeight = 0;
};

TEST_F(TextLinks, ClickReleasedOnALinkReportsItsIndex) {
    text->SetText(L"{a first}WWWW{/a}{n}{a second}WWWW{/a}");
    PaintText();
    EXPECT_EQ(text->GetControlFlags(), static_cast<UINT>(UIFLAG_SETCURSOR));

    const POINT first = LinePoint(0);
    const POINT second = LinePoint(1);
    window.Click(first.x, first.y);
    window.Click(second.x, second.y);
    // Pressed on the first, released on the second: the second.
    window.Move(first.x, first.y);
    window.Down(first.x, first.y);
    window.Move(second.x, second.y);
    window.Up(second.x, second.y);
    // Released away from every link: nothing.
    window.Click(kLeft + 150, kTop + 150);
    EXPECT_EQ(LinkParams(), (std::vector<WPARAM>{0, 1, 1}));
    for (const Note& note : window.recorder.notes) EXPECT_EQ(note.sender, text);
}

TEST_F(TextLinks, HandCursorOnlyOverALink) {
    text->SetText(L"{a first}WWWW{/a}");
    PaintText();
    UIEvent event = {};
    event.type = UIEVENT_SETCURSOR;
    event.ptMouse = LinePoint(0);
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    text->HandleEvent(event);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
    event.ptMouse = POINT{kLeft + 150, kTop + 150};
    text->HandleEvent(event);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(TextLinks, NineLinksReportOnlyTheFirstEight) {
    std::wstring markup;
    for (int i = 0; i < 9; ++i) markup += L"{a t" + std::to_wstring(i) + L"}WWW{/a}{n}";
    text->SetText(markup.c_str());
    PaintText();
    for (int i = 0; i < 9; ++i) {
        const POINT pt = LinePoint(i);
        window.Click(pt.x, pt.y);
    }
    EXPECT_EQ(LinkParams(), (std::vector<WPARAM>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(TextLinks, PlainTextHasNoLinks) {
    text->SetText(L"{a first}WWWW{/a}");
    PaintText();
    text->SetShowHtml(false);
    PaintText();
    EXPECT_EQ(text->GetControlFlags(), 0u);
    const POINT pt = LinePoint(0);
    window.Click(pt.x, pt.y);
    EXPECT_TRUE(LinkParams().empty());
}

TEST_F(TextLinks, EmptyTextDropsTheLinks) {
    text->SetText(L"{a first}WWWW{/a}");
    PaintText();
    text->SetText(L"");
    PaintText();
    EXPECT_EQ(text->GetControlFlags(), 0u);
    const POINT pt = LinePoint(0);
    window.Click(pt.x, pt.y);
    EXPECT_TRUE(LinkParams().empty());
}

TEST_F(TextLinks, DisabledTextAsksForNoCursorAndSendsNoLink) {
    text->SetText(L"{a first}WWWW{/a}");
    PaintText();
    text->SetEnabled(false);
    EXPECT_EQ(text->GetControlFlags(), 0u);
    const POINT pt = LinePoint(0);
    window.Click(pt.x, pt.y);
    EXPECT_TRUE(LinkParams().empty());
}

TEST_F(TextLinks, MouseDisabledTextPassesClicksToItsParent) {
    text->SetText(L"{a first}WWWW{/a}");
    PaintText();
    text->SetMouseEnabled(false);
    const POINT pt = LinePoint(0);
    UIEvent event = {};
    event.type = UIEVENT_BUTTONUP;
    event.ptMouse = pt;
    text->HandleEvent(event);
    EXPECT_TRUE(LinkParams().empty());
}

}  // namespace
