// Vertical and horizontal layouts: how children are sized and placed (fixed, shared, limits,
// margins, insets, hidden and float children, scroll bars), class identity and attributes.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layout_test_support.h"

using namespace UIToolkit;
using namespace layouttest;

namespace {

struct ArrangeCase {
    const char* name;
    int width, height;
    RECT inset;
    int childPadding;
    std::vector<Child> children;
    std::vector<std::string> expected;   // one rectangle per child; "" for children not placed
};

Child Limited(Child c, int minW, int maxW, int minH, int maxH) {
    c.minWidth = minW;
    c.maxWidth = maxW;
    c.minHeight = minH;
    c.maxHeight = maxH;
    return c;
}

Child Hidden(Child c) {
    c.visible = false;
    return c;
}

Child Floating(Child c, int x, int y) {
    c.isFloat = true;
    c.floatXY = SIZE{x, y};
    return c;
}

const RECT kNoInset = {0, 0, 0, 0};

template <typename Layout>
void CheckArrangement(const ArrangeCase& c) {
    SCOPED_TRACE(c.name);
    Layout layout;
    layout.SetInset(c.inset);
    layout.SetChildPadding(c.childPadding);
    std::vector<Leaf*> leaves = AddLeaves(layout, c.children);
    // Rectangles the layout never sets stay recognisable.
    for (Leaf* leaf : leaves) leaf->SetPos(RECT{-1, -1, -1, -1});
    layout.SetPos(RECT{0, 0, c.width, c.height});
    ASSERT_EQ(c.expected.size(), leaves.size());
    for (size_t i = 0; i < leaves.size(); ++i) {
        SCOPED_TRACE(i);
        if (c.expected[i].empty()) {
            EXPECT_EQ(Text(-1, -1, -1, -1), Text(leaves[i]->GetPos()));
        } else {
            EXPECT_EQ(c.expected[i], Text(leaves[i]->GetPos()));
        }
    }
}

}  // namespace

TEST(VerticalLayout, ArrangesChildrenTopToBottom) {
    const Child a = Sized(0, 0);
    const std::vector<ArrangeCase> cases = {
        {"fixed then two shares", 50, 100, kNoInset, 0, {Sized(0, 20), a, a},
         {Text(0, 0, 50, 20), Text(0, 20, 50, 60), Text(0, 60, 50, 100)}},
        {"the last share takes the remainder", 50, 100, kNoInset, 0, {a, a, a},
         {Text(0, 0, 50, 33), Text(0, 33, 50, 66), Text(0, 66, 50, 100)}},
        // The fixed remainder still holds the two gaps when the last child is sized.
        {"child padding between shares", 50, 100, kNoInset, 5, {a, a, a},
         {Text(0, 0, 50, 30), Text(0, 35, 50, 65), Text(0, 70, 50, 90)}},
        {"child padding between fixed children", 50, 100, kNoInset, 5, {Sized(0, 10), Sized(0, 10), Sized(0, 10)},
         {Text(0, 0, 50, 10), Text(0, 15, 50, 25), Text(0, 30, 50, 40)}},
        {"min height beats a small share", 50, 100, kNoInset, 0, {Sized(0, 70), Limited(a, 0, 9999, 50, 9999)},
         {Text(0, 0, 50, 70), Text(0, 70, 50, 120)}},
        {"max height caps a share", 50, 100, kNoInset, 0, {Limited(a, 0, 9999, 0, 30), a},
         {Text(0, 0, 50, 30), Text(0, 30, 50, 100)}},
        {"fixed height clamped by its limits", 50, 100, kNoInset, 0,
         {Limited(Sized(0, 80), 0, 9999, 0, 40), Limited(Sized(0, 5), 0, 9999, 10, 9999)},
         {Text(0, 0, 50, 40), Text(0, 40, 50, 50)}},
        {"fixed width and width limits", 50, 100, kNoInset, 0,
         {Sized(20, 10), Limited(Sized(0, 10), 0, 30, 0, 9999), Limited(Sized(5, 10), 15, 9999, 0, 9999)},
         {Text(0, 0, 20, 10), Text(0, 10, 30, 20), Text(0, 20, 15, 30)}},
        // A child's rectangle runs from its top margin through its bottom margin.
        {"margins", 50, 100, kNoInset, 0, {Padded(Sized(0, 20), RECT{3, 4, 5, 6}), Sized(0, 10)},
         {Text(3, 4, 45, 30), Text(0, 30, 50, 40)}},
        {"inset", 60, 100, RECT{5, 10, 15, 20}, 0, {Sized(0, 30), a},
         {Text(5, 10, 45, 40), Text(5, 40, 45, 80)}},
        {"hidden children take no room", 50, 100, kNoInset, 0, {Hidden(Sized(0, 30)), a, Hidden(a)},
         {"", Text(0, 0, 50, 100), ""}},
        {"float children are placed at their own position", 50, 100, kNoInset, 0,
         {Floating(Sized(10, 10), 7, 8), a},
         {Text(7, 8, 17, 18), Text(0, 0, 50, 100)}},
        // An inset wider than the layout leaves no room instead of a negative width.
        {"inset larger than the layout", 20, 100, RECT{15, 0, 15, 0}, 0, {a},
         {Text(15, 0, 15, 100)}},
        {"no share left", 50, 100, kNoInset, 0, {Sized(0, 120), a},
         {Text(0, 0, 50, 120), Text(0, 120, 50, 120)}},
    };
    for (const ArrangeCase& c : cases) CheckArrangement<CVerticalLayoutUI>(c);
}

TEST(HorizontalLayout, ArrangesChildrenLeftToRight) {
    const Child a = Sized(0, 0);
    const std::vector<ArrangeCase> cases = {
        {"fixed then two shares", 100, 50, kNoInset, 0, {Sized(20, 0), a, a},
         {Text(0, 0, 20, 50), Text(20, 0, 60, 50), Text(60, 0, 100, 50)}},
        {"the last share takes the remainder", 100, 50, kNoInset, 0, {a, a, a},
         {Text(0, 0, 33, 50), Text(33, 0, 66, 50), Text(66, 0, 100, 50)}},
        {"child padding between shares", 100, 50, kNoInset, 5, {a, a, a},
         {Text(0, 0, 30, 50), Text(35, 0, 65, 50), Text(70, 0, 90, 50)}},
        {"min width beats a small share", 100, 50, kNoInset, 0, {Sized(70, 0), Limited(a, 50, 9999, 0, 9999)},
         {Text(0, 0, 70, 50), Text(70, 0, 120, 50)}},
        {"max width caps a share", 100, 50, kNoInset, 0, {Limited(a, 0, 30, 0, 9999), a},
         {Text(0, 0, 30, 50), Text(30, 0, 100, 50)}},
        {"fixed height and height limits", 100, 50, kNoInset, 0,
         {Sized(10, 20), Limited(Sized(10, 0), 0, 9999, 0, 30), Limited(Sized(10, 5), 0, 9999, 15, 9999)},
         {Text(0, 0, 10, 20), Text(10, 0, 20, 30), Text(20, 0, 30, 15)}},
        // A child's rectangle runs from its left margin through its right margin.
        {"margins", 100, 50, kNoInset, 0, {Padded(Sized(20, 0), RECT{3, 4, 5, 6}), Sized(10, 0)},
         {Text(3, 4, 28, 44), Text(28, 0, 38, 50)}},
        {"inset", 100, 60, RECT{10, 5, 20, 15}, 0, {Sized(30, 0), a},
         {Text(10, 5, 40, 45), Text(40, 5, 80, 45)}},
        {"hidden and float children", 100, 50, kNoInset, 0, {Hidden(a), Floating(Sized(10, 10), 7, 8), a},
         {"", Text(7, 8, 17, 18), Text(0, 0, 100, 50)}},
        {"inset taller than the layout", 100, 20, RECT{0, 15, 0, 15}, 0, {a},
         {Text(0, 15, 100, 15)}},
    };
    for (const ArrangeCase& c : cases) CheckArrangement<CHorizontalLayoutUI>(c);
}

TEST(VerticalLayout, ChildrenAreAskedForTheRoomLeft) {
    CVerticalLayoutUI layout;
    std::vector<Leaf*> leaves = AddLeaves(layout, {Sized(0, 30), Padded(Sized(0, 0), RECT{0, 10, 0, 0})});
    layout.SetPos(RECT{0, 0, 80, 100});
    ASSERT_EQ(2u, leaves[1]->asked.size());
    EXPECT_EQ(80, leaves[1]->asked[0].cx);   // first pass: the whole layout
    EXPECT_EQ(100, leaves[1]->asked[0].cy);
    EXPECT_EQ(60, leaves[1]->asked[1].cy);   // second pass: below the first child and its own margin
}

TEST(Layouts, NeverOfferChildrenANegativeRoom) {
    // The first child overflows the layout; the ones after it are offered nothing, not less.
    CVerticalLayoutUI vertical;
    std::vector<Leaf*> column = AddLeaves(vertical, {Sized(0, 150), Padded(Sized(0, 0), RECT{0, 10, 0, 0}), Sized(0, 5)});
    vertical.SetPos(RECT{0, 0, 80, 100});
    CHorizontalLayoutUI horizontal;
    std::vector<Leaf*> row = AddLeaves(horizontal, {Sized(150, 0), Padded(Sized(0, 0), RECT{10, 0, 0, 0}), Sized(5, 0)});
    horizontal.SetPos(RECT{0, 0, 100, 80});
    for (const std::vector<Leaf*>* leaves : {&column, &row}) {
        for (const Leaf* leaf : *leaves) {
            ASSERT_FALSE(leaf->asked.empty());
            for (const SIZE& size : leaf->asked) {
                EXPECT_GE(size.cx, 0);
                EXPECT_GE(size.cy, 0);
            }
        }
    }
    EXPECT_EQ(0, column[2]->asked.back().cy);
    EXPECT_EQ(0, row[2]->asked.back().cx);
}

TEST(VerticalLayout, ShowsAndHidesItsScrollBarByTheContentHeight) {
    CVerticalLayoutUI layout;
    layout.EnableScrollBars(true, false);
    CScrollBarUI* bar = layout.GetVerticalScrollBar();
    ASSERT_NE(nullptr, bar);
    const int barWidth = bar->GetFixedWidth();
    // Three fixed children of 10 with gaps of 5 need 40.
    layout.SetChildPadding(5);
    std::vector<Leaf*> leaves = AddLeaves(layout, {Sized(0, 10), Sized(0, 10), Sized(0, 10)});
    layout.SetPos(RECT{0, 0, 100, 40});
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(Text(0, 0, 100, 10), Text(leaves[0]->GetPos()));

    layout.SetPos(RECT{0, 0, 100, 35});
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(5, bar->GetScrollRange());
    // The bar takes its room on the right.
    EXPECT_EQ(Text(0, 30, 100 - barWidth, 40), Text(leaves[2]->GetPos()));
    EXPECT_EQ(Text(100 - barWidth, 0, 100, 35), Text(bar->GetPos()));

    // Scrolled: the children move up by the position.
    layout.SetScrollPos(SIZE{0, 5});
    layout.SetPos(RECT{0, 0, 100, 35});
    EXPECT_EQ(Text(0, -5, 100 - barWidth, 5), Text(leaves[0]->GetPos()));

    // A share whose min height overflows the layout shows the bar as well.
    CVerticalLayoutUI grown;
    grown.EnableScrollBars(true, false);
    AddLeaves(grown, {Sized(0, 70), Limited(Sized(0, 0), 0, 9999, 50, 9999)});
    grown.SetPos(RECT{0, 0, 100, 100});
    EXPECT_TRUE(grown.GetVerticalScrollBar()->IsVisible());
    EXPECT_EQ(20, grown.GetVerticalScrollBar()->GetScrollRange());

    // Without children the bar goes at the next layout.
    layout.SetDelayedDestroy(false);
    layout.RemoveAll();
    layout.SetPos(RECT{0, 0, 100, 35});
    EXPECT_FALSE(bar->IsVisible());
}

TEST(VerticalLayout, HorizontalBarTakesTheBottomAndWidensTheContent) {
    CVerticalLayoutUI layout;
    layout.EnableScrollBars(false, true);
    CScrollBarUI* bar = layout.GetHorizontalScrollBar();
    ASSERT_NE(nullptr, bar);
    ASSERT_TRUE(bar->IsVisible());
    const int barHeight = bar->GetFixedHeight();
    bar->SetScrollRange(50);
    bar->SetScrollPos(20);
    std::vector<Leaf*> leaves = AddLeaves(layout, {Sized(0, 0)});
    layout.SetPos(RECT{0, 0, 100, 100});
    // Width: the area plus the bar's range; shifted left by the bar's position; height: the
    // area above the bar.
    EXPECT_EQ(Text(-20, 0, 130, 100 - barHeight), Text(leaves[0]->GetPos()));
    EXPECT_EQ(Text(0, 100 - barHeight, 100, 100), Text(bar->GetPos()));
}

TEST(HorizontalLayout, NeverShowsItsVerticalBarAndIgnoresItsPosition) {
    CHorizontalLayoutUI layout;
    layout.EnableScrollBars(true, false);
    std::vector<Leaf*> leaves = AddLeaves(layout, {Sized(0, 500), Sized(0, 0)});
    layout.SetPos(RECT{0, 0, 100, 50});
    EXPECT_FALSE(layout.GetVerticalScrollBar()->IsVisible());
    EXPECT_EQ(Text(0, 0, 50, 500), Text(leaves[0]->GetPos()));

    CHorizontalLayoutUI empty;
    empty.EnableScrollBars(true, false);
    ASSERT_TRUE(empty.GetVerticalScrollBar()->IsVisible());
    empty.SetPos(RECT{0, 0, 100, 50});
    EXPECT_FALSE(empty.GetVerticalScrollBar()->IsVisible());
}

TEST(HorizontalLayout, HorizontalBarShiftsAndWidensTheShares) {
    CHorizontalLayoutUI layout;
    layout.EnableScrollBars(false, true);
    CScrollBarUI* bar = layout.GetHorizontalScrollBar();
    bar->SetScrollRange(100);
    bar->SetScrollPos(30);
    const int barHeight = bar->GetFixedHeight();
    std::vector<Leaf*> leaves = AddLeaves(layout, {Sized(0, 0), Sized(0, 0)});
    layout.SetPos(RECT{0, 0, 100, 60});
    EXPECT_EQ(Text(-30, 0, 70, 60 - barHeight), Text(leaves[0]->GetPos()));
    EXPECT_EQ(Text(70, 0, 170, 60 - barHeight), Text(leaves[1]->GetPos()));
}

TEST(Layouts, AnswerTheirClassAndInterfaceNames) {
    struct Case {
        std::unique_ptr<CContainerUI> layout;
        const wchar_t* className;
        const wchar_t* interfaceName;
    };
    Case cases[5] = {
        {std::make_unique<CVerticalLayoutUI>(), L"VerticalLayoutUI", L"VerticalLayout"},
        {std::make_unique<CHorizontalLayoutUI>(), L"HorizontalLayoutUI", L"HorizontalLayout"},
        {std::make_unique<CTileLayoutUI>(), L"TileLayoutUI", L"TileLayout"},
        {std::make_unique<CDialogLayoutUI>(), L"DialogLayoutUI", L"DialogLayout"},
        {std::make_unique<CTabLayoutUI>(), L"TabLayoutUI", L"TabLayout"},
    };
    const wchar_t* names[] = {L"VerticalLayout", L"HorizontalLayout", L"TileLayout", L"DialogLayout", L"TabLayout"};
    for (Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.className);
        EXPECT_STREQ(c.className, c.layout->GetClassName());
        EXPECT_EQ(static_cast<CControlUI*>(c.layout.get()),
                  static_cast<CControlUI*>(c.layout->GetInterface(c.interfaceName)));
        for (const wchar_t* other : names) {
            if (wcscmp(other, c.interfaceName) != 0) {
                EXPECT_EQ(nullptr, c.layout->GetInterface(other)) << other;
            }
        }
        // Other names are the container's.
        EXPECT_EQ(static_cast<IContainerUI*>(c.layout.get()), c.layout->GetInterface(L"IContainer"));
        EXPECT_EQ(static_cast<CControlUI*>(c.layout.get()), c.layout->GetInterface(L"Container"));
        EXPECT_EQ(nullptr, c.layout->GetInterface(nullptr));
    }
}

TEST(Layouts, ReadTheirAttributes) {
    CVerticalLayoutUI vertical;
    CHorizontalLayoutUI horizontal;
    CTileLayoutUI tile;
    struct Case {
        CControlUI* layout;
        const wchar_t* name;
        const wchar_t* value;
        std::function<int()> read;
        int expected;
    };
    const std::vector<Case> cases = {
        {&vertical, L"sepheight", L"4", [&] { return vertical.GetSepHeight(); }, 4},
        {&vertical, L"sepheight", L"-6", [&] { return vertical.GetSepHeight(); }, -6},
        {&vertical, L"sepheight", L"abc", [&] { return vertical.GetSepHeight(); }, 0},
        {&vertical, L"sepimm", L"true", [&] { return int(vertical.IsSepImmMode()); }, 1},
        {&vertical, L"sepimm", L"TRUE", [&] { return int(vertical.IsSepImmMode()); }, 0},
        {&vertical, L"childpadding", L"7", [&] { return vertical.GetChildPadding(); }, 7},
        {&vertical, L"sepwidth", L"9", [&] { return vertical.GetSepHeight(); }, 0},
        {&horizontal, L"sepwidth", L"-3", [&] { return horizontal.GetSepWidth(); }, -3},
        {&horizontal, L"sepheight", L"9", [&] { return horizontal.GetSepWidth(); }, -3},
        {&horizontal, L"sepimm", L"true", [&] { return int(horizontal.IsSepImmMode()); }, 1},
        {&horizontal, L"width", L"120", [&] { return horizontal.GetFixedWidth(); }, 120},
        {&tile, L"itemsize", L"100,30", [&] { return int(tile.GetItemSize().cx * 1000 + tile.GetItemSize().cy); }, 100030},
        {&tile, L"itemsize", L"80", [&] { return int(tile.GetItemSize().cx * 1000 + tile.GetItemSize().cy); }, 80000},
        {&tile, L"columns", L"4", [&] { return tile.GetColumns(); }, 4},
        {&tile, L"columns", L"0", [&] { return tile.GetColumns(); }, 4},
        {&tile, L"columns", L"-2", [&] { return tile.GetColumns(); }, 4},
        {&tile, L"inset", L"1,2,3,4", [&] { return int(tile.GetInset().left + tile.GetInset().bottom); }, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << "=" << c.value);
        c.layout->SetAttribute(c.name, c.value);
        EXPECT_EQ(c.expected, c.read());
    }
    vertical.SetAttribute(nullptr, L"1");   // ignored, no crash
}

namespace {

// A layout whose item interface answers with another control, as a list answers with the rows
// of its body while its own children are its header and body.
template <typename Layout>
class ForeignItems : public Layout {
public:
    CControlUI* GetItemAt(int) const override { return const_cast<Leaf*>(&foreign); }
    Leaf foreign;
};

template <typename Layout>
void CheckOwnChildrenPlaced(const char* name) {
    SCOPED_TRACE(name);
    ForeignItems<Layout> layout;
    layout.foreign.SetPos(RECT{-1, -1, -1, -1});
    Leaf* own = MakeLeaf(Sized(0, 20));
    ASSERT_TRUE(layout.Add(own));
    own->SetPos(RECT{-1, -1, -1, -1});
    layout.SetPos(RECT{0, 0, 100, 100});
    EXPECT_NE(Text(-1, -1, -1, -1), Text(own->GetPos()));
    EXPECT_EQ(Text(-1, -1, -1, -1), Text(layout.foreign.GetPos()));
}

}  // namespace

TEST(Layouts, PlaceTheirOwnChildrenWhateverTheirItemInterfaceAnswers) {
    CheckOwnChildrenPlaced<CVerticalLayoutUI>("vertical");
    CheckOwnChildrenPlaced<CHorizontalLayoutUI>("horizontal");
    CheckOwnChildrenPlaced<CTileLayoutUI>("tile");
    CheckOwnChildrenPlaced<CDialogLayoutUI>("dialog");
    CheckOwnChildrenPlaced<CTabLayoutUI>("tab");
}
