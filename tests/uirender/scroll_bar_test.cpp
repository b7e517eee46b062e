// Scroll bar: part geometry, clamping, dragging, auto-repeat, disabling and the default outline.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>

#include "render_test_support.h"
#include "scroll_bar.h"
#include "ui_event.h"

using namespace UIToolkit;
using rendertest::ManagerFixture;
using rendertest::Surface;

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

void Send(CScrollBarUI& bar, int type, int x = 0, int y = 0, WPARAM wParam = 0) {
    UIEvent event = uitest::MakeEvent(type, &bar, POINT{x, y}, 0, wParam);
    bar.HandleEvent(event);
}

void Tick(CScrollBarUI& bar) { Send(bar, UIEVENT_TIMER, 0, 0, CScrollBarUI::kRepeatTimerId); }

class ScrollCounter : public INotifyUI {
public:
    void Notify(UINotify& msg) override {
        if (msg.type == L"scroll") ++scrolls;
    }
    int scrolls = 0;
};

}  // namespace

TEST(ScrollBarGeometry, LaysOutButtonsAndThumbAlongTheBar) {
    struct Case {
        bool horizontal; RECT item; int range; int pos; bool show1, show2;
        RECT button1, button2, thumb;
    };
    const Case cases[] = {
        {false, {0, 0, 16, 100}, 100, 0, true, true, {0, 0, 16, 16}, {0, 84, 16, 100}, {0, 16, 16, 50}},
        {false, {0, 0, 16, 100}, 100, 100, true, true, {0, 0, 16, 16}, {0, 84, 16, 100}, {0, 50, 16, 84}},
        {false, {0, 0, 16, 100}, 0, 0, true, true, {0, 0, 16, 16}, {0, 84, 16, 100}, {0, 16, 16, 84}},
        {false, {0, 0, 16, 20}, 100, 0, true, true, {0, 0, 16, 10}, {0, 10, 16, 20}, {0, 0, 0, 0}},
        {false, {0, 0, 16, 100}, 100, 0, false, false, {0, 0, 0, 0}, {0, 100, 0, 100}, {0, 0, 16, 50}},
        {false, {10, 20, 26, 120}, 100, 0, true, true, {10, 20, 26, 36}, {10, 104, 26, 120}, {10, 36, 26, 70}},
        {true, {0, 0, 100, 16}, 100, 0, true, true, {0, 0, 16, 16}, {84, 0, 100, 16}, {16, 0, 50, 16}},
        {true, {0, 0, 100, 16}, 100, 100, true, true, {0, 0, 16, 16}, {84, 0, 100, 16}, {50, 0, 84, 16}},
        // a tiny range gives the minimum thumb of the bar's thickness
        {false, {0, 0, 16, 100}, 100000, 0, true, true, {0, 0, 16, 16}, {0, 84, 16, 100}, {0, 16, 16, 32}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.item) + " range " + std::to_string(c.range) + " pos " + std::to_string(c.pos));
        CScrollBarUI bar;
        bar.SetHorizontal(c.horizontal);
        bar.SetShowButton1(c.show1);
        bar.SetShowButton2(c.show2);
        bar.SetScrollRange(c.range);
        bar.SetScrollPos(c.pos);
        bar.SetPos(c.item);
        EXPECT_TRUE(SameRect(bar.GetButton1Rect(), c.button1)) << Show(bar.GetButton1Rect());
        EXPECT_TRUE(SameRect(bar.GetButton2Rect(), c.button2)) << Show(bar.GetButton2Rect());
        EXPECT_TRUE(SameRect(bar.GetThumbRect(), c.thumb)) << Show(bar.GetThumbRect());
    }
}

TEST(ScrollBarGeometry, RangeAndPositionAreClampedWithoutOverflow) {
    CScrollBarUI bar;
    bar.SetPos(RECT{0, 0, 16, 100});
    bar.SetScrollPos(80);
    bar.SetScrollRange(50);
    EXPECT_EQ(bar.GetScrollPos(), 50);
    bar.SetScrollPos(-5);
    EXPECT_EQ(bar.GetScrollPos(), 0);
    bar.SetScrollPos(500);
    EXPECT_EQ(bar.GetScrollPos(), 50);
    bar.SetScrollRange(-7);
    EXPECT_EQ(bar.GetScrollRange(), 0);
    EXPECT_EQ(bar.GetScrollPos(), 0);

    bar.SetScrollRange(INT_MAX);
    bar.SetScrollPos(INT_MAX);
    const RECT thumb = bar.GetThumbRect();
    EXPECT_GE(thumb.top, 16);
    EXPECT_EQ(thumb.bottom, 84);
    // stepping past the end of the 32-bit range stays at the end
    bar.SetLineSize(INT_MAX);
    Send(bar, UIEVENT_BUTTONDOWN, 8, 90);
    EXPECT_EQ(bar.GetScrollPos(), INT_MAX);
    Send(bar, UIEVENT_BUTTONUP, 8, 90);
    bar.SetScrollPos(0);
    bar.SetLineSize(INT_MAX);
    Send(bar, UIEVENT_BUTTONDOWN, 8, 5);
    EXPECT_EQ(bar.GetScrollPos(), 0);
}

TEST(ScrollBarInput, DragMovesByTheTrackBetweenShownButtonsOnTheNextTick) {
    struct Case { bool buttons; int range; int drag; int expected; };
    const Case cases[] = {
        // buttons shown: track 68, thumb 34, travel 34: 17 pixels are half the range
        {true, 100, 17, 50},
        // no buttons: track 100, thumb 50, travel 50
        {false, 100, 25, 50},
        // the thumb fills the track: a drag moves nothing (and divides by nothing)
        {true, 0, 30, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buttons);
        CScrollBarUI bar;
        bar.SetShowButton1(c.buttons);
        bar.SetShowButton2(c.buttons);
        bar.SetScrollRange(c.range);
        bar.SetPos(RECT{0, 0, 16, 100});
        const RECT thumb = bar.GetThumbRect();
        Send(bar, UIEVENT_BUTTONDOWN, 8, thumb.top + 1);
        EXPECT_TRUE(bar.GetThumbState() & CScrollBarUI::kStateCaptured);
        Send(bar, UIEVENT_MOUSEMOVE, 8, thumb.top + 1 + c.drag);
        EXPECT_EQ(bar.GetScrollPos(), 0) << "moves only on the timer tick";
        Tick(bar);
        EXPECT_EQ(bar.GetScrollPos(), c.expected);
        Send(bar, UIEVENT_BUTTONUP, 8, thumb.top + 1 + c.drag);
        EXPECT_EQ(bar.GetThumbState() & (CScrollBarUI::kStateCaptured | CScrollBarUI::kStatePushed), 0u);
    }
}

TEST(ScrollBarInput, HeldButtonRepeatsFromTheSixthTickAndNotifiesScroll) {
    ManagerFixture fixture;
    ScrollCounter counter;
    fixture.manager().AddNotifier(&counter);
    CScrollBarUI bar;
    bar.SetManager(&fixture.manager(), nullptr, false);
    bar.SetPos(RECT{0, 0, 16, 100});
    Send(bar, UIEVENT_BUTTONDOWN, 8, 90);
    EXPECT_EQ(bar.GetScrollPos(), 8);
    EXPECT_EQ(counter.scrolls, 1);
    for (int i = 0; i < 5; ++i) Tick(bar);
    EXPECT_EQ(bar.GetScrollPos(), 8);
    EXPECT_EQ(counter.scrolls, 1);
    Tick(bar);
    EXPECT_EQ(bar.GetScrollPos(), 16);
    EXPECT_EQ(counter.scrolls, 2);
    Send(bar, UIEVENT_BUTTONUP, 8, 90);
    EXPECT_EQ(bar.GetButton2State() & CScrollBarUI::kStatePushed, 0u);

    // a click on the rail below the thumb pages down by the bar's length
    Send(bar, UIEVENT_BUTTONDOWN, 8, 80);
    EXPECT_EQ(bar.GetScrollPos(), 100);
    Send(bar, UIEVENT_BUTTONUP, 8, 80);
    Send(bar, UIEVENT_BUTTONDOWN, 8, 20);
    EXPECT_EQ(bar.GetScrollPos(), 0);
    Send(bar, UIEVENT_BUTTONUP, 8, 20);
}

TEST(ScrollBarInput, HeldRailPagesTowardsTheCursorFromTheSixthTick) {
    ManagerFixture fixture;
    CScrollBarUI bar;
    bar.SetManager(&fixture.manager(), nullptr, false);
    bar.SetScrollRange(1000);
    bar.SetPos(RECT{0, 0, 16, 100});
    auto cursorAt = [&fixture](int x, int y) {
        POINT pt = {x, y};
        ::ClientToScreen(fixture.window(), &pt);
        ASSERT_TRUE(::SetCursorPos(pt.x, pt.y));
    };
    cursorAt(8, 80);
    Send(bar, UIEVENT_BUTTONDOWN, 8, 80);  // below the thumb: a page of the bar's length
    EXPECT_EQ(bar.GetScrollPos(), 100);
    for (int i = 0; i < 5; ++i) Tick(bar);
    EXPECT_EQ(bar.GetScrollPos(), 100);
    Tick(bar);
    EXPECT_EQ(bar.GetScrollPos(), 200);
    const RECT thumb = bar.GetThumbRect();
    cursorAt(8, (thumb.top + thumb.bottom) / 2);  // the thumb reached the cursor: no more paging
    Tick(bar);
    EXPECT_EQ(bar.GetScrollPos(), 200);
    cursorAt(8, thumb.top - 2);  // above it: pages back
    Tick(bar);
    EXPECT_EQ(bar.GetScrollPos(), 100);
    Send(bar, UIEVENT_BUTTONUP, 8, 80);
    Tick(bar);
    EXPECT_EQ(bar.GetScrollPos(), 100);
}

TEST(ScrollBarInput, DisablingClearsStatesAndStopsTheRepeatTimer) {
    ManagerFixture fixture;
    CScrollBarUI bar;
    bar.SetManager(&fixture.manager(), nullptr, false);
    bar.SetPos(RECT{0, 0, 16, 100});
    Send(bar, UIEVENT_MOUSEENTER, 8, 30);
    Send(bar, UIEVENT_BUTTONDOWN, 8, 90);
    ASSERT_EQ(fixture.manager().GetTimerCount(), 1);
    EXPECT_FALSE(fixture.manager().GetTimerAt(0)->killed);
    bar.SetEnabled(false);
    EXPECT_EQ(bar.GetButton1State(), 0u);
    EXPECT_EQ(bar.GetButton2State(), 0u);
    EXPECT_EQ(bar.GetThumbState(), 0u);
    EXPECT_TRUE(fixture.manager().GetTimerAt(0)->killed);
    const int before = bar.GetScrollPos();
    Tick(bar);
    Send(bar, UIEVENT_BUTTONDOWN, 8, 90);  // a disabled bar ignores presses
    EXPECT_EQ(bar.GetScrollPos(), before);
}

TEST(ScrollBarPaint, PartsWithoutImagesGetTheDefaultOutline) {
    ManagerFixture fixture;
    Surface surface(40, 120);
    CScrollBarUI bar;
    bar.SetManager(&fixture.manager(), nullptr, false);
    bar.SetPos(RECT{0, 0, 16, 100});
    bar.Paint(surface.dc(), RECT{0, 0, 40, 120});
    EXPECT_EQ(surface.Pixel(0, 0), 0x85E4FFu);   // first button
    EXPECT_EQ(surface.Pixel(8, 8), 0xFFFFFFu);
    EXPECT_EQ(surface.Pixel(15, 99), 0x85E4FFu); // second button
    EXPECT_EQ(surface.Pixel(0, 30), 0x85E4FFu);  // thumb 16..50
    EXPECT_EQ(surface.Pixel(8, 60), 0xFFFFFFu);  // rail
    EXPECT_EQ(surface.Pixel(20, 30), 0xFFFFFFu);

    // attributes set images and flags
    bar.SetAttribute(L"showbutton1", L"false");
    bar.SetAttribute(L"range", L"50");
    bar.SetAttribute(L"value", L"70");
    EXPECT_FALSE(bar.GetShowButton1());
    EXPECT_EQ(bar.GetScrollPos(), 50);
    bar.SetAttribute(L"hor", L"true");
    EXPECT_TRUE(bar.IsHorizontal());
    EXPECT_EQ(bar.GetFixedHeight(), 16);
    EXPECT_EQ(bar.GetFixedWidth(), 0);
}

TEST(ScrollBarPaint, ImagesFollowThePartStateAndFallBackToNormal) {
    ManagerFixture fixture;
    fixture.WriteResource(L"red.png", rendertest::EncodePng(4, 4, rendertest::SolidPixels(4, 4, 0xFFFF0000)));
    fixture.WriteResource(L"blue.png", rendertest::EncodePng(4, 4, rendertest::SolidPixels(4, 4, 0xFF0000FF)));
    fixture.WriteResource(L"green.png", rendertest::EncodePng(4, 4, rendertest::SolidPixels(4, 4, 0xFF00FF00)));
    Surface surface(20, 100);
    CScrollBarUI bar;
    bar.SetManager(&fixture.manager(), nullptr, false);
    bar.ApplyAttributeList(L"thumbnormalimage=\"red.png\" thumbhotimage=\"blue.png\" "
                           L"button1disabledimage=\"green.png\" bknormalimage=\"green.png\"");
    bar.SetPos(RECT{0, 0, 16, 100});
    bar.Paint(surface.dc(), RECT{0, 0, 20, 100});
    EXPECT_EQ(surface.Pixel(8, 30), 0xFF0000u);  // thumb 16..50, normal
    EXPECT_EQ(surface.Pixel(8, 60), 0x00FF00u);  // background over the whole bar
    EXPECT_EQ(surface.Pixel(0, 0), 0x85E4FFu);   // first button: no image for its state

    Send(bar, UIEVENT_MOUSEMOVE, 8, 30);
    EXPECT_TRUE(bar.GetThumbState() & CScrollBarUI::kStateHot);
    bar.Paint(surface.dc(), RECT{0, 0, 20, 100});
    EXPECT_EQ(surface.Pixel(8, 30), 0x0000FFu);
    Send(bar, UIEVENT_MOUSEMOVE, 8, 70);
    EXPECT_FALSE(bar.GetThumbState() & CScrollBarUI::kStateHot);

    bar.SetEnabled(false);  // disabled: the thumb has no disabled image, so the normal one
    surface.Fill(RGB(255, 255, 255));
    bar.Paint(surface.dc(), RECT{0, 0, 20, 100});
    EXPECT_EQ(surface.Pixel(8, 30), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(8, 8), 0x00FF00u);

    // without a manager nothing can be drawn: the strings are dropped and the outline drawn
    CScrollBarUI bare;
    bare.SetThumbNormalImage(L"red.png");
    bare.SetPos(RECT{0, 0, 16, 100});
    surface.Fill(RGB(255, 255, 255));
    bare.Paint(surface.dc(), RECT{0, 0, 20, 100});
    EXPECT_EQ(surface.Pixel(0, 30), 0x85E4FFu);
}
