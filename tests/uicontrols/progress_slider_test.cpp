// Progress bar and slider: attributes, range ordering, the covered share and the thumb in an
// off-screen DIB, and drags, track clicks and the wheel from synthesized messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "button.h"
#include "controls_test_support.h"
#include "progress.h"

using namespace UIToolkit;
using namespace ctltest;

namespace {

using Texts = std::vector<std::wstring>;

// ---- Attributes, classes, range ----

TEST(ProgressAttributes, DefaultsAndTable) {
    CProgressUI progress;
    EXPECT_EQ(progress.GetFixedHeight(), 12);
    EXPECT_EQ(progress.GetMaxValue(), 100);
    EXPECT_EQ(progress.GetValue(), 0);

    progress.SetAttribute(L"min", L"5");
    progress.SetAttribute(L"max", L"50");
    progress.SetAttribute(L"value", L"20");
    progress.SetAttribute(L"height", L"30");      // the base control's
    progress.SetAttribute(L"textcolor", L"#FF010203");   // the label's
    EXPECT_EQ(progress.GetMaxValue(), 50);
    EXPECT_EQ(progress.GetValue(), 20);
    EXPECT_EQ(progress.GetFixedHeight(), 30);
    EXPECT_EQ(progress.GetTextColor(), 0xFF010203u);
    progress.SetAttribute(L"value", L"abc");
    EXPECT_EQ(progress.GetValue(), 5) << "no digits read 0, clamped to the minimum";
}

RECT Sized(const RECT& rc) {
    return RECT{0, 0, rc.right - rc.left, rc.bottom - rc.top};
}

TEST(SliderAttributes, DefaultsAndTable) {
    CSliderUI slider;
    slider.SetPos(RECT{0, 0, 100, 20});
    EXPECT_EQ(slider.GetStep(), 1);
    RECT thumb = Sized(slider.GetThumbRect());
    EXPECT_EQ(thumb.right, 10);
    EXPECT_EQ(thumb.bottom, 10);
    slider.SetAttribute(L"thumbsize", L"6,8");
    slider.SetAttribute(L"step", L"5");
    slider.SetAttribute(L"max", L"60");   // the progress bar's
    thumb = Sized(slider.GetThumbRect());
    EXPECT_EQ(thumb.right, 6);
    EXPECT_EQ(thumb.bottom, 8);
    EXPECT_EQ(slider.GetStep(), 5);
    EXPECT_EQ(slider.GetMaxValue(), 60);
    slider.SetAttribute(L"thumbsize", L"-4,-9");
    thumb = Sized(slider.GetThumbRect());
    EXPECT_EQ(thumb.right, 0);
    EXPECT_EQ(thumb.bottom, 0);
}

TEST(ProgressClasses, NamesInterfacesAndFlags) {
    CProgressUI progress;
    CSliderUI slider;
    EXPECT_STREQ(progress.GetClassName(), L"ProgressUI");
    EXPECT_STREQ(slider.GetClassName(), L"SliderUI");
    EXPECT_EQ(progress.GetInterface(L"Progress"), &progress);
    EXPECT_EQ(progress.GetInterface(L"Label"), static_cast<CLabelUI*>(&progress));
    EXPECT_EQ(progress.GetInterface(L"Slider"), nullptr);
    EXPECT_EQ(slider.GetInterface(L"Slider"), &slider);
    EXPECT_EQ(slider.GetInterface(L"Progress"), static_cast<CProgressUI*>(&slider));
    EXPECT_EQ(slider.GetInterface(L"Button"), nullptr);
    EXPECT_EQ(progress.GetControlFlags(), 0u);
    EXPECT_EQ(slider.GetControlFlags(), static_cast<UINT>(UIFLAG_SETCURSOR));
    slider.SetEnabled(false);
    EXPECT_EQ(slider.GetControlFlags(), 0u);
}

struct RangeCase {
    int minimum, maximum, value;
    int expMin, expMax, expValue;   // the minimum shows in the value's clamping
};

class ProgressRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ProgressRange, GettersSeeTheOrderedRange) {
    const RangeCase& c = GetParam();
    CProgressUI progress;
    progress.SetValue(c.value);       // any order of the setters
    progress.SetMaxValue(c.maximum);
    progress.SetMinValue(c.minimum);
    EXPECT_EQ(progress.GetMaxValue(), c.expMax);
    EXPECT_EQ(progress.GetValue(), c.expValue);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProgressRange,
    ::testing::Values(RangeCase{0, 100, 41, 0, 100, 41}, RangeCase{0, 100, 150, 0, 100, 100},
                      RangeCase{0, 100, -5, 0, 100, 0}, RangeCase{0, 0, 0, 0, 1, 0},
                      RangeCase{0, 0, 7, 0, 1, 1}, RangeCase{10, 5, 7, 10, 11, 10},
                      RangeCase{-50, -10, -30, -50, -10, -30},
                      RangeCase{INT_MAX, INT_MAX, 0, INT_MAX - 1, INT_MAX, INT_MAX - 1},
                      RangeCase{INT_MIN, INT_MAX, 0, INT_MIN, INT_MAX, 0}));

// ---- Painting ----

class ProgressPaint : public ::testing::Test {
protected:
    void SetUp() override {
        bench.SolidImage(L"green.png", 4, 4, 0xFF00FF00);
        bench.SolidImage(L"red.png", 4, 4, 0xFFFF0000);
        bench.SolidImage(L"blue.png", 4, 4, 0xFF0000FF);
        bench.SolidImage(L"black.png", 4, 4, 0xFF000000);
    }

    static bool IsGreen(uint32_t p) { return p == 0x00FF00u; }
    static bool IsRed(uint32_t p) { return p == 0xFF0000u; }

    // Green pixels of one row (horizontal share) or one column (vertical share).
    int GreenInRow(int y, int width) { return bench.Count(RECT{0, y, width, y + 1}, IsGreen); }
    int GreenInColumn(int x, int height) { return bench.Count(RECT{x, 0, x + 1, height}, IsGreen); }

    PaintBench bench{600, 100};
};

struct ShareCase {
    int minimum, maximum, value, width;
    int expected;   // covered pixels
};

class ProgressShare : public ProgressPaint, public ::testing::WithParamInterface<ShareCase> {};

TEST_P(ProgressShare, HorizontalFromTheLeft) {
    const ShareCase& c = GetParam();
    CProgressUI* progress = bench.Take(new CProgressUI, RECT{0, 0, c.width, 20});
    progress->SetAttribute(L"fgimage", L"green.png");
    progress->SetMinValue(c.minimum);
    progress->SetMaxValue(c.maximum);
    progress->SetValue(c.value);
    bench.Paint();
    EXPECT_EQ(GreenInRow(10, 600), c.expected);
    if (c.expected > 0) {
        EXPECT_TRUE(IsGreen(bench.Pixel(c.expected - 1, 10)));
        EXPECT_TRUE(IsGreen(bench.Pixel(0, 10)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProgressShare,
    ::testing::Values(ShareCase{0, 100, 41, 560, 229},        // 41 * 560 / 100, rounded down
                      ShareCase{0, 100, 150, 560, 560},       // above the maximum: full
                      ShareCase{0, 100, -20, 560, 0},
                      ShareCase{0, 0, 5, 560, 560},           // maximum becomes minimum + 1
                      ShareCase{0, 10000000, 5000000, 560, 280},   // would overflow 32 bits
                      ShareCase{INT_MIN, INT_MAX, 0, 200, 100}));

TEST_F(ProgressPaint, PaintStoresTheOrderedRange) {
    CProgressUI* progress = bench.Take(new CProgressUI, RECT{0, 0, 560, 20});
    progress->SetValue(150);
    bench.Paint();
    EXPECT_EQ(progress->GetValue(), 100);
    // The stored value is now 100: a larger maximum does not bring 150 back.
    progress->SetMaxValue(200);
    EXPECT_EQ(progress->GetValue(), 100);
}

TEST_F(ProgressPaint, VerticalFromTheBottom) {
    CProgressUI* progress = bench.Take(new CProgressUI, RECT{0, 0, 20, 100});
    progress->SetAttribute(L"fgimage", L"green.png");
    progress->SetAttribute(L"hor", L"false");
    progress->SetValue(50);
    bench.Paint();
    EXPECT_EQ(GreenInColumn(10, 100), 50);
    EXPECT_TRUE(IsGreen(bench.Pixel(10, 50)));
    EXPECT_TRUE(IsGreen(bench.Pixel(10, 99)));
    EXPECT_FALSE(IsGreen(bench.Pixel(10, 49)));
    progress->SetAttribute(L"hor", L"true");
    bench.Paint();
    EXPECT_EQ(GreenInRow(80, 600), 10);
    EXPECT_EQ(GreenInColumn(5, 100), 100);
}

TEST_F(ProgressPaint, TextIsCentredAcrossTheTop) {
    CProgressUI* progress = bench.Take(new CProgressUI, RECT{0, 0, 200, 60});
    progress->SetTextColor(0xFF000000);
    progress->SetText(L"WW");
    bench.Paint();
    const RECT ink = bench.Box(RECT{0, 0, 200, 60}, IsDarkInk);
    EXPECT_NEAR((ink.left + ink.right) / 2, 100, 3);
    EXPECT_LT(ink.top, 10);
}

TEST_F(ProgressPaint, ForeImageThatCannotBeDrawnIsDropped) {
    CProgressUI* progress = bench.Take(new CProgressUI, RECT{0, 0, 560, 20});
    progress->SetForeImage(L"green.png");
    progress->SetValue(50);
    progress->Paint(nullptr, RECT{0, 0, 560, 20});
    bench.Paint();
    EXPECT_EQ(GreenInRow(10, 600), 0);
}

TEST_F(ProgressPaint, SliderThumbAtTheValue) {
    CSliderUI* slider = bench.Take(new CSliderUI, RECT{0, 0, 560, 30});
    slider->SetAttribute(L"thumbsize", L"6,10");
    slider->SetAttribute(L"thumbimage", L"red.png");
    slider->SetAttribute(L"fgimage", L"green.png");
    slider->SetValue(50);
    const RECT thumb = slider->GetThumbRect();
    EXPECT_EQ(thumb.left, 277);    // 554 * 50 / 100
    EXPECT_EQ(thumb.top, 10);
    EXPECT_EQ(thumb.right, 283);
    EXPECT_EQ(thumb.bottom, 20);
    bench.Paint();
    EXPECT_EQ(bench.Count(RECT{0, 0, 600, 30}, IsRed), 60);
    EXPECT_TRUE(IsRed(bench.Pixel(277, 10)));
    EXPECT_TRUE(IsRed(bench.Pixel(282, 19)));
    EXPECT_TRUE(IsGreen(bench.Pixel(100, 25)));   // the share under the thumb's row
}

TEST_F(ProgressPaint, SliderThumbImagesByState) {
    CSliderUI* slider = bench.Take(new CSliderUI, RECT{0, 0, 560, 30});
    slider->SetAttribute(L"thumbsize", L"6,10");
    slider->SetThumbImage(L"red.png");
    slider->SetThumbHotImage(L"blue.png");
    slider->SetThumbPushedImage(L"black.png");
    const POINT onThumb = {3, 15};
    UIEvent event = {};
    event.type = UIEVENT_MOUSEENTER;
    slider->HandleEvent(event);
    bench.Paint();
    EXPECT_EQ(bench.Pixel(3, 15), 0x0000FFu);
    event.type = UIEVENT_BUTTONDOWN;
    event.ptMouse = onThumb;
    slider->HandleEvent(event);
    bench.Paint();
    EXPECT_EQ(bench.Pixel(3, 15), 0x000000u);
    // Disabling clears hot and captured, for good.
    slider->SetEnabled(false);
    bench.Paint();
    EXPECT_EQ(bench.Pixel(3, 15), 0xFF0000u);
    slider->SetEnabled(true);
    bench.Paint();
    EXPECT_EQ(bench.Pixel(3, 15), 0xFF0000u);
}

TEST_F(ProgressPaint, VerticalThumbGeometry) {
    CSliderUI* slider = bench.Take(new CSliderUI, RECT{100, 0, 120, 100});
    slider->SetHorizontal(false);
    slider->SetThumbSize(SIZE{10, 6});
    slider->SetValue(0);
    RECT thumb = slider->GetThumbRect();
    EXPECT_EQ(thumb.left, 105);
    EXPECT_EQ(thumb.bottom, 100);
    EXPECT_EQ(thumb.top, 94);
    slider->SetValue(100);
    thumb = slider->GetThumbRect();
    EXPECT_EQ(thumb.top, 0);
    EXPECT_EQ(thumb.bottom, 6);
}

// ---- Mouse and wheel on a shown window ----

// The slider of the window tests spans x 10..370 at y 50..70.
const int kLeft = 10;
const int kRight = 370;
const int kTrackY = 60;

class SliderWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ParkCursor();
        slider = window.Add(new CSliderUI, kLeft, 50, kRight - kLeft, 20);
        slider->SetName(L"slider");
        slider->SetAttribute(L"thumbsize", L"6,10");
        other = window.Add(new CButtonUI, 10, 120, 80, 30);
        other->SetName(L"other");
    }

    ControlWindow window{400, 200};
    CSliderUI* slider = nullptr;
    CButtonUI* other = nullptr;
};

struct ReleaseCase {
    int x;
    int expected;
};

class SliderRelease : public SliderWindow, public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(SliderRelease, ValueFromTheReleasePoint) {
    slider->SetValue(30);
    window.Click(GetParam().x, kTrackY);
    EXPECT_EQ(slider->GetValue(), GetParam().expected) << GetParam().x;
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"valuechanged:slider"}));
}

// 360 wide, thumb 6: the ends clamp within half a thumb, the middle maps linearly.
INSTANTIATE_TEST_SUITE_P(Points, SliderRelease,
                         ::testing::Values(ReleaseCase{kLeft, 0}, ReleaseCase{kLeft + 3, 0}, ReleaseCase{kLeft + 4, 0},
                                           ReleaseCase{kLeft + 180, 50},   // 177 * 100 / 354
                                           ReleaseCase{kRight - 4, 99}, ReleaseCase{kRight - 3, 100},
                                           ReleaseCase{kRight - 1, 100}));

TEST_F(SliderWindow, SixHourStreamInMillisecondsDoesNotOverflow) {
    // The position slider's range is the length in milliseconds; value times pixels passes
    // 32 bits here.
    const int twoHours = 2 * 3600 * 1000;
    const int sixHours = 3 * twoHours;
    slider->SetMaxValue(sixHours);
    slider->SetValue(sixHours / 2);
    EXPECT_EQ(slider->GetThumbRect().left, kLeft + 177);   // 354 * 1/2
    window.Click(kLeft + 3 + 118, kTrackY);
    EXPECT_EQ(slider->GetValue(), twoHours);                // 118 of 354 pixels
    window.Move(kLeft + 3 + 118, kTrackY);
    window.Down(kLeft + 3 + 118, kTrackY);
    window.Move(kLeft + 3 + 236, kTrackY);
    EXPECT_EQ(slider->GetValue(), 2 * twoHours);
    window.Up(kLeft + 3 + 236, kTrackY);
}

TEST_F(SliderWindow, TrackPressAndReleaseElsewhereJumpsOnce) {
    window.Move(300, kTrackY);
    window.Down(300, kTrackY);           // away from the thumb (at 10..16)
    window.Move(280, kTrackY);
    window.Up(250, kTrackY);
    EXPECT_EQ(slider->GetValue(), 66);  // (250 - 13) * 100 / 354
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"valuechanged:slider"}));
}

TEST_F(SliderWindow, DragSendsChangingThenChanged) {
    window.Move(13, kTrackY);
    window.Down(13, kTrackY);            // on the thumb at value 0
    window.Move(100, kTrackY);
    EXPECT_EQ(slider->GetValue(), 24);   // (100 - 13) * 100 / 354
    window.Move(200, 150);               // off the slider: the thumb still follows x
    EXPECT_EQ(slider->GetValue(), 52);
    window.Up(200, 150);
    EXPECT_EQ(slider->GetValue(), 52);
    EXPECT_EQ(window.recorder.Texts(),
              (Texts{L"valuechanging:slider", L"valuechanging:slider", L"valuechanged:slider"}));
    // Moves after the release drag nothing.
    window.recorder.Clear();
    window.Move(300, kTrackY);
    EXPECT_TRUE(window.recorder.notes.empty());
}

TEST_F(SliderWindow, VerticalDrag) {
    CSliderUI* vertical = window.Add(new CSliderUI, 300, 10, 20, 180);
    vertical->SetName(L"vertical");
    vertical->SetHorizontal(false);
    vertical->SetThumbSize(SIZE{10, 6});
    window.Move(310, 187);
    window.Down(310, 187);               // thumb at the bottom (184..190)
    window.Move(310, 100);
    EXPECT_EQ(vertical->GetValue(), 50);   // (190 - 100 - 3) * 100 / 174
    window.Move(310, 13);
    EXPECT_EQ(vertical->GetValue(), 100);
    window.Up(310, 13);
    EXPECT_EQ(window.recorder.Texts(),
              (Texts{L"valuechanging:vertical", L"valuechanging:vertical", L"valuechanged:vertical"}));
}

TEST_F(SliderWindow, WheelStepsWithinTheRange) {
    window.Wheel(100, kTrackY, false);   // toward the user at the minimum
    EXPECT_EQ(slider->GetValue(), 0);
    window.Wheel(100, kTrackY, true);
    EXPECT_EQ(slider->GetValue(), 1);
    slider->SetStep(10);
    slider->SetValue(95);
    window.Wheel(100, kTrackY, true);
    EXPECT_EQ(slider->GetValue(), 100);
    window.Wheel(100, kTrackY, false);
    EXPECT_EQ(slider->GetValue(), 90);
    EXPECT_EQ(window.recorder.Count(L"valuechanged"), 4);
    EXPECT_EQ(window.recorder.Count(L"valuechanging"), 0);
}

TEST_F(SliderWindow, DisabledSliderKeepsItsValue) {
    slider->SetValue(30);
    slider->SetEnabled(false);
    window.Click(200, kTrackY);
    window.Wheel(200, kTrackY, true);
    EXPECT_EQ(slider->GetValue(), 30);
    EXPECT_TRUE(window.recorder.notes.empty());
}

TEST_F(SliderWindow, MouseDisabledSliderIgnoresTheMouse) {
    slider->SetValue(30);
    slider->SetMouseEnabled(false);
    window.Click(200, kTrackY);
    EXPECT_EQ(slider->GetValue(), 30);
    EXPECT_TRUE(window.recorder.notes.empty());
}

TEST_F(SliderWindow, DragThatLosesItsReleaseStillEnds) {
    // A right click on another control takes the click away: the release never reaches the
    // slider. The drag ends at the slider's next event with "valuechanged" for the value it
    // reached, so that a listener that paused on "valuechanging" resumes.
    window.Move(13, kTrackY);
    window.Down(13, kTrackY);
    window.Move(50, 135);
    EXPECT_EQ(slider->GetValue(), 10);   // (50 - 13) * 100 / 354
    window.RightClick(50, 135);
    window.Up(50, 135);
    window.recorder.Clear();
    window.Move(200, kTrackY);           // hovering the slider
    window.Move(250, kTrackY);
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"valuechanged:slider"}));
    EXPECT_EQ(slider->GetValue(), 10);
}

TEST_F(SliderWindow, RightClickOnTheSliderEndsTheDrag) {
    window.Move(13, kTrackY);
    window.Down(13, kTrackY);
    window.Move(100, kTrackY);
    window.RightClick(100, kTrackY);
    window.Move(200, kTrackY);
    EXPECT_EQ(window.recorder.Texts(), (Texts{L"valuechanging:slider", L"valuechanged:slider"}));
    EXPECT_EQ(slider->GetValue(), 24);

    // A thumb taken and let go by a right click without moving reports nothing.
    window.recorder.Clear();
    window.Move(slider->GetThumbRect().left + 3, kTrackY);
    window.Down(slider->GetThumbRect().left + 3, kTrackY);
    window.RightClick(slider->GetThumbRect().left + 3, kTrackY);
    window.Move(300, kTrackY);
    EXPECT_TRUE(window.recorder.notes.empty());
    EXPECT_EQ(slider->GetValue(), 24);
}

TEST_F(SliderWindow, EmptyRangeBehavesAsZeroToOne) {
    slider->SetMaxValue(0);
    window.Click(kRight - 2, kTrackY);
    EXPECT_EQ(slider->GetValue(), 1);
    EXPECT_EQ(slider->GetMaxValue(), 1);
    window.Click(kLeft + 2, kTrackY);
    EXPECT_EQ(slider->GetValue(), 0);
}

TEST_F(SliderWindow, ThumbLooksHotWhileTheMouseIsOver) {
    window.AddImage(L"red.png", 0xFFFF0000);
    window.AddImage(L"blue.png", 0xFF0000FF);
    slider->SetThumbImage(L"red.png");
    slider->SetThumbHotImage(L"blue.png");
    window.Move(200, kTrackY);
    EXPECT_EQ(window.PaintedPixel(slider, 13, kTrackY), 0x0000FFu);
    window.Move(200, 180);
    EXPECT_EQ(window.PaintedPixel(slider, 13, kTrackY), 0xFF0000u);
}

}  // namespace
