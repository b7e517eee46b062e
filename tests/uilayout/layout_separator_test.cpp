// Separators of the vertical and horizontal layouts: the band, the control flags, the cursor,
// and dragging with synthesized mouse messages in drag-band and immediate mode, within the
// layout's size limits. The real pointer is moved off the windows first (LOCKS pointer).
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "layout_test_support.h"
#include "uicore_test_util.h"

using namespace UIToolkit;
using namespace layouttest;

TEST(Separator, BandLiesAlongTheChosenEdge) {
    struct Case {
        bool horizontal;
        int size;
        RECT item;
        std::string band;
    };
    const Case cases[] = {
        {false, 4, {0, 0, 50, 100}, Text(0, 96, 50, 100)},
        {false, -4, {0, 0, 50, 100}, Text(0, 0, 50, 4)},
        {false, 150, {0, 10, 50, 100}, Text(0, 10, 50, 100)},    // clipped to the layout
        {false, -150, {0, 10, 50, 100}, Text(0, 10, 50, 100)},
        {false, 0, {0, 0, 50, 100}, Text(0, 100, 50, 100)},
        {true, 4, {0, 0, 100, 50}, Text(96, 0, 100, 50)},
        {true, -4, {0, 0, 100, 50}, Text(0, 0, 4, 50)},
        {true, 150, {10, 0, 100, 50}, Text(-50, 0, 100, 50)},    // the horizontal band is not clipped
        // Sizes near the integer limits do not wrap round.
        {false, INT_MAX, {0, 10, 50, 100}, Text(0, 10, 50, 100)},
        {false, -INT_MAX, {0, 10, 50, 100}, Text(0, 10, 50, 100)},
        {true, -INT_MAX, {10, 0, 100, 50}, Text(10, 0, INT_MAX, 50)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.horizontal << " " << c.size);
        if (c.horizontal) {
            CHorizontalLayoutUI layout;
            layout.SetSepWidth(c.size);
            layout.SetPos(c.item);
            EXPECT_EQ(c.band, Text(layout.GetSeparatorRect(false)));
            EXPECT_EQ(c.band, Text(layout.GetSeparatorRect(true)));   // no drag: the item rectangle
        } else {
            CVerticalLayoutUI layout;
            layout.SetSepHeight(c.size);
            layout.SetPos(c.item);
            EXPECT_EQ(c.band, Text(layout.GetSeparatorRect(false)));
            EXPECT_EQ(c.band, Text(layout.GetSeparatorRect(true)));
        }
    }
}

TEST(Separator, WantsTheCursorOnlyWithABandWhenEnabled) {
    CVerticalLayoutUI vertical;
    CHorizontalLayoutUI horizontal;
    EXPECT_EQ(0u, vertical.GetControlFlags());
    EXPECT_EQ(0u, horizontal.GetControlFlags());
    vertical.SetSepHeight(-3);
    horizontal.SetSepWidth(3);
    EXPECT_EQ(static_cast<UINT>(UIFLAG_SETCURSOR), vertical.GetControlFlags());
    EXPECT_EQ(static_cast<UINT>(UIFLAG_SETCURSOR), horizontal.GetControlFlags());
    vertical.SetEnabled(false);
    horizontal.SetEnabled(false);
    EXPECT_EQ(0u, vertical.GetControlFlags());
    EXPECT_EQ(0u, horizontal.GetControlFlags());
}

TEST(Separator, SetsTheSizingCursorOverTheBand) {
    struct Case {
        bool horizontal;
        POINT pt;
        LPCWSTR cursor;
    };
    const Case cases[] = {
        {false, {10, 98}, IDC_SIZENS},
        {false, {10, 50}, IDC_ARROW},
        {true, {98, 10}, IDC_SIZEWE},
        {true, {50, 10}, IDC_ARROW},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.horizontal << " " << c.pt.x << "," << c.pt.y);
        CVerticalLayoutUI vertical;
        CHorizontalLayoutUI horizontal;
        CContainerUI* layout = c.horizontal ? static_cast<CContainerUI*>(&horizontal) : &vertical;
        vertical.SetSepHeight(4);
        horizontal.SetSepWidth(4);
        layout->SetPos(RECT{0, 0, 100, 100});
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        UIEvent event = {};
        event.type = UIEVENT_SETCURSOR;
        event.ptMouse = c.pt;
        layout->HandleEvent(event);
        EXPECT_EQ(::LoadCursorW(nullptr, c.cursor), ::GetCursor());
    }
}

TEST(Separator, DrawsTheDragBandTranslucent) {
    CVerticalLayoutUI layout;
    layout.SetSepHeight(4);
    layout.SetPos(RECT{0, 0, 20, 20});
    uitest::Canvas canvas(30, 40);
    // No drag: nothing drawn.
    layout.PostPaint(canvas.dc(), RECT{0, 0, 30, 40});
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(5, 18) & 0xFFFFFF);

    UIEvent event = {};
    event.type = UIEVENT_BUTTONDOWN;
    event.ptMouse = POINT{5, 18};
    layout.HandleEvent(event);
    ASSERT_TRUE(layout.IsSeparatorDragging());
    event.type = UIEVENT_MOUSEMOVE;
    event.ptMouse = POINT{5, 28};
    layout.HandleEvent(event);
    layout.PostPaint(canvas.dc(), RECT{0, 0, 30, 40});
    // The band of the new rectangle (26..30) is darkened by 0xAA black; the layout's own band
    // is left alone.
    EXPECT_EQ(0x555555u, canvas.Pixel(5, 27) & 0xFFFFFF);
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(5, 18) & 0xFFFFFF);
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(5, 31) & 0xFFFFFF);
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(25, 27) & 0xFFFFFF);

    // In immediate mode no band is drawn.
    uitest::Canvas second(30, 40);
    layout.SetSepImmMode(true);
    layout.PostPaint(second.dc(), RECT{0, 0, 30, 40});
    EXPECT_EQ(0xFFFFFFu, second.Pixel(5, 27) & 0xFFFFFF);
}

namespace {

// A shown window whose root arranges a resizable pane (fixed size 100, separator 4) and a
// filler that takes the rest; the pane is vertical or horizontal, as is the root.
class SeparatorDragTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        ASSERT_NE(nullptr, window.CreateShown(200, 200));
        horizontal = GetParam();
        if (horizontal) {
            CHorizontalLayoutUI* root = new CHorizontalLayoutUI;
            CHorizontalLayoutUI* p = new CHorizontalLayoutUI;
            p->SetSepWidth(4);
            p->SetFixedWidth(100);
            root->Add(p);
            rootLayout = root;
            pane = p;
        } else {
            CVerticalLayoutUI* root = new CVerticalLayoutUI;
            CVerticalLayoutUI* p = new CVerticalLayoutUI;
            p->SetSepHeight(4);
            p->SetFixedHeight(100);
            root->Add(p);
            rootLayout = root;
            pane = p;
        }
        filler = new Leaf(L"filler");
        rootLayout->Add(filler);
        rootLayout->SetBkColor(0xFFFFFFFF);
        ASSERT_TRUE(window.pm.AttachRoot(rootLayout));
        Paint();
    }

    void TearDown() override {
        if (window.GetHWND() != nullptr) ::DestroyWindow(window.GetHWND());
        uitest::Pump();
    }

    void Paint() {
        ::InvalidateRect(window.GetHWND(), nullptr, FALSE);
        ::UpdateWindow(window.GetHWND());
    }

    // Sends a mouse message at a distance along the drag axis (the other coordinate is 10).
    void Mouse(UINT message, int along) {
        const LPARAM lParam = horizontal ? MAKELPARAM(along, 10) : MAKELPARAM(10, along);
        ::SendMessageW(window.GetHWND(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, lParam);
    }

    // The pane's extent along the drag axis: "start..end".
    std::string Extent(const RECT& rc) const {
        return horizontal ? std::to_string(rc.left) + ".." + std::to_string(rc.right)
                          : std::to_string(rc.top) + ".." + std::to_string(rc.bottom);
    }
    // The window's pixel at a distance along the drag axis (0xRRGGBB).
    COLORREF ScreenPixel(int along) const {
        HDC dc = ::GetDC(window.GetHWND());
        const COLORREF color = horizontal ? ::GetPixel(dc, along, 10) : ::GetPixel(dc, 10, along);
        ::ReleaseDC(window.GetHWND(), dc);
        return color;
    }
    std::string PaneExtent() const { return Extent(pane->GetPos()); }
    std::string FillerExtent() const { return Extent(filler->GetPos()); }
    int PaneFixed() const { return horizontal ? pane->GetFixedWidth() : pane->GetFixedHeight(); }
    bool Dragging() const {
        return horizontal ? static_cast<CHorizontalLayoutUI*>(pane)->IsSeparatorDragging()
                          : static_cast<CVerticalLayoutUI*>(pane)->IsSeparatorDragging();
    }
    void SetImmediate(bool immediate) {
        if (horizontal) {
            static_cast<CHorizontalLayoutUI*>(pane)->SetSepImmMode(immediate);
        } else {
            static_cast<CVerticalLayoutUI*>(pane)->SetSepImmMode(immediate);
        }
    }
    void SetSeparator(int size) {
        if (horizontal) {
            static_cast<CHorizontalLayoutUI*>(pane)->SetSepWidth(size);
        } else {
            static_cast<CVerticalLayoutUI*>(pane)->SetSepHeight(size);
        }
    }
    void SetLimits(int minimum, int maximum) {
        if (horizontal) {
            pane->SetMinWidth(minimum);
            pane->SetMaxWidth(maximum);
        } else {
            pane->SetMinHeight(minimum);
            pane->SetMaxHeight(maximum);
        }
    }

    uitest::TestWindow window;
    bool horizontal = false;
    CContainerUI* rootLayout = nullptr;
    CContainerUI* pane = nullptr;
    Leaf* filler = nullptr;
};

}  // namespace

TEST_P(SeparatorDragTest, DragBandResizesOnRelease) {
    ASSERT_EQ("0..100", PaneExtent());
    ASSERT_EQ("100..200", FillerExtent());
    ASSERT_EQ(RGB(255, 255, 255), ScreenPixel(119));
    Mouse(WM_LBUTTONDOWN, 98);
    EXPECT_TRUE(Dragging());
    Mouse(WM_MOUSEMOVE, 120);
    ::UpdateWindow(window.GetHWND());
    // Until the release only the band moves, drawn over the window where the edge will go;
    // the fixed size already holds the new one.
    EXPECT_EQ(RGB(0x55, 0x55, 0x55), ScreenPixel(119));
    EXPECT_EQ(RGB(255, 255, 255), ScreenPixel(116));
    EXPECT_EQ("0..100", PaneExtent());
    EXPECT_EQ("100..200", FillerExtent());
    EXPECT_EQ(122, PaneFixed());
    Mouse(WM_LBUTTONUP, 120);
    EXPECT_FALSE(Dragging());
    Paint();
    EXPECT_EQ(RGB(255, 255, 255), ScreenPixel(119));
    EXPECT_EQ("0..122", PaneExtent());
    EXPECT_EQ("122..200", FillerExtent());
}

TEST_P(SeparatorDragTest, ImmediateModeResizesAtEveryMove) {
    SetImmediate(true);
    Mouse(WM_LBUTTONDOWN, 98);
    Mouse(WM_MOUSEMOVE, 90);
    EXPECT_EQ("0..92", PaneExtent());
    Paint();
    EXPECT_EQ("92..200", FillerExtent());
    Mouse(WM_MOUSEMOVE, 110);
    Paint();
    EXPECT_EQ("0..112", PaneExtent());
    EXPECT_EQ("112..200", FillerExtent());
    Mouse(WM_LBUTTONUP, 110);
    Paint();
    EXPECT_EQ("0..112", PaneExtent());
}

TEST_P(SeparatorDragTest, TheEdgeFollowsSmallStepsFromInsideTheBand) {
    SetImmediate(true);
    Mouse(WM_LBUTTONDOWN, 97);
    for (int along = 98; along <= 102; ++along) Mouse(WM_MOUSEMOVE, along);
    EXPECT_EQ("0..105", PaneExtent());
    for (int along = 101; along >= 95; --along) Mouse(WM_MOUSEMOVE, along);
    EXPECT_EQ("0..98", PaneExtent());
    Mouse(WM_LBUTTONUP, 95);
}

TEST_P(SeparatorDragTest, SizeLimitsStopTheEdge) {
    SetLimits(90, 110);
    SetImmediate(true);
    Mouse(WM_LBUTTONDOWN, 98);
    Mouse(WM_MOUSEMOVE, 150);
    EXPECT_EQ("0..110", PaneExtent());
    EXPECT_EQ(110, PaneFixed());
    // Coming back from past the limit: nothing moves until the pointer is over the band again.
    Mouse(WM_MOUSEMOVE, 140);
    Mouse(WM_MOUSEMOVE, 111);
    EXPECT_EQ("0..110", PaneExtent());
    Mouse(WM_MOUSEMOVE, 108);
    EXPECT_EQ("0..107", PaneExtent());
    Mouse(WM_MOUSEMOVE, 10);
    EXPECT_EQ("0..90", PaneExtent());
    EXPECT_EQ(90, PaneFixed());
    Mouse(WM_MOUSEMOVE, 5);
    EXPECT_EQ("0..90", PaneExtent());
    Mouse(WM_LBUTTONUP, 5);
    Paint();
    EXPECT_EQ("0..90", PaneExtent());
    EXPECT_EQ("90..200", FillerExtent());
}

TEST_P(SeparatorDragTest, NeverShrinksBelowNothing) {
    SetImmediate(true);
    Mouse(WM_LBUTTONDOWN, 98);
    Mouse(WM_MOUSEMOVE, -300);
    EXPECT_EQ("0..0", PaneExtent());
    EXPECT_EQ(0, PaneFixed());
    Mouse(WM_LBUTTONUP, -300);
}

TEST_P(SeparatorDragTest, NearEdgeBandMovesTheNearEdge) {
    SetSeparator(-4);
    SetImmediate(true);
    Mouse(WM_LBUTTONDOWN, 98);   // the far edge is no band now
    EXPECT_FALSE(Dragging());
    Mouse(WM_LBUTTONUP, 98);
    Mouse(WM_LBUTTONDOWN, 2);
    ASSERT_TRUE(Dragging());
    Mouse(WM_MOUSEMOVE, 12);
    EXPECT_EQ("10..100", PaneExtent());
    EXPECT_EQ(90, PaneFixed());
    Mouse(WM_LBUTTONUP, 12);
    Paint();
    // The parent places the pane, now 90, at its start again.
    EXPECT_EQ("0..90", PaneExtent());
}

TEST_P(SeparatorDragTest, OutsideTheBandOrDisabledNoDrag) {
    Mouse(WM_LBUTTONDOWN, 50);
    EXPECT_FALSE(Dragging());
    Mouse(WM_LBUTTONUP, 50);
    pane->SetEnabled(false);
    Mouse(WM_LBUTTONDOWN, 98);
    EXPECT_FALSE(Dragging());
    Mouse(WM_LBUTTONUP, 98);
    EXPECT_EQ(100, PaneFixed());
}

TEST_P(SeparatorDragTest, SwitchingToImmediateMidDragStopsTheBand) {
    Mouse(WM_LBUTTONDOWN, 98);
    Mouse(WM_MOUSEMOVE, 120);
    SetImmediate(true);
    Mouse(WM_MOUSEMOVE, 130);
    EXPECT_EQ("0..132", PaneExtent());
    Mouse(WM_LBUTTONUP, 130);
    Paint();
    EXPECT_EQ("132..200", FillerExtent());
}

TEST_P(SeparatorDragTest, TheLayoutIsListedForPostPaintOnlyWhileItDrawsABand) {
    CWindowManagerUI& pm = window.pm;
    Mouse(WM_LBUTTONDOWN, 98);
    Mouse(WM_MOUSEMOVE, 110);
    // A second button-down on the band restarts the drag; the layout is listed once.
    Mouse(WM_LBUTTONDOWN, 98);
    EXPECT_TRUE(Dragging());
    EXPECT_TRUE(pm.RemovePostPaint(pane));
    EXPECT_FALSE(pm.RemovePostPaint(pane));
    ASSERT_TRUE(pm.AddPostPaint(pane));
    // Switching to immediate mode takes it off the list; the release finds nothing to take off.
    SetImmediate(true);
    EXPECT_FALSE(pm.RemovePostPaint(pane));
    Mouse(WM_LBUTTONUP, 110);
    EXPECT_FALSE(Dragging());
    EXPECT_FALSE(pm.RemovePostPaint(pane));
    // A plain drag-band drag is listed until its release.
    Paint();
    const RECT rc = pane->GetPos();
    const int band = (horizontal ? rc.right : rc.bottom) - 2;
    SetImmediate(false);
    Mouse(WM_LBUTTONDOWN, band);
    ASSERT_TRUE(Dragging());
    Mouse(WM_LBUTTONUP, band);
    EXPECT_FALSE(pm.RemovePostPaint(pane));
}

INSTANTIATE_TEST_SUITE_P(Axes, SeparatorDragTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Horizontal" : "Vertical");
                         });

namespace {

// Drives a separator drag on a layout without a window: events go straight to the layout.
struct LimitCase {
    const char* name;
    int minimum, maximum;   // the layout's limits along the drag axis
    int to;                 // the pointer goes from 98 (inside the band) to here
    std::string extent;     // the layout's extent afterwards
    int fixed;              // its fixed size afterwards
};

void SetSeparator(CVerticalLayoutUI& layout, int size) { layout.SetSepHeight(size); }
void SetSeparator(CHorizontalLayoutUI& layout, int size) { layout.SetSepWidth(size); }

template <typename Layout>
void CheckLimit(const LimitCase& c, bool horizontal) {
    SCOPED_TRACE(testing::Message() << c.name << (horizontal ? " horizontal" : " vertical"));
    Layout layout;
    SetSeparator(layout, 4);
    if (horizontal) {
        layout.SetMinWidth(c.minimum);
        layout.SetMaxWidth(c.maximum);
    } else {
        layout.SetMinHeight(c.minimum);
        layout.SetMaxHeight(c.maximum);
    }
    layout.SetSepImmMode(true);
    layout.SetPos(RECT{0, 0, 100, 100});
    auto at = [&](int along) { return horizontal ? POINT{along, 10} : POINT{10, along}; };
    UIEvent event = {};
    event.type = UIEVENT_BUTTONDOWN;
    event.ptMouse = at(98);
    layout.HandleEvent(event);
    ASSERT_TRUE(layout.IsSeparatorDragging());
    event.type = UIEVENT_MOUSEMOVE;
    event.ptMouse = at(c.to);
    layout.HandleEvent(event);
    const RECT rc = layout.GetPos();
    EXPECT_EQ(c.extent, horizontal ? std::to_string(rc.left) + ".." + std::to_string(rc.right)
                                   : std::to_string(rc.top) + ".." + std::to_string(rc.bottom));
    EXPECT_EQ(c.fixed, horizontal ? layout.GetFixedWidth() : layout.GetFixedHeight());
    event.type = UIEVENT_BUTTONUP;
    layout.HandleEvent(event);
    EXPECT_FALSE(layout.IsSeparatorDragging());
}

}  // namespace

TEST(Separator, ALayoutOutsideItsLimitsIsNotPulledAgainstTheDrag) {
    // The layouts are 100 long; the edge is at 100 and the pointer starts at 98.
    const LimitCase cases[] = {
        {"within the limits", 0, 9999, 90, "0..92", 92},
        {"stops at the minimum", 95, 9999, 50, "0..95", 95},
        {"stops at the maximum", 0, 105, 150, "0..105", 105},
        // Already below its minimum: shrinking further leaves it as it is (not grown to the
        // minimum), and so does growing that stays below the minimum.
        {"below the minimum, shrinking", 120, 9999, 93, "0..100", 0},
        {"below the minimum, growing too little", 120, 9999, 110, "0..100", 0},
        {"below the minimum, growing past it", 120, 9999, 130, "0..132", 132},
        // Already above its maximum: growing leaves it as it is (not shrunk to the maximum).
        {"above the maximum, growing", 0, 80, 103, "0..100", 0},
        {"above the maximum, shrinking too little", 0, 80, 90, "0..100", 0},
        {"above the maximum, shrinking past it", 0, 80, 60, "0..62", 62},
    };
    for (const LimitCase& c : cases) {
        CheckLimit<CVerticalLayoutUI>(c, false);
        CheckLimit<CHorizontalLayoutUI>(c, true);
    }
}
