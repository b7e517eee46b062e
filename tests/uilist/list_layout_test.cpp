// Layout of a list: header height, column rectangles, row placement, scrolling and the list's
// attributes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "list_test_util.h"
#include "scroll_bar.h"

namespace listtest {
namespace {

class ListLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<ListWindow>();
        ASSERT_NE(nullptr, window->CreateHidden());
        textHeight = window->pm.GetDefaultFontInfo()->tm.tmHeight;
    }
    void TearDown() override {
        if (window->GetHWND() != nullptr) ::DestroyWindow(window->GetHWND());
        uitest::Pump();
    }
    void Attach(CListUI* l, RECT rc) {
        list = l;
        window->pm.AttachRoot(list);
        list->SetPos(rc);
    }
    const RECT& Column(int i) const { return list->GetListItemStyle()->columns[i]; }

    std::unique_ptr<ListWindow> window;
    CListUI* list = nullptr;
    int textHeight = 0;
};

TEST_F(ListLayoutTest, HeaderColumnsBecomeTheColumnRectangles) {
    CListUI* l = MakeLabelList(3);
    AddColumns(l, {50, 80, 30});
    Attach(l, RECT{10, 5, 310, 205});

    ASSERT_EQ(3, list->GetListItemStyle()->columnCount);
    EXPECT_EQ(3, list->GetHeader()->GetCount());
    EXPECT_EQ(3, list->GetCount());   // header items are not items
    const int headerBottom = 5 + textHeight + 14;
    EXPECT_EQ(headerBottom, list->GetHeader()->GetPos().bottom);
    EXPECT_EQ(headerBottom, list->GetBody()->GetPos().top);
    const int edges[] = {10, 60, 140, 170};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(edges[i], Column(i).left) << i;
        EXPECT_EQ(edges[i + 1], Column(i).right) << i;
    }
    EXPECT_EQ(1, list->GetItemIndex(list->GetHeader()->GetItemAt(1)));
}

TEST_F(ListLayoutTest, AnEmptyHeaderStillTakesTheTextHeightUnlessHidden) {
    Attach(MakeLabelList(2), RECT{0, 0, 200, 200});
    EXPECT_EQ(textHeight + 6, list->GetBody()->GetPos().top);

    list->SetAttribute(L"header", L"hidden");
    list->SetPos(RECT{0, 0, 200, 200});
    EXPECT_FALSE(list->GetHeader()->IsVisible());
    EXPECT_EQ(0, list->GetBody()->GetPos().top);
    EXPECT_EQ(0, list->GetItemAt(0)->GetPos().top);

    list->SetAttribute(L"header", L"shown");
    EXPECT_TRUE(list->GetHeader()->IsVisible());
}

TEST_F(ListLayoutTest, AHiddenHeaderStillLaysOutItsColumns) {
    CListUI* l = MakeLabelList(1);
    AddColumns(l, {40, 60});
    l->SetAttribute(L"header", L"hidden");
    Attach(l, RECT{0, 0, 200, 100});
    ASSERT_EQ(2, list->GetListItemStyle()->columnCount);
    EXPECT_EQ(40, Column(0).right);
    EXPECT_EQ(40, Column(1).left);
    EXPECT_EQ(100, Column(1).right);
    EXPECT_FALSE(list->GetHeader()->GetItemAt(0)->IsVisible());
}

TEST_F(ListLayoutTest, OnlyTheFirst32ColumnsGetRectangles) {
    CListUI* l = MakeLabelList(1);
    AddColumns(l, std::vector<int>(40, 20));
    Attach(l, RECT{0, 0, 500, 100});
    EXPECT_EQ(32, list->GetListItemStyle()->columnCount);
    EXPECT_EQ(620, Column(31).left);
    EXPECT_EQ(640, Column(31).right);
    // A text row asks for, and draws, only those 32 cells.
    struct Columns : IListCallbackUI {
        const wchar_t* GetItemText(CControlUI*, int, int column) override {
            asked.push_back(column);
            return L"x";
        }
        std::vector<int> asked;
    } columns;
    list->SetTextCallback(&columns);
    CListTextElementUI* row = new CListTextElementUI;
    list->Add(row);
    list->SetPos(RECT{0, 0, 500, 100});
    uitest::Canvas canvas(500, 100);
    list->Paint(canvas.dc(), RECT{0, 0, 500, 100});
    ASSERT_EQ(32u, columns.asked.size());
    EXPECT_EQ(31, columns.asked.back());
}

TEST_F(ListLayoutTest, AHiddenColumnGivesItsCellsNoRoom) {
    CListUI* l = MakeLabelList(1);
    AddColumns(l, {40, 60, 20});
    Attach(l, RECT{0, 0, 200, 100});
    ASSERT_EQ(100, Column(1).right);
    list->GetHeader()->GetItemAt(1)->SetVisible(false);
    list->SetPos(RECT{0, 0, 200, 100});
    EXPECT_TRUE(::IsRectEmpty(&Column(1)));
    EXPECT_EQ(40, Column(2).left);
}

TEST_F(ListLayoutTest, ALayoutHeaderReplacesTheEmptyDefault) {
    CListUI* l = new CListUI;
    CListHeaderUI* header = new CListHeaderUI;
    header->Add(new CListHeaderItemUI);
    header->Add(new CListHeaderItemUI);
    ASSERT_TRUE(l->Add(header));
    EXPECT_EQ(header, l->GetHeader());
    EXPECT_EQ(2, l->GetListItemStyle()->columnCount);
    EXPECT_EQ(0, l->GetItemIndex(header));
    // The current header is a child already: adding it again must not own it twice.
    EXPECT_FALSE(l->Add(header));
    EXPECT_FALSE(l->AddAt(header, 0));
    EXPECT_TRUE(l->SetItemIndex(header, 0));
    EXPECT_FALSE(l->SetItemIndex(header, 2));
    Attach(l, RECT{0, 0, 200, 100});
    EXPECT_EQ(0, list->GetHeader()->GetPos().top);
}

TEST_F(ListLayoutTest, ASecondHeaderDoesNotReplaceOneWithColumns) {
    CListUI* l = MakeLabelList(1);
    AddColumns(l, {40, 60});
    CListHeaderUI* first = l->GetHeader();
    CListHeaderUI* second = new CListHeaderUI;
    second->Add(new CListHeaderItemUI);
    ASSERT_TRUE(l->Add(second));
    EXPECT_EQ(first, l->GetHeader());
    EXPECT_EQ(0, l->GetItemIndex(second));
    EXPECT_EQ(1, l->GetItemIndex(first));
    EXPECT_EQ(2, l->GetListItemStyle()->columnCount);
    ASSERT_TRUE(l->Remove(second));
    EXPECT_EQ(first, l->GetHeader());
    EXPECT_EQ(0, l->GetItemIndex(first));
    Attach(l, RECT{0, 0, 200, 100});
    EXPECT_EQ(100, Column(1).right);
}

// The list's IContainerUI part answers with the body's items, but the framework's own walks
// (manager, visibility, hit testing, layout, painting) go over the list's header and body.
TEST_F(ListLayoutTest, TheFrameworkWalksTheListsOwnChildren) {
    CListUI* l = MakeLabelList(3);
    AddColumns(l, {50, 50});
    CContainerUI* root = new CVerticalLayoutUI;
    root->Add(l);
    list = l;
    window->pm.AttachRoot(root);
    root->SetPos(RECT{0, 0, 200, 200});

    EXPECT_EQ(list, list->GetHeader()->GetParent());
    EXPECT_EQ(list, list->GetBody()->GetParent());
    EXPECT_EQ(list->GetBody(), list->GetItemAt(1)->GetParent());
    EXPECT_EQ(&window->pm, list->GetBody()->GetManager());
    EXPECT_EQ(&window->pm, list->GetItemAt(2)->GetManager());
    EXPECT_EQ(list->GetItemAt(1), window->pm.FindControlByName(L"row1"));
    EXPECT_EQ(list->GetHeader()->GetItemAt(1), window->pm.FindControlByName(L"col1"));

    const RECT& body = list->GetBody()->GetPos();
    EXPECT_EQ(list->GetHeader()->GetPos().bottom, body.top);
    EXPECT_EQ(200, body.bottom);
    EXPECT_EQ(body.top, list->GetItemAt(0)->GetPos().top);
    EXPECT_EQ(list->GetItemAt(2), window->pm.FindControlAt(Center(list->GetItemAt(2))));
    EXPECT_EQ(list->GetHeader()->GetItemAt(0), window->pm.FindControlAt(Center(list->GetHeader()->GetItemAt(0))));

    list->SetVisible(false);
    EXPECT_FALSE(list->GetBody()->IsVisible());
    EXPECT_FALSE(list->GetItemAt(0)->IsVisible());
    EXPECT_FALSE(list->GetHeader()->GetItemAt(0)->IsVisible());
    EXPECT_NE(list->GetItemAt(0), window->pm.FindControlAt(Center(list->GetItemAt(0))));
    list->SetVisible(true);
    EXPECT_TRUE(list->GetItemAt(0)->IsVisible());
    EXPECT_TRUE(list->GetHeader()->GetItemAt(0)->IsVisible());

    // A selected row paints through the list's own painting.
    ASSERT_TRUE(list->SelectItem(1));
    uitest::Canvas canvas(200, 200);
    root->Paint(canvas.dc(), RECT{0, 0, 200, 200});
    const POINT row1 = Center(list->GetItemAt(1));
    EXPECT_EQ(0xC1E3FFu, canvas.Pixel(row1.x, row1.y));
}

TEST_F(ListLayoutTest, AListWithoutHeaderStillWorks) {
    CListUI* l = MakeLabelList(3);
    AddColumns(l, {50});
    Attach(l, RECT{0, 0, 200, 100});
    ASSERT_TRUE(list->Remove(list->GetHeader()));
    EXPECT_EQ(nullptr, list->GetHeader());
    EXPECT_EQ(0, list->GetListItemStyle()->columnCount);
    CListHeaderItemUI* column = new CListHeaderItemUI;
    EXPECT_FALSE(list->Add(column));
    delete column;
    list->SetAttribute(L"header", L"hidden");
    list->SetAttribute(L"headerbkimage", L"x.png");
    CListTextElementUI* row = new CListTextElementUI;
    ASSERT_TRUE(list->Add(row));
    list->SetPos(RECT{0, 0, 200, 100});
    EXPECT_EQ(0, list->GetBody()->GetPos().top);
    uitest::Canvas canvas(200, 100);
    list->Paint(canvas.dc(), RECT{0, 0, 200, 100});
}

TEST_F(ListLayoutTest, RowsWithoutHeightShareTheBody) {
    struct Case {
        std::vector<int> heights;
        int padding;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0, {33, 33, 34}},
        {{20, 0, 0}, 0, {20, 40, 40}},
        {{0, 0, 0}, 5, {30, 30, 20}},
        {{60, 60, 0}, 0, {60, 60, 0}},
    };
    for (const Case& c : cases) {
        CListUI* l = new CListUI;
        l->SetAttribute(L"header", L"hidden");
        l->SetChildPadding(c.padding);
        for (int h : c.heights) {
            CListContainerElementUI* row = new CListContainerElementUI;
            row->SetFixedHeight(h);
            l->Add(row);
        }
        Attach(l, RECT{0, 0, 100, 100});
        EXPECT_EQ(c.padding, list->GetBody()->GetChildPadding());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            const RECT& rc = list->GetItemAt(static_cast<int>(i))->GetPos();
            EXPECT_EQ(c.expected[i], rc.bottom - rc.top) << "row " << i << " padding " << c.padding;
            EXPECT_EQ(100, rc.right - rc.left);
        }
    }
}

TEST_F(ListLayoutTest, AWideHeaderScrollsWithTheRows) {
    CListUI* l = MakeLabelList(2);
    AddColumns(l, {150, 150});
    l->EnableScrollBars(false, true);
    Attach(l, RECT{0, 0, 200, 150});

    CScrollBarUI* bar = list->GetHorizontalScrollBar();
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(bar, list->GetBody()->GetHorizontalScrollBar());
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(100, bar->GetScrollRange());
    EXPECT_EQ(300, list->GetItemAt(0)->GetPos().right);

    list->SetScrollPos(SIZE{40, 0});
    EXPECT_EQ(40, list->GetScrollPos().cx);
    EXPECT_EQ(-40, list->GetItemAt(0)->GetPos().left);
    EXPECT_EQ(-40, list->GetHeader()->GetItemAt(0)->GetPos().left);
    EXPECT_EQ(-40, Column(0).left);
    EXPECT_EQ(110, Column(1).left);

    // A new layout keeps header and rows at the scrolled offset.
    list->SetPos(RECT{0, 0, 200, 150});
    EXPECT_EQ(-40, Column(0).left);
    EXPECT_EQ(-40, list->GetItemAt(1)->GetPos().left);

    list->ScrollToLeftEnd();
    EXPECT_EQ(0, Column(0).left);
    EXPECT_EQ(0, list->GetItemAt(0)->GetPos().left);

    // Narrow columns hide the bar again.
    static_cast<CControlUI*>(list->GetHeader()->GetItemAt(1))->SetFixedWidth(20);
    list->SetPos(RECT{0, 0, 200, 150});
    EXPECT_FALSE(bar->IsVisible());
}

TEST_F(ListLayoutTest, SelectionScrollsItsItemIntoView) {
    CListUI* l = MakeLabelList(10);
    l->SetAttribute(L"header", L"hidden");
    l->EnableScrollBars(true, false);
    Attach(l, RECT{0, 0, 200, 100});
    ASSERT_EQ(100, list->GetScrollRange().cy);

    ASSERT_TRUE(list->SelectItem(7));   // 140..160 below a 100 high view
    EXPECT_EQ(60, list->GetScrollPos().cy);
    EXPECT_EQ(100, list->GetItemAt(7)->GetPos().bottom);
    ASSERT_TRUE(list->SelectItem(1));   // above the view
    EXPECT_EQ(20, list->GetScrollPos().cy);
    EXPECT_EQ(0, list->GetItemAt(1)->GetPos().top);
    ASSERT_TRUE(list->SelectItem(3));   // already inside: no scrolling
    EXPECT_EQ(20, list->GetScrollPos().cy);

    PressKey(list, VK_NEXT);
    EXPECT_EQ(100, list->GetScrollPos().cy);
    PressKey(list, VK_PRIOR);
    EXPECT_EQ(0, list->GetScrollPos().cy);
    list->Scroll(0, 0);
    list->Scroll(0, 30);
    EXPECT_EQ(30, list->GetScrollPos().cy);
}

// ---- Attributes -----------------------------------------------------------------------------

TEST_F(ListLayoutTest, AttributesSetTheItemStyle) {
    CListUI l;
    const ListItemStyle& st = *l.GetListItemStyle();
    EXPECT_EQ(static_cast<UINT>(DT_VCENTER), st.textStyle);
    EXPECT_EQ(0xFFC1E3FFu, st.selectedBkColor);
    EXPECT_EQ(0xFFE9F5FFu, st.hotBkColor);
    EXPECT_EQ(-1, st.font);

    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } attributes[] = {
        {L"itemfont", L"2"},
        {L"itemalign", L"right"},
        {L"itemendellipsis", L"true"},
        {L"itemtextpadding", L"1,2,3,4"},
        {L"itemtextcolor", L"#FF010203"},
        {L"itembkcolor", L"FF040506"},
        {L"itembkimage", L"bk.png"},
        {L"itemaltbk", L"true"},
        {L"itemselectedtextcolor", L"#FF111111"},
        {L"itemselectedbkcolor", L"#FF222222"},
        {L"itemselectedimage", L"sel.png"},
        {L"itemhottextcolor", L"#FF333333"},
        {L"itemhotbkcolor", L"#FF444444"},
        {L"itemhotimage", L"hot.png"},
        {L"itemdisabledtextcolor", L"#FF555555"},
        {L"itemdisabledbkcolor", L"#FF666666"},
        {L"itemdisabledimage", L"dis.png"},
        {L"itemlinecolor", L"#FF777777"},
        {L"itemshowhtml", L"true"},
        {L"scrollselect", L"true"},
        {L"multiexpanding", L"true"},
        {L"width", L"123"},
    };
    for (const auto& a : attributes) l.SetAttribute(a.name, a.value);

    EXPECT_EQ(2, st.font);
    EXPECT_EQ(static_cast<UINT>(DT_VCENTER | DT_RIGHT | DT_END_ELLIPSIS), st.textStyle);
    EXPECT_EQ(1, st.textPadding.left);
    EXPECT_EQ(4, st.textPadding.bottom);
    EXPECT_EQ(0xFF010203u, st.textColor);
    EXPECT_EQ(0xFF040506u, st.bkColor);
    EXPECT_STREQ(L"bk.png", st.bkImage);
    EXPECT_TRUE(st.alternateBk);
    EXPECT_EQ(0xFF111111u, st.selectedTextColor);
    EXPECT_EQ(0xFF222222u, st.selectedBkColor);
    EXPECT_STREQ(L"sel.png", st.selectedImage);
    EXPECT_EQ(0xFF333333u, st.hotTextColor);
    EXPECT_EQ(0xFF444444u, st.hotBkColor);
    EXPECT_STREQ(L"hot.png", st.hotImage);
    EXPECT_EQ(0xFF555555u, st.disabledTextColor);
    EXPECT_EQ(0xFF666666u, st.disabledBkColor);
    EXPECT_STREQ(L"dis.png", st.disabledImage);
    EXPECT_EQ(0xFF777777u, st.lineColor);
    EXPECT_TRUE(st.showHtml);
    EXPECT_TRUE(l.IsScrollSelect());
    EXPECT_TRUE(l.IsMultiExpanding());
    EXPECT_EQ(123, l.GetFixedWidth());

    const struct {
        const wchar_t* value;
        UINT expected;
    } aligns[] = {
        {L"center", DT_VCENTER | DT_CENTER},
        {L"left", DT_VCENTER},
        {L"right", DT_VCENTER | DT_RIGHT},
        {L"leftcenter", DT_VCENTER | DT_CENTER},
    };
    l.SetAttribute(L"itemendellipsis", L"no");
    for (const auto& a : aligns) {
        l.SetAttribute(L"itemalign", a.value);
        EXPECT_EQ(a.expected, st.textStyle) << static_cast<const void*>(a.value);
    }
}

// A list keeps its scroll bars on its body: one bar's layout attribute must leave the other bar
// there, and a bar's style reaches the body's bar.
TEST_F(ListLayoutTest, ScrollBarAttributesKeepTheOtherBarAndStyleTheBodysBars) {
    struct Attribute {
        const wchar_t* name;
        const wchar_t* value;
    };
    const struct {
        std::vector<Attribute> attributes;
        bool vertical, horizontal;
        int verticalWidth, horizontalHeight;  // 0: not checked
    } cases[] = {
        {{{L"vscrollbar", L"true"}, {L"hscrollbar", L"true"}}, true, true, 0, 0},
        {{{L"hscrollbar", L"true"}, {L"vscrollbar", L"true"}}, true, true, 0, 0},
        {{{L"vscrollbar", L"true"}, {L"hscrollbar", L"true"}, {L"vscrollbar", L"false"}}, false, true, 0, 0},
        {{{L"hscrollbar", L"true"}, {L"vscrollbar", L"true"}, {L"hscrollbar", L"false"}}, true, false, 0, 0},
        {{{L"vscrollbarstyle", L"width=\"6\""}, {L"hscrollbar", L"true"}}, true, true, 6, 0},
        {{{L"hscrollbarstyle", L"height=\"5\""}, {L"vscrollbar", L"true"}}, true, true, 0, 5},
        {{{L"vscrollbar", L"true"}, {L"hscrollbar", L"true"}, {L"vscrollbarstyle", L"width=\"7\""}}, true, true, 7, 0},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const auto& c = cases[i];
        CListUI l;
        for (const Attribute& a : c.attributes) l.SetAttribute(a.name, a.value);
        CScrollBarUI* vertical = l.GetVerticalScrollBar();
        CScrollBarUI* horizontal = l.GetHorizontalScrollBar();
        EXPECT_EQ(c.vertical, vertical != nullptr) << "case " << i;
        EXPECT_EQ(c.horizontal, horizontal != nullptr) << "case " << i;
        EXPECT_EQ(vertical, l.GetBody()->GetVerticalScrollBar()) << "case " << i;
        EXPECT_EQ(horizontal, l.GetBody()->GetHorizontalScrollBar()) << "case " << i;
        if (c.verticalWidth != 0 && vertical != nullptr) {
            EXPECT_EQ(c.verticalWidth, vertical->GetFixedWidth()) << "case " << i;
        }
        if (c.horizontalHeight != 0 && horizontal != nullptr) {
            EXPECT_EQ(c.horizontalHeight, horizontal->GetFixedHeight()) << "case " << i;
        }
    }
}

// As the player's layout has it: both bars asked for by attributes, more rows than the view
// holds. The vertical bar shows and the wheel over a row scrolls.
TEST_F(ListLayoutTest, AListLaidOutWithBothBarsScrollsItsLongContent) {
    CListUI* l = MakeLabelList(10);
    l->SetAttribute(L"header", L"hidden");
    l->SetAttribute(L"vscrollbar", L"true");
    l->SetAttribute(L"hscrollbar", L"true");
    Attach(l, RECT{0, 0, 200, 100});
    CScrollBarUI* bar = list->GetVerticalScrollBar();
    ASSERT_NE(nullptr, bar);
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_EQ(100, list->GetScrollRange().cy);
    EXPECT_FALSE(list->GetHorizontalScrollBar()->IsVisible());

    UIEvent down = MakeEvent(UIEVENT_SCROLLWHEEL, list->GetItemAt(0), POINT{0, 0}, 0, 1);
    list->GetItemAt(0)->DispatchEvent(down);
    EXPECT_GT(list->GetScrollPos().cy, 0);
    EXPECT_LT(list->GetItemAt(0)->GetPos().top, 0);
}

TEST_F(ListLayoutTest, InterfacesAnswerByName) {
    CListUI l;
    EXPECT_STREQ(L"ListUI", l.GetClassName());
    EXPECT_EQ(static_cast<void*>(&l), l.GetInterface(L"List"));
    EXPECT_EQ(static_cast<void*>(static_cast<IListUI*>(&l)), l.GetInterface(L"IList"));
    EXPECT_EQ(static_cast<void*>(static_cast<IListOwnerUI*>(&l)), l.GetInterface(L"IListOwner"));
    EXPECT_NE(nullptr, l.GetInterface(L"VerticalLayout"));
    EXPECT_EQ(static_cast<UINT>(UIFLAG_TABSTOP), l.GetControlFlags());
    EXPECT_EQ(static_cast<void*>(l.GetHeader()), l.GetHeader()->GetInterface(L"ListHeader"));
    EXPECT_STREQ(L"ListHeaderUI", l.GetHeader()->GetClassName());
    EXPECT_EQ(l.GetBody()->GetOwnerList(), &l);
}

}  // namespace
}  // namespace listtest
