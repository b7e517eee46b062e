// Tile layout (columns, cells, rows, centring) and dialog layout (design positions, stretch
// groups, the child area and its estimate).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout_test_support.h"

using namespace UIToolkit;
using namespace layouttest;

// ---------------------------------------------------------------------------------------------
// Tile layout

TEST(TileLayout, ColumnsFollowTheItemWidth) {
    struct Case {
        int layoutWidth;
        RECT inset;
        int itemWidth;
        int columnsAttribute;
        int expectedColumns;
        int expectedCellWidth;
    };
    const Case cases[] = {
        {350, {0, 0, 0, 0}, 100, 0, 3, 116},
        {350, {0, 0, 0, 0}, 0, 0, 1, 350},        // no item width: the default single column
        {350, {0, 0, 0, 0}, 0, 2, 2, 175},        // no item width: "columns" holds
        {350, {0, 0, 0, 0}, 100, 5, 3, 116},      // the item width overrides "columns"
        {60, {0, 0, 0, 0}, 100, 0, 1, 60},        // narrower than one item: still one column
        {50, {100, 0, 100, 0}, 100, 0, 1, 0},     // inset wider than the layout: no negative count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layoutWidth << " item " << c.itemWidth);
        CTileLayoutUI tile;
        tile.SetInset(c.inset);
        if (c.columnsAttribute > 0) tile.SetColumns(c.columnsAttribute);
        tile.SetItemSize(SIZE{c.itemWidth, 0});
        std::vector<Leaf*> leaves = AddLeaves(tile, {Sized(0, 20), Sized(0, 20)});
        tile.SetPos(RECT{0, 0, c.layoutWidth, 200});
        EXPECT_EQ(c.expectedColumns, tile.GetColumns());
        EXPECT_EQ(c.expectedCellWidth, leaves[0]->GetWidth());
        EXPECT_GE(leaves[0]->GetWidth(), 0);
    }
}

TEST(TileLayout, PlacesChildrenInCellsRowByRow) {
    CTileLayoutUI tile;
    tile.SetColumns(3);
    std::vector<Leaf*> leaves = AddLeaves(tile, {Sized(0, 20), Sized(50, 40), Sized(0, 0), Sized(30, 10)});
    tile.SetPos(RECT{0, 0, 300, 200});
    // Row 1 is 40 high (its highest child); children without a size fill their cell, the others
    // are centred in it.
    EXPECT_EQ(Text(0, 10, 100, 30), Text(leaves[0]->GetPos()));
    EXPECT_EQ(Text(125, 0, 175, 40), Text(leaves[1]->GetPos()));
    EXPECT_EQ(Text(200, 0, 300, 40), Text(leaves[2]->GetPos()));
    // Row 2 starts at the left below row 1 and is as high as its only child.
    EXPECT_EQ(Text(35, 40, 65, 50), Text(leaves[3]->GetPos()));
}

TEST(TileLayout, ChildPaddingSeparatesCellsAndRows) {
    CTileLayoutUI tile;
    tile.SetColumns(2);
    tile.SetChildPadding(10);
    std::vector<Leaf*> leaves = AddLeaves(tile, {Sized(0, 20), Sized(0, 20), Sized(0, 20), Sized(0, 20)});
    tile.SetPos(RECT{0, 0, 200, 200});
    // Half the padding comes off each side that faces the other column.
    EXPECT_EQ(Text(0, 0, 95, 20), Text(leaves[0]->GetPos()));
    EXPECT_EQ(Text(105, 0, 200, 20), Text(leaves[1]->GetPos()));
    EXPECT_EQ(Text(0, 30, 95, 50), Text(leaves[2]->GetPos()));
    EXPECT_EQ(Text(105, 30, 200, 50), Text(leaves[3]->GetPos()));
}

TEST(TileLayout, MarginsLimitsHiddenAndFloatChildren) {
    CTileLayoutUI tile;
    tile.SetColumns(2);
    Child limited = Sized(0, 0);
    limited.maxWidth = 40;
    limited.minHeight = 30;
    Child hidden = Sized(0, 20);
    hidden.visible = false;
    Child floating = Sized(10, 10);
    floating.isFloat = true;
    floating.floatXY = SIZE{5, 6};
    std::vector<Leaf*> leaves = AddLeaves(tile, {Padded(Sized(0, 20), RECT{10, 5, 10, 5}), hidden, floating, limited});
    leaves[1]->SetPos(RECT{-1, -1, -1, -1});
    tile.SetPos(RECT{0, 0, 200, 100});
    // Row: max(20 + 10, 30) = 30. The margins shrink the first cell to 10..90 and its top to 5.
    EXPECT_EQ(Text(10, 7, 90, 27), Text(leaves[0]->GetPos()));
    EXPECT_EQ(Text(-1, -1, -1, -1), Text(leaves[1]->GetPos()));
    EXPECT_EQ(Text(5, 6, 15, 16), Text(leaves[2]->GetPos()));
    EXPECT_EQ(Text(130, 0, 170, 30), Text(leaves[3]->GetPos()));
}

TEST(TileLayout, ShowsItsScrollBarWhenTheRowsOverflow) {
    CTileLayoutUI tile;
    tile.EnableScrollBars(true, false);
    tile.SetColumns(2);
    std::vector<Leaf*> leaves = AddLeaves(tile, {Sized(0, 30), Sized(0, 30), Sized(0, 30), Sized(0, 30), Sized(0, 30)});
    // Three rows of 30 need 90.
    tile.SetPos(RECT{0, 0, 100, 90});
    CScrollBarUI* bar = tile.GetVerticalScrollBar();
    EXPECT_FALSE(bar->IsVisible());
    tile.SetPos(RECT{0, 0, 100, 80});
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(10, bar->GetScrollRange());
    const int cell = (100 - bar->GetFixedWidth()) / 2;
    EXPECT_EQ(Text(cell, 30, 2 * cell, 60), Text(leaves[3]->GetPos()));
    tile.SetScrollPos(SIZE{0, 10});
    tile.SetPos(RECT{0, 0, 100, 80});
    EXPECT_EQ(Text(0, 50, cell, 80), Text(leaves[4]->GetPos()));
}

TEST(TileLayout, HorizontalBarWidensAndShiftsTheCells) {
    CTileLayoutUI tile;
    tile.EnableScrollBars(false, true);
    CScrollBarUI* bar = tile.GetHorizontalScrollBar();
    ASSERT_TRUE(bar->IsVisible());
    bar->SetScrollRange(100);
    bar->SetScrollPos(30);
    tile.SetColumns(2);
    std::vector<Leaf*> leaves = AddLeaves(tile, {Sized(0, 20), Sized(0, 20)});
    tile.SetPos(RECT{0, 0, 200, 100});
    // Cells of (200 + 100) / 2, starting 30 to the left; the bar keeps the bottom.
    EXPECT_EQ(Text(-30, 0, 120, 20), Text(leaves[0]->GetPos()));
    EXPECT_EQ(Text(120, 0, 270, 20), Text(leaves[1]->GetPos()));
    EXPECT_EQ(Text(0, 100 - bar->GetFixedHeight(), 200, 100), Text(bar->GetPos()));
}

TEST(TileLayout, RowHeightsAskEachChildForItsShareOfTheRow) {
    struct Case {
        const char* name;
        int columns;
        int childPadding;
        std::vector<int> offered;   // the width each child is offered when its row is measured
    };
    // Cells are 300 / columns wide; every child has margins of 1 on the left and 2 on the right.
    const Case cases[] = {
        // The ends of a row lose half the child padding, the children between lose all of it.
        {"three columns", 3, 5, {95, 92, 95, 95}},
        {"one column", 1, 6, {294, 294, 294, 294}},
        {"no padding", 2, 0, {147, 147, 147, 147}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTileLayoutUI tile;
        tile.SetColumns(c.columns);
        tile.SetChildPadding(c.childPadding);
        std::vector<Leaf*> leaves;
        for (int i = 0; i < 4; ++i) {
            leaves.push_back(MakeLeaf(Padded(Sized(0, 20), RECT{1, 0, 2, 0})));
            tile.Add(leaves.back());
        }
        tile.SetPos(RECT{0, 0, 300, 300});
        for (size_t i = 0; i < leaves.size(); ++i) {
            SCOPED_TRACE(i);
            // Asked first while its row is measured, then for its cell.
            ASSERT_EQ(2u, leaves[i]->asked.size());
            EXPECT_EQ(c.offered[i], leaves[i]->asked[0].cx);
            EXPECT_EQ(9999, leaves[i]->asked[0].cy);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Dialog layout

namespace {

Leaf* AddDesigned(CDialogLayoutUI& dialog, int x, int y, int width, int height, UINT mode = 0) {
    Leaf* leaf = new Leaf;
    leaf->SetFixedXY(SIZE{x, y});
    leaf->SetFixedWidth(width);
    leaf->SetFixedHeight(height);
    dialog.Add(leaf);
    if (mode != 0) {
        EXPECT_TRUE(dialog.SetStretchMode(leaf, mode));
    }
    return leaf;
}

}  // namespace

TEST(DialogLayout, StretchesGroupsByTheExtraRoom) {
    struct Case {
        const char* name;
        int width, height;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        // The design area is 90 x 70: a layout of that size keeps the design.
        {"design size", 90, 70,
         {Text(0, 0, 40, 20), Text(50, 0, 90, 20), Text(0, 30, 20, 50), Text(30, 30, 50, 50), Text(60, 30, 90, 50),
          Text(0, 60, 20, 70)}},
        // Smaller than the design: nothing shrinks.
        {"smaller", 60, 40,
         {Text(0, 0, 40, 20), Text(50, 0, 90, 20), Text(0, 30, 20, 50), Text(30, 30, 50, 50), Text(60, 30, 90, 50),
          Text(0, 60, 20, 70)}},
        // 60 extra width. First group: one sizer follows its head (n = 1), so the head widens
        // by 60 and the second entry moves past it and widens by 60 as well. Second group: two
        // sizers follow (n = 2), 30 each, every one moving past those before it. The line
        // entry starts again without a move.
        {"grown", 150, 90,
         {Text(0, 0, 100, 20), Text(110, 0, 210, 20), Text(0, 30, 50, 50), Text(60, 30, 110, 50), Text(120, 30, 180, 50),
          Text(0, 60, 20, 70)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDialogLayoutUI dialog;
        std::vector<Leaf*> leaves;
        leaves.push_back(AddDesigned(dialog, 0, 0, 40, 20, UISTRETCH_NEWGROUP | UISTRETCH_SIZE_X));
        leaves.push_back(AddDesigned(dialog, 50, 0, 40, 20, UISTRETCH_SIZE_X | UISTRETCH_MOVE_X));
        leaves.push_back(AddDesigned(dialog, 0, 30, 20, 20, UISTRETCH_NEWGROUP | UISTRETCH_SIZE_X));
        leaves.push_back(AddDesigned(dialog, 30, 30, 20, 20, UISTRETCH_SIZE_X | UISTRETCH_MOVE_X));
        leaves.push_back(AddDesigned(dialog, 60, 30, 30, 20, UISTRETCH_SIZE_X | UISTRETCH_MOVE_X));
        leaves.push_back(AddDesigned(dialog, 0, 60, 20, 10, UISTRETCH_NEWLINE | UISTRETCH_MOVE_X | UISTRETCH_MOVE_Y));
        dialog.SetPos(RECT{0, 0, c.width, c.height});
        for (size_t i = 0; i < leaves.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(c.expected[i], Text(leaves[i]->GetPos()));
        }
    }
}

TEST(DialogLayout, StretchesDownwardAndKeepsSizeLimits) {
    CDialogLayoutUI dialog;
    Leaf* grower = AddDesigned(dialog, 0, 0, 20, 20, UISTRETCH_NEWGROUP | UISTRETCH_SIZE_Y);
    Leaf* follower = AddDesigned(dialog, 0, 30, 20, 20, UISTRETCH_MOVE_Y);
    dialog.SetPos(RECT{0, 0, 20, 80});
    EXPECT_EQ(Text(0, 0, 20, 50), Text(grower->GetPos()));
    EXPECT_EQ(Text(0, 60, 20, 80), Text(follower->GetPos()));

    grower->SetMaxHeight(40);
    dialog.SetPos(RECT{0, 0, 20, 80});
    EXPECT_EQ(Text(0, 0, 20, 40), Text(grower->GetPos()));
    EXPECT_EQ(Text(0, 60, 20, 80), Text(follower->GetPos()));
}

TEST(DialogLayout, KeepsTheArrangementsShapeAtTheLayoutsCorner) {
    CDialogLayoutUI dialog;
    dialog.SetInset(RECT{5, 6, 0, 0});
    Leaf* first = AddDesigned(dialog, 10, 10, 20, 20);      // no stretch mode: a group of its own
    Leaf* second = AddDesigned(dialog, 40, 15, 10, 10);
    Child floating = Sized(8, 8);
    floating.isFloat = true;
    floating.floatXY = SIZE{1, 2};
    Leaf* floater = MakeLeaf(floating);
    dialog.Add(floater);
    dialog.SetPos(RECT{100, 200, 300, 400});
    EXPECT_EQ(Text(105, 206, 125, 226), Text(first->GetPos()));
    EXPECT_EQ(Text(135, 211, 145, 221), Text(second->GetPos()));
    EXPECT_EQ(Text(101, 202, 109, 210), Text(floater->GetPos()));
    // Every child has an entry now, in child order.
    ASSERT_EQ(3, dialog.GetStretchEntryCount());
    EXPECT_EQ(first, dialog.GetStretchEntryAt(0)->control);
    EXPECT_EQ(static_cast<UINT>(UISTRETCH_NEWGROUP), dialog.GetStretchEntryAt(1)->mode);
    EXPECT_EQ(nullptr, dialog.GetStretchEntryAt(3));
    EXPECT_EQ(nullptr, dialog.GetStretchEntryAt(-1));
}

TEST(DialogLayout, DropsEntriesOfRemovedChildren) {
    CDialogLayoutUI dialog;
    dialog.SetDelayedDestroy(false);
    Leaf* a = AddDesigned(dialog, 0, 0, 10, 10, UISTRETCH_NEWGROUP | UISTRETCH_SIZE_X);
    Leaf* b = AddDesigned(dialog, 20, 0, 10, 10, UISTRETCH_MOVE_X);
    Leaf* c = AddDesigned(dialog, 40, 0, 10, 10, UISTRETCH_MOVE_X | UISTRETCH_SIZE_Y);
    EXPECT_FALSE(dialog.SetStretchMode(nullptr, UISTRETCH_MOVE_X));
    ASSERT_TRUE(dialog.Remove(b));
    dialog.SetPos(RECT{0, 0, 100, 10});
    ASSERT_EQ(2, dialog.GetStretchEntryCount());
    EXPECT_EQ(a, dialog.GetStretchEntryAt(0)->control);
    EXPECT_EQ(c, dialog.GetStretchEntryAt(1)->control);
    EXPECT_EQ(static_cast<UINT>(UISTRETCH_MOVE_X | UISTRETCH_SIZE_Y), dialog.GetStretchEntryAt(1)->mode);
    // Area 50 wide in 100: the head takes the 50 extra and the other moves past it.
    EXPECT_EQ(Text(0, 0, 60, 10), Text(a->GetPos()));
    EXPECT_EQ(Text(90, 0, 100, 10), Text(c->GetPos()));
}

TEST(DialogLayout, AGroupStartsAtTheFirstPlacedEntry) {
    CDialogLayoutUI dialog;
    Leaf* hidden = AddDesigned(dialog, 0, 0, 10, 10, UISTRETCH_NEWGROUP | UISTRETCH_SIZE_X);
    hidden->SetVisible(false);
    Leaf* first = AddDesigned(dialog, 0, 0, 10, 10, UISTRETCH_SIZE_X);
    Leaf* second = AddDesigned(dialog, 20, 0, 10, 10, UISTRETCH_MOVE_X);
    dialog.SetPos(RECT{0, 0, 60, 10});
    // Area 30 wide in 60: the first placed entry heads the group and takes all 30.
    EXPECT_EQ(Text(0, 0, 40, 10), Text(first->GetPos()));
    EXPECT_EQ(Text(50, 0, 60, 10), Text(second->GetPos()));
}

TEST(DialogLayout, EstimatesTheChildArea) {
    CDialogLayoutUI dialog;
    EXPECT_EQ(0, dialog.EstimateSize(SIZE{100, 100}).cx);
    Leaf* a = AddDesigned(dialog, 10, 20, 30, 40);
    AddDesigned(dialog, 50, 5, 10, 10);
    SIZE size = dialog.EstimateSize(SIZE{20, 20});
    EXPECT_EQ(50, size.cx);
    EXPECT_EQ(55, size.cy);
    // With a vertical bar the estimate is no larger than the room offered.
    dialog.EnableScrollBars(true, false);
    size = dialog.EstimateSize(SIZE{20, 30});
    EXPECT_EQ(20, size.cx);
    EXPECT_EQ(30, size.cy);
    // Nothing visible covers nothing (not a negative area).
    dialog.EnableScrollBars(false, false);
    a->SetVisible(false);
    dialog.GetItemAt(1)->SetVisible(false);
    size = dialog.EstimateSize(SIZE{100, 100});
    EXPECT_EQ(0, size.cx);
    EXPECT_EQ(0, size.cy);
}

TEST(DialogLayout, ShowsItsVerticalBarForATallArea) {
    CDialogLayoutUI dialog;
    dialog.EnableScrollBars(true, false);
    Leaf* tall = AddDesigned(dialog, 0, 0, 20, 150, UISTRETCH_NEWGROUP | UISTRETCH_SIZE_X);
    dialog.SetPos(RECT{0, 0, 100, 100});
    CScrollBarUI* bar = dialog.GetVerticalScrollBar();
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(50, bar->GetScrollRange());
    // The bar's room is not shared out.
    EXPECT_EQ(Text(0, 0, 100 - bar->GetFixedWidth(), 150), Text(tall->GetPos()));
    dialog.SetScrollPos(SIZE{0, 20});
    dialog.SetPos(RECT{0, 0, 100, 100});
    EXPECT_EQ(Text(0, -20, 100 - bar->GetFixedWidth(), 130), Text(tall->GetPos()));
}

TEST(DialogLayout, HorizontalBarKeepsTheBottomAndShiftsTheChildren) {
    CDialogLayoutUI dialog;
    dialog.EnableScrollBars(false, true);
    CScrollBarUI* bar = dialog.GetHorizontalScrollBar();
    ASSERT_TRUE(bar->IsVisible());
    bar->SetScrollRange(50);
    bar->SetScrollPos(10);
    const int barHeight = bar->GetFixedHeight();
    Leaf* grower = AddDesigned(dialog, 0, 0, 20, 20, UISTRETCH_NEWGROUP | UISTRETCH_SIZE_X | UISTRETCH_SIZE_Y);
    dialog.SetPos(RECT{0, 0, 100, 100});
    EXPECT_EQ(Text(0, 100 - barHeight, 100, 100), Text(bar->GetPos()));
    // The child fills the area above the bar, moved left by the bar's position.
    EXPECT_EQ(Text(-10, 0, 90, 100 - barHeight), Text(grower->GetPos()));
}
