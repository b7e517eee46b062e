// Header items: separator dragging, "headerclick", states and text, on a shown window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "list_test_util.h"

namespace listtest {
namespace {

class ListHeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ParkCursor();
        window = std::make_unique<ListWindow>();
        ASSERT_NE(nullptr, window->CreateShown(300, 200));
        list = MakeLabelList(2);
        AddColumns(list, {100, 100});
        window->pm.AttachRoot(list);
        Relayout();
        column0 = static_cast<CListHeaderItemUI*>(list->GetHeader()->GetItemAt(0));
        column1 = static_cast<CListHeaderItemUI*>(list->GetHeader()->GetItemAt(1));
        y = Center(column0).y;
    }
    void TearDown() override {
        if (window->GetHWND() != nullptr) ::DestroyWindow(window->GetHWND());
        uitest::Pump();
    }
    void Relayout() {
        ::InvalidateRect(window->GetHWND(), nullptr, FALSE);
        ::UpdateWindow(window->GetHWND());
        uitest::Pump();
    }
    void Drag(int fromX, int toX) {
        Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(fromX, y));
        Send(*window, WM_MOUSEMOVE, MK_LBUTTON, Point(toX, y));
        Send(*window, WM_LBUTTONUP, 0, Point(toX, y));
        Relayout();
    }
    const RECT& Column(int i) const { return list->GetListItemStyle()->columns[i]; }

    std::unique_ptr<ListWindow> window;
    CListUI* list = nullptr;
    CListHeaderItemUI* column0 = nullptr;
    CListHeaderItemUI* column1 = nullptr;
    int y = 0;
};

TEST_F(ListHeaderTest, DraggingTheSeparatorResizesTheColumnAndItsCells) {
    const RECT band = column0->GetSeparatorRect();
    EXPECT_EQ(96, band.left);
    EXPECT_EQ(100, band.right);
    EXPECT_EQ(static_cast<UINT>(UIFLAG_SETCURSOR), column0->GetControlFlags());

    Drag(98, 128);
    EXPECT_EQ(130, column0->GetFixedWidth());
    EXPECT_EQ(130, Column(0).right);
    EXPECT_EQ(130, Column(1).left);
    EXPECT_EQ(230, Column(1).right);
    EXPECT_TRUE(window->log.empty());   // the band sends no "headerclick"
    EXPECT_EQ(0u, column0->GetButtonState() & CListHeaderItemUI::kStateCaptured);
}

TEST_F(ListHeaderTest, ADragNarrowerThanTheMinimumIsIgnored) {
    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(98, y));
    Send(*window, WM_MOUSEMOVE, MK_LBUTTON, Point(12, y));   // 14 wide: not above 16
    EXPECT_EQ(100, column0->GetFixedWidth());
    Send(*window, WM_MOUSEMOVE, MK_LBUTTON, Point(60, y));   // back inside the column: 62 wide
    Send(*window, WM_LBUTTONUP, 0, Point(60, y));
    Relayout();
    EXPECT_EQ(62, column0->GetFixedWidth());
    EXPECT_EQ(62, Column(0).right);
}

TEST_F(ListHeaderTest, MovesBeforeTheNextPaintAllCount) {
    const struct {
        int column;
        const wchar_t* sepwidth;
        int from;
        int step;
        int expected;
    } cases[] = {
        {0, L"4", 98, 10, 130},     // right edge: 100 + 3 x 10
        {1, L"-4", 102, -10, 130},  // left edge: 100 - 3 x -10
    };
    for (const auto& c : cases) {
        CListHeaderItemUI* column = c.column == 0 ? column0 : column1;
        column->SetAttribute(L"sepwidth", c.sepwidth);
        Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(c.from, y));
        // Queued moves reach the window one after another with no paint (and so no layout)
        // between them.
        for (int i = 1; i <= 3; ++i) ::SendMessageW(*window, WM_MOUSEMOVE, MK_LBUTTON, Point(c.from + i * c.step, y));
        Send(*window, WM_LBUTTONUP, 0, Point(c.from + 3 * c.step, y));
        Relayout();
        EXPECT_EQ(c.expected, column->GetFixedWidth()) << c.sepwidth;
        column->SetFixedWidth(100);
        Relayout();
    }
}

TEST_F(ListHeaderTest, ANegativeSeparatorDragsTheLeftEdge) {
    column1->SetAttribute(L"sepwidth", L"-4");
    const RECT band = column1->GetSeparatorRect();
    EXPECT_EQ(100, band.left);
    EXPECT_EQ(104, band.right);
    Drag(102, 82);
    EXPECT_EQ(120, column1->GetFixedWidth());
    EXPECT_EQ(100, Column(1).left);
    EXPECT_EQ(220, Column(1).right);
}

TEST_F(ListHeaderTest, ClickingOutsideTheBandSendsHeaderClick) {
    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(50, y));
    EXPECT_NE(0u, column0->GetButtonState() & CListHeaderItemUI::kStatePushed);
    Send(*window, WM_LBUTTONUP, 0, Point(50, y));
    EXPECT_EQ(0u, column0->GetButtonState() & CListHeaderItemUI::kStatePushed);
    ASSERT_EQ((std::vector<std::wstring>{L"headerclick:0:0"}), window->Texts());
    EXPECT_EQ(column0, window->log[0].sender);
}

TEST_F(ListHeaderTest, ANonDraggableColumnOnlyClicks) {
    column0->SetAttribute(L"dragable", L"false");
    Drag(98, 128);
    EXPECT_EQ(100, column0->GetFixedWidth());
    EXPECT_TRUE(window->log.empty());

    // No sizing cursor over its band.
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    UIEvent setCursor = MakeEvent(UIEVENT_SETCURSOR, nullptr, POINT{98, y});
    column0->DispatchEvent(setCursor);
    EXPECT_NE(::LoadCursorW(nullptr, IDC_SIZEWE), ::GetCursor());
    column1->DispatchEvent(setCursor = MakeEvent(UIEVENT_SETCURSOR, nullptr, POINT{198, y}));
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_SIZEWE), ::GetCursor());

    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(50, y));
    Send(*window, WM_LBUTTONUP, 0, Point(50, y));
    EXPECT_EQ((std::vector<std::wstring>{L"headerclick:0:0"}), window->Texts());
}

TEST_F(ListHeaderTest, HoverAndDisablingChangeTheState) {
    Send(*window, WM_MOUSEMOVE, 0, Point(50, y));
    EXPECT_NE(0u, column0->GetButtonState() & CListHeaderItemUI::kStateHot);
    Send(*window, WM_MOUSEMOVE, 0, Point(150, y));
    EXPECT_EQ(0u, column0->GetButtonState() & CListHeaderItemUI::kStateHot);
    EXPECT_NE(0u, column1->GetButtonState() & CListHeaderItemUI::kStateHot);
    column1->SetEnabled(false);
    EXPECT_EQ(0u, column1->GetButtonState());
    EXPECT_EQ(0u, column1->GetControlFlags());
    Send(*window, WM_MOUSEMOVE, 0, Point(50, y));
    Send(*window, WM_MOUSEMOVE, 0, Point(150, y));
    EXPECT_EQ(0u, column1->GetButtonState());
    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(150, y));
    Send(*window, WM_LBUTTONUP, 0, Point(150, y));
    EXPECT_TRUE(window->log.empty());
}

TEST_F(ListHeaderTest, SizesAndTextFollowTheDefaultFont) {
    const int textHeight = window->pm.GetDefaultFontInfo()->tm.tmHeight;
    EXPECT_EQ(textHeight + 14, column0->EstimateSize(SIZE{300, 200}).cy);
    EXPECT_EQ(100, column0->EstimateSize(SIZE{300, 200}).cx);
    EXPECT_EQ(200, list->GetHeader()->EstimateSize(SIZE{300, 200}).cx);
    column0->SetFixedHeight(40);
    EXPECT_EQ(40, column0->EstimateSize(SIZE{300, 200}).cy);
    EXPECT_EQ(40, list->GetHeader()->EstimateSize(SIZE{300, 200}).cy);
    list->GetHeader()->SetFixedHeight(25);
    EXPECT_EQ(25, list->GetHeader()->EstimateSize(SIZE{300, 200}).cy);

    // A title without its own colour takes the manager's default font colour when first painted.
    window->pm.SetDefaultFontColor(0xFF102030);
    CListHeaderItemUI* titled = new CListHeaderItemUI;
    titled->SetText(L"Title");
    titled->SetFixedWidth(60);
    ASSERT_TRUE(list->Add(titled));
    EXPECT_EQ(0u, titled->GetTextColor());
    Relayout();
    EXPECT_EQ(0xFF102030u, titled->GetTextColor());
    EXPECT_EQ(3, list->GetListItemStyle()->columnCount);
}

TEST_F(ListHeaderTest, AttributesConfigureTheColumn) {
    CListHeaderItemUI item;
    EXPECT_EQ(static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE), item.GetTextStyle());
    EXPECT_EQ(16, item.GetMinWidth());
    EXPECT_EQ(4, item.GetSepWidth());
    EXPECT_TRUE(item.IsDragable());
    EXPECT_STREQ(L"ListHeaderItemUI", item.GetClassName());
    EXPECT_EQ(static_cast<void*>(&item), item.GetInterface(L"ListHeaderItem"));

    item.SetAttribute(L"align", L"right");
    item.SetAttribute(L"endellipsis", L"true");
    item.SetAttribute(L"sepwidth", L"-3");
    item.SetAttribute(L"font", L"1");
    item.SetAttribute(L"textcolor", L"#FF0000FF");
    item.SetAttribute(L"textpadding", L"1,2,3,4");
    item.SetAttribute(L"showhtml", L"true");
    item.SetAttribute(L"normalimage", L"n.png");
    item.SetAttribute(L"hotimage", L"h.png");
    item.SetAttribute(L"pushedimage", L"p.png");
    item.SetAttribute(L"focusedimage", L"f.png");
    item.SetAttribute(L"sepimage", L"s.png");
    item.SetAttribute(L"text", L"Name");
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS), item.GetTextStyle());
    EXPECT_EQ(-3, item.GetSepWidth());
    EXPECT_EQ(1, item.GetFont());
    EXPECT_EQ(0xFF0000FFu, item.GetTextColor());
    EXPECT_EQ(4, item.GetTextPadding().bottom);
    EXPECT_TRUE(item.IsShowHtml());
    EXPECT_STREQ(L"n.png", item.GetNormalImage());
    EXPECT_STREQ(L"s.png", item.GetSepImage());
    EXPECT_STREQ(L"Name", item.GetText());
    item.SetAttribute(L"sepwidth", L"0");
    EXPECT_EQ(0u, item.GetControlFlags());

    // Images that cannot be drawn (no manager) are forgotten for good.
    uitest::Canvas canvas(50, 20);
    item.SetPos(RECT{0, 0, 50, 20});
    item.Paint(canvas.dc(), RECT{0, 0, 50, 20});
    EXPECT_STREQ(L"", item.GetNormalImage());
    EXPECT_STREQ(L"", item.GetSepImage());
}

}  // namespace
}  // namespace listtest
