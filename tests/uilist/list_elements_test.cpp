// List elements: painting from the owner's style, cell texts from the callback, links, and the
// notifications of clicks on a real window.
#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "list_test_util.h"
#include "test_files.h"

namespace listtest {
namespace {

const DWORD kWhite = 0xFFFFFF;

// Cell texts by column; records every request as "<index>:<column>".
class CellTexts : public IListCallbackUI {
public:
    const wchar_t* GetItemText(CControlUI* row, int index, int column) override {
        rows.push_back(row);
        calls.push_back(std::to_wstring(index) + L":" + std::to_wstring(column));
        if (column < 0 || column >= static_cast<int>(texts.size())) return nullptr;
        return texts[static_cast<size_t>(column)];
    }

    std::vector<const wchar_t*> texts;
    std::vector<std::wstring> calls;
    std::vector<CControlUI*> rows;
};

class ListElementsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ParkCursor();
        window = std::make_unique<ListWindow>();
    }
    void TearDown() override {
        if (window->GetHWND() != nullptr) ::DestroyWindow(window->GetHWND());
        uitest::Pump();
    }
    void AttachHidden(CListUI* l, RECT rc = RECT{0, 0, 200, 200}) {
        ASSERT_NE(nullptr, window->CreateHidden());
        list = l;
        window->pm.AttachRoot(list);
        list->SetPos(rc);
    }
    // A shown 200 x 200 window whose root is the list, laid out and painted.
    void AttachShown(CListUI* l) {
        ASSERT_NE(nullptr, window->CreateShown(200, 200));
        list = l;
        window->pm.AttachRoot(list);
        ::InvalidateRect(window->GetHWND(), nullptr, FALSE);
        ::UpdateWindow(window->GetHWND());
        uitest::Pump();
        ASSERT_EQ(200, list->GetPos().right);
    }
    void PaintAll(uitest::Canvas& canvas) { list->Paint(canvas.dc(), RECT{0, 0, 200, 200}); }

    std::unique_ptr<ListWindow> window;
    CListUI* list = nullptr;
};

// True when some pixel of the row's band between x0 and x1 is darker than mid grey.
bool HasInk(const uitest::Canvas& canvas, const RECT& row, int x0, int x1) {
    for (int y = row.top; y < row.bottom; ++y) {
        for (int x = x0; x < x1; ++x) {
            const DWORD p = canvas.Pixel(x, y);
            if (((p >> 16) & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80 && (p & 0xFF) < 0x80) return true;
        }
    }
    return false;
}

// ---- Backgrounds ----------------------------------------------------------------------------

TEST_F(ListElementsTest, LabelRowsPaintOwnHotAndSelectedBackgrounds) {
    CListUI* l = MakeLabelList(5);
    l->SetAttribute(L"header", L"hidden");
    l->SetAttribute(L"itembkcolor", L"#FF123456");   // not used by label rows
    l->SetAttribute(L"itemlinecolor", L"#FFFF0000");
    AttachHidden(l);
    list->GetItemAt(3)->SetBkColor(0xFF00FF00);
    ASSERT_TRUE(list->SelectItem(1));
    UIEvent enter = MakeEvent(UIEVENT_MOUSEENTER, list->GetItemAt(2));
    list->GetItemAt(2)->DispatchEvent(enter);
    list->GetItemAt(4)->SetEnabled(false);

    uitest::Canvas canvas(200, 200);
    PaintAll(canvas);
    const DWORD expected[] = {kWhite, 0xC1E3FF, 0xE9F5FF, 0x00FF00, kWhite};
    for (int i = 0; i < 5; ++i) {
        const RECT& rc = list->GetItemAt(i)->GetPos();
        EXPECT_EQ(expected[i], canvas.Pixel(190, rc.top + 3)) << "row " << i;
        EXPECT_EQ(0xFF0000u, canvas.Pixel(190, rc.bottom - 1)) << "line under row " << i;
    }
}

TEST_F(ListElementsTest, ContainerRowsPaintStyleColoursOnEvenRowsOnly) {
    CListUI* l = new CListUI;
    l->SetAttribute(L"header", L"hidden");
    l->SetAttribute(L"itembkcolor", L"#FF123456");
    l->SetAttribute(L"itemdisabledbkcolor", L"#FF654321");
    for (int i = 0; i < 6; ++i) {
        CListContainerElementUI* row = new CListContainerElementUI;
        row->SetFixedHeight(20);
        l->Add(row);
    }
    AttachHidden(l);
    ASSERT_TRUE(list->SelectItem(3));
    UIEvent enter = MakeEvent(UIEVENT_MOUSEENTER, list->GetItemAt(4));
    list->GetItemAt(4)->DispatchEvent(enter);
    list->GetItemAt(5)->SetEnabled(false);

    uitest::Canvas canvas(200, 200);
    PaintAll(canvas);
    const DWORD expected[] = {0x123456, kWhite, 0x123456, 0xC1E3FF, 0xE9F5FF, 0x654321};
    for (int i = 0; i < 6; ++i) {
        const RECT& rc = list->GetItemAt(i)->GetPos();
        EXPECT_EQ(expected[i], canvas.Pixel(100, (rc.top + rc.bottom) / 2)) << "row " << i;
    }
}

TEST_F(ListElementsTest, OwnBackgroundImagesShowOnEvenLabelRowsOnly) {
    const std::wstring folder = testfiles::FreshDir(L"uilist_images");
    ASSERT_TRUE(testfiles::WriteAll(folder + L"\\own.bmp", SolidBmp(0xFF0000)));
    ASSERT_TRUE(testfiles::WriteAll(folder + L"\\style.bmp", SolidBmp(0x0000FF)));
    const CUIString previous = CWindowManagerUI::GetResourcePath();
    CWindowManagerUI::SetResourcePath(folder.c_str());

    CListUI* l = MakeLabelList(4);
    l->SetAttribute(L"header", L"hidden");
    l->SetAttribute(L"itembkimage", L"style.bmp");
    for (int i = 0; i < 3; ++i) l->GetItemAt(i)->SetBkImage(L"own.bmp");
    AttachHidden(l);
    uitest::Canvas canvas(200, 200);
    PaintAll(canvas);
    CWindowManagerUI::SetResourcePath(previous);

    const DWORD expected[] = {0xFF0000, kWhite, 0xFF0000, 0x0000FF};
    for (int i = 0; i < 4; ++i) {
        const RECT& rc = list->GetItemAt(i)->GetPos();
        EXPECT_EQ(expected[i], canvas.Pixel(190, (rc.top + rc.bottom) / 2)) << "row " << i;
    }
}

TEST_F(ListElementsTest, AStyleImageThatCannotBeDrawnIsForgotten) {
    CListUI* l = MakeLabelList(2);
    l->SetAttribute(L"itemselectedimage", L"missing.png");
    AttachHidden(l);
    ASSERT_TRUE(list->SelectItem(0));
    // Without a DC the image reports failure and is emptied for every item of the list.
    static_cast<CListElementUI*>(list->GetItemAt(0))->DrawItemBk(nullptr, list->GetItemAt(0)->GetPos());
    EXPECT_STREQ(L"", list->GetSelectedItemImage());
}

// ---- Cell texts -----------------------------------------------------------------------------

TEST_F(ListElementsTest, TextRowCellsComeFromTheCallbackInsideTheColumns) {
    CListUI* l = new CListUI;
    AddColumns(l, {60, 60, 60});
    CellTexts cells;
    cells.texts = {nullptr, L"WWWW", nullptr};
    l->SetTextCallback(&cells);
    for (int i = 0; i < 2; ++i) {
        CListTextElementUI* row = new CListTextElementUI;
        row->SetFixedHeight(24);
        l->Add(row);
    }
    AttachHidden(l);
    EXPECT_EQ(&cells, list->GetTextCallback());

    uitest::Canvas canvas(200, 200);
    PaintAll(canvas);
    EXPECT_EQ((std::vector<std::wstring>{L"0:0", L"0:1", L"0:2", L"1:0", L"1:1", L"1:2"}), cells.calls);
    EXPECT_EQ(list->GetItemAt(0), cells.rows[0]);
    const RECT& row = list->GetItemAt(1)->GetPos();
    EXPECT_FALSE(HasInk(canvas, row, 0, 60));
    EXPECT_TRUE(HasInk(canvas, row, 60, 120));
    EXPECT_FALSE(HasInk(canvas, row, 120, 200));

    // Moving the middle column moves its cells.
    static_cast<CControlUI*>(list->GetHeader()->GetItemAt(0))->SetFixedWidth(120);
    list->SetPos(RECT{0, 0, 200, 200});
    uitest::Canvas moved(200, 200);
    PaintAll(moved);
    EXPECT_FALSE(HasInk(moved, row, 0, 120));
    EXPECT_TRUE(HasInk(moved, row, 120, 180));
}

TEST_F(ListElementsTest, ATextRowWithoutColumnsPaintsOnlyItsBackground) {
    CListUI* l = new CListUI;
    CellTexts cells;
    cells.texts = {L"WWWW"};
    l->SetTextCallback(&cells);
    CListTextElementUI* row = new CListTextElementUI;
    row->SetFixedHeight(24);
    l->Add(row);
    AttachHidden(l);
    ASSERT_TRUE(list->SelectItem(0));
    uitest::Canvas canvas(200, 200);
    PaintAll(canvas);
    EXPECT_TRUE(cells.calls.empty());
    EXPECT_EQ(0xC1E3FFu, canvas.Pixel(10, (row->GetPos().top + row->GetPos().bottom) / 2));
    EXPECT_EQ(nullptr, row->GetText(0));
}

TEST_F(ListElementsTest, AtMostEightLinksPerRowInColumnOrder) {
    CListUI* l = new CListUI;
    l->SetAttribute(L"itemshowhtml", L"true");
    AddColumns(l, {66, 66, 66});
    CellTexts cells;
    cells.texts = {L"<a a1>x</a> <a a2>y</a> <a a3>z</a>", L"<a b1>x</a> <a b2>y</a> <a b3>z</a>",
                   L"<a c1>x</a> <a c2>y</a> <a c3>z</a>"};
    l->SetTextCallback(&cells);
    CListTextElementUI* row = new CListTextElementUI;
    row->SetName(L"links");
    row->SetFixedHeight(24);
    l->Add(row);
    AttachHidden(l);

    uitest::Canvas canvas(200, 200);
    PaintAll(canvas);
    ASSERT_EQ(8, row->GetLinkCount());
    const wchar_t* const targets[] = {L"a1", L"a2", L"a3", L"b1", L"b2", L"b3", L"c1", L"c2"};
    for (int i = 0; i < 8; ++i) EXPECT_STREQ(targets[i], row->GetLinkText(i)) << i;
    EXPECT_GE(row->GetLinkRect(3).left, 66);
    EXPECT_GE(row->GetLinkRect(6).left, 132);
    EXPECT_EQ(static_cast<UINT>(UIFLAG_SETCURSOR | UIFLAG_LISTELEMENT), row->GetControlFlags());

    // A button-up over a link reports its slot.
    const RECT link = row->GetLinkRect(4);
    UIEvent up = MakeEvent(UIEVENT_BUTTONUP, row, POINT{(link.left + link.right) / 2, (link.top + link.bottom) / 2});
    row->DispatchEvent(up);
    ASSERT_EQ(1u, window->log.size());
    EXPECT_EQ(L"link:4:0", window->Texts()[0]);

    // Fewer links at the next paint clear the slots behind them.
    cells.texts = {L"<a only>x</a>", nullptr, nullptr};
    PaintAll(canvas);
    EXPECT_EQ(1, row->GetLinkCount());
    EXPECT_STREQ(L"", row->GetLinkText(1));
    const RECT last = row->GetLinkRect(7);
    EXPECT_TRUE(::IsRectEmpty(&last));
    const RECT outside = row->GetLinkRect(8);
    EXPECT_TRUE(::IsRectEmpty(&outside));
    EXPECT_STREQ(L"", row->GetLinkText(-1));
}

TEST_F(ListElementsTest, RowSizesFollowTheStyleAndTheDefaultFont) {
    CListLabelElementUI orphan;
    orphan.SetText(L"text");
    EXPECT_EQ(0, orphan.EstimateSize(SIZE{100, 100}).cx);
    EXPECT_EQ(0, orphan.EstimateSize(SIZE{100, 100}).cy);

    CListUI* l = new CListUI;
    l->SetAttribute(L"itemtextpadding", L"3,2,5,4");
    CListLabelElementUI* label = new CListLabelElementUI;
    label->SetText(L"WWWW");
    CListTextElementUI* text = new CListTextElementUI;
    l->Add(label);
    l->Add(text);
    AttachHidden(l);
    const int textHeight = window->pm.GetDefaultFontInfo()->tm.tmHeight;
    const SIZE labelSize = label->EstimateSize(SIZE{200, 200});
    EXPECT_EQ(textHeight + 8 + 6, labelSize.cy);
    EXPECT_GT(labelSize.cx, 8);
    const SIZE textSize = text->EstimateSize(SIZE{200, 200});
    EXPECT_EQ(textHeight + 8 + 6, textSize.cy);
    EXPECT_EQ(0, textSize.cx);
}

// ---- Clicks on a real window ----------------------------------------------------------------

TEST_F(ListElementsTest, ClickSendsItemClickBeforeItemSelect) {
    AttachShown(MakeLabelList(5));
    const POINT row2 = Center(list->GetItemAt(2));
    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(row2.x, row2.y));
    Send(*window, WM_LBUTTONUP, 0, Point(row2.x, row2.y));
    ASSERT_EQ((std::vector<std::wstring>{L"itemclick:0:0", L"itemselect:2:-1"}), window->Texts());
    EXPECT_EQ(list->GetItemAt(2), window->log[0].sender);
    EXPECT_EQ(list, window->log[1].sender);

    window->log.clear();
    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(row2.x, row2.y));
    Send(*window, WM_LBUTTONUP, 0, Point(row2.x, row2.y));
    EXPECT_EQ((std::vector<std::wstring>{L"itemclick:0:0"}), window->Texts());

    window->log.clear();
    Send(*window, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(row2.x, row2.y));
    Send(*window, WM_LBUTTONUP, 0, Point(row2.x, row2.y));
    EXPECT_EQ((std::vector<std::wstring>{L"itemdbclick:0:0", L"itemactivate:0:0"}), window->Texts());

    // A right click on a label row is an ordinary click that selects.
    window->log.clear();
    const POINT row3 = Center(list->GetItemAt(3));
    Send(*window, WM_RBUTTONDOWN, MK_RBUTTON, Point(row3.x, row3.y));
    Send(*window, WM_RBUTTONUP, 0, Point(row3.x, row3.y));
    EXPECT_EQ((std::vector<std::wstring>{L"itemclick:0:0", L"itemselect:3:2"}), window->Texts());

    // A disabled row sends nothing and is not selected.
    window->log.clear();
    list->GetItemAt(4)->SetEnabled(false);
    const POINT row4 = Center(list->GetItemAt(4));
    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(row4.x, row4.y));
    Send(*window, WM_LBUTTONUP, 0, Point(row4.x, row4.y));
    Send(*window, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(row4.x, row4.y));
    Send(*window, WM_LBUTTONUP, 0, Point(row4.x, row4.y));
    EXPECT_TRUE(window->log.empty());
    EXPECT_EQ(3, list->GetCurSel());
}

TEST_F(ListElementsTest, KeysAfterAClickMoveTheSelection) {
    AttachShown(MakeLabelList(4));
    const POINT row1 = Center(list->GetItemAt(1));
    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(row1.x, row1.y));
    Send(*window, WM_LBUTTONUP, 0, Point(row1.x, row1.y));
    window->log.clear();
    Send(*window, WM_KEYDOWN, VK_DOWN, 0);
    Send(*window, WM_KEYUP, VK_DOWN, 0);
    Send(*window, WM_KEYDOWN, VK_END, 0);
    Send(*window, WM_KEYUP, VK_END, 0);
    Send(*window, WM_KEYDOWN, VK_RETURN, 0);
    Send(*window, WM_KEYUP, VK_RETURN, 0);
    EXPECT_EQ((std::vector<std::wstring>{L"itemselect:2:1", L"itemselect:3:2", L"itemactivate:0:0"}),
              window->Texts());
    EXPECT_EQ(list->GetItemAt(3), window->log.back().sender);
}

TEST_F(ListElementsTest, ContainerRowsReportTheirIndexAndRightClicks) {
    CListUI* l = new CListUI;
    for (int i = 0; i < 3; ++i) {
        CListContainerElementUI* row = new CListContainerElementUI;
        row->SetFixedHeight(30);
        row->Add(new CControlUI);
        row->Add(new CControlUI);
        row->SetMouseChildEnabled(false);
        l->Add(row);
    }
    AttachShown(l);
    const POINT row1 = Center(list->GetItemAt(1));
    Send(*window, WM_LBUTTONDOWN, MK_LBUTTON, Point(row1.x, row1.y));
    Send(*window, WM_LBUTTONUP, 0, Point(row1.x, row1.y));
    const POINT row2 = Center(list->GetItemAt(2));
    Send(*window, WM_RBUTTONDOWN, MK_RBUTTON, Point(row2.x, row2.y));
    Send(*window, WM_RBUTTONUP, 0, Point(row2.x, row2.y));
    Send(*window, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(row2.x, row2.y));
    Send(*window, WM_LBUTTONUP, 0, Point(row2.x, row2.y));
    EXPECT_EQ((std::vector<std::wstring>{L"itemclick:2:1", L"itemselect:1:-1", L"itemclick_r:2:2",
                                         L"itemselect:2:1", L"itemactivate:0:0"}),
              window->Texts());
}

TEST_F(ListElementsTest, RemovingTheHotItemLeavesNoStaleHover) {
    AttachShown(MakeLabelList(5));
    const POINT row2 = Center(list->GetItemAt(2));
    Send(*window, WM_MOUSEMOVE, 0, Point(row2.x, row2.y));
    CListElementUI* hot = static_cast<CListElementUI*>(list->GetItemAt(2));
    ASSERT_TRUE(hot->IsHot());
    ASSERT_TRUE(list->SelectItem(2));
    window->log.clear();

    ASSERT_TRUE(list->RemoveAt(2));
    uitest::Pump();   // the removed row is deleted by the delayed cleanup
    ::UpdateWindow(window->GetHWND());
    uitest::Pump();

    // The row that moved under the mouse becomes hot only when the mouse moves; the row before
    // the removed one takes the selection.
    CListElementUI* next = static_cast<CListElementUI*>(list->GetItemAt(2));
    EXPECT_FALSE(next->IsHot());
    EXPECT_FALSE(next->IsSelected());
    EXPECT_TRUE(static_cast<CListElementUI*>(list->GetItemAt(1))->IsSelected());
    EXPECT_EQ((std::vector<std::wstring>{L"itemselect:1:-1"}), window->Texts());
    Send(*window, WM_MOUSEMOVE, 0, Point(row2.x, row2.y + 1));
    EXPECT_TRUE(next->IsHot());
    Send(*window, WM_MOUSEMOVE, 0, Point(row2.x, 199));
    EXPECT_FALSE(next->IsHot());

    // Removing everything while a row is hot and selected.
    Send(*window, WM_MOUSEMOVE, 0, Point(row2.x, row2.y));
    list->RemoveAll();
    uitest::Pump();
    Send(*window, WM_MOUSEMOVE, 0, Point(row2.x, row2.y + 2));
    Send(*window, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(-1, list->GetCurSel());
}

// An owner that keeps the types of the events its items hand on.
class RecordingOwner : public CControlUI, public IListOwnerUI {
public:
    void* GetInterface(const wchar_t* name) override {
        if (name != nullptr && wcscmp(name, L"IListOwner") == 0) return static_cast<IListOwnerUI*>(this);
        return CControlUI::GetInterface(name);
    }
    ListItemStyle* GetListItemStyle() override { return &style; }
    int GetCurSel() const override { return -1; }
    bool SelectItem(int, bool) override { return true; }
    void HandleEvent(UIEvent& event) override { events.push_back(event.type); }

    ListItemStyle style;
    std::vector<int> events;
};

TEST(ListItemsWithoutMouseInput, HandMouseEventsToTheOwnerButStillActivateByKey) {
    std::vector<std::unique_ptr<CControlUI>> items;
    items.emplace_back(new CListLabelElementUI);
    items.emplace_back(new CListTextElementUI);
    items.emplace_back(new CListContainerElementUI);
    for (const auto& item : items) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(item->GetClassName())));
        RecordingOwner owner;
        IListItemUI* listItem = static_cast<IListItemUI*>(item->GetInterface(L"ListItem"));
        ASSERT_NE(nullptr, listItem);
        listItem->SetOwner(&owner);
        item->SetMouseEnabled(false);
        for (int type : {UIEVENT_MOUSEENTER, UIEVENT_BUTTONDOWN, UIEVENT_DBLCLICK, UIEVENT_MOUSELEAVE}) {
            UIEvent event = MakeEvent(type, item.get());
            item->HandleEvent(event);
        }
        EXPECT_EQ((std::vector<int>{UIEVENT_MOUSEENTER, UIEVENT_BUTTONDOWN, UIEVENT_DBLCLICK, UIEVENT_MOUSELEAVE}),
                  owner.events);
        EXPECT_FALSE(listItem->IsSelected());

        // Return is no mouse event: the item activates itself and keeps the key.
        UIEvent key = MakeEvent(UIEVENT_KEYDOWN, item.get(), POINT{0, 0}, VK_RETURN);
        item->HandleEvent(key);
        EXPECT_EQ(4u, owner.events.size());
        listItem->SetOwner(nullptr);
    }
}

}  // namespace
}  // namespace listtest
