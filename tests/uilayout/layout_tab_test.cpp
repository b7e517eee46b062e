// Tab layout: which page is current and shown as pages come and go, selection and its
// "tabselect" notification, bad indexes, and the placement of the current page.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "layout_test_support.h"
#include "uicore_test_util.h"

using namespace UIToolkit;
using namespace layouttest;

namespace {

// A tab layout as the root of a hidden framework window, so that selections notify.
class TabTest : public ::testing::Test {
protected:
    void SetUp() override {
        CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr));
        ASSERT_NE(nullptr, window.CreateHidden());
        tab = new CTabLayoutUI;
        tab->SetName(L"tabs");
        tab->SetDelayedDestroy(false);
        ASSERT_TRUE(window.pm.AttachRoot(tab));
        window.pm.AddNotifier(&recorder);
    }

    void TearDown() override {
        if (window.GetHWND() != nullptr) ::DestroyWindow(window.GetHWND());
        uitest::Pump();
    }

    std::vector<Leaf*> AddPages(int n) {
        std::vector<Leaf*> pages;
        for (int i = 0; i < n; ++i) {
            Leaf* page = new Leaf((L"page" + std::to_wstring(i)).c_str());
            EXPECT_TRUE(tab->Add(page));
            pages.push_back(page);
        }
        return pages;
    }

    // "1" for a shown page, "0" for a hidden one, in child order.
    std::string Shown() const {
        std::string text;
        for (int i = 0; i < tab->GetCount(); ++i) text += tab->GetItemAt(i)->IsVisible() ? '1' : '0';
        return text;
    }

    uitest::TestWindow window;
    CTabLayoutUI* tab = nullptr;
    NotifyRecorder recorder;
};

}  // namespace

TEST_F(TabTest, TheFirstVisiblePageBecomesCurrent) {
    EXPECT_EQ(-1, tab->GetCurSel());
    Leaf* hidden = new Leaf(L"hidden");
    hidden->SetVisible(false);
    ASSERT_TRUE(tab->Add(hidden));
    EXPECT_EQ(-1, tab->GetCurSel());
    AddPages(3);
    EXPECT_EQ(1, tab->GetCurSel());
    EXPECT_EQ("0100", Shown());
    EXPECT_FALSE(tab->Add(nullptr));
    EXPECT_EQ(0, recorder.Count(L"tabselect"));
}

TEST_F(TabTest, SelectShowsOnePageAndNotifies) {
    AddPages(3);
    ASSERT_EQ(0, tab->GetCurSel());
    // Selection through the layout attribute, as a layout file does it.
    tab->SetAttribute(L"selectedid", L"2");
    EXPECT_EQ(2, tab->GetCurSel());
    EXPECT_EQ("001", Shown());
    ASSERT_EQ(1, recorder.Count(L"tabselect"));
    EXPECT_EQ(static_cast<CControlUI*>(tab), recorder.entries.back().sender);
    EXPECT_EQ(2u, recorder.entries.back().wParam);
    EXPECT_EQ(0, recorder.entries.back().lParam);

    // The current page again: true, nothing sent.
    EXPECT_TRUE(tab->SelectItem(2));
    EXPECT_EQ(1, recorder.Count(L"tabselect"));

    EXPECT_TRUE(tab->SelectItem(1));
    EXPECT_EQ("010", Shown());
    EXPECT_EQ(1u, recorder.entries.back().wParam);
    EXPECT_EQ(2, recorder.entries.back().lParam);
}

TEST_F(TabTest, BadIndexesChangeNothing) {
    AddPages(3);
    ASSERT_TRUE(tab->SelectItem(1));
    recorder.entries.clear();
    for (int index : {-1, 3, 100, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(index);
        EXPECT_FALSE(tab->SelectItem(index));
        EXPECT_EQ(1, tab->GetCurSel());
        EXPECT_EQ("010", Shown());
    }
    tab->SetAttribute(L"selectedid", L"x");   // reads as 0: a real selection
    EXPECT_EQ(0, tab->GetCurSel());
    tab->SetAttribute(L"selectedid", L"7");
    EXPECT_EQ(0, tab->GetCurSel());
    EXPECT_EQ(1, recorder.Count(L"tabselect"));

    CTabLayoutUI empty;
    EXPECT_FALSE(empty.SelectItem(0));
    EXPECT_EQ(-1, empty.GetCurSel());
}

TEST_F(TabTest, RemovingPagesKeepsTheCurrentOneInStep) {
    std::vector<Leaf*> pages = AddPages(4);
    ASSERT_TRUE(tab->SelectItem(2));
    // A page before the current one: the index follows the current page.
    ASSERT_TRUE(tab->Remove(pages[0]));
    EXPECT_EQ(1, tab->GetCurSel());
    EXPECT_EQ(pages[2], tab->GetItemAt(tab->GetCurSel()));
    // A page after it: no change.
    ASSERT_TRUE(tab->Remove(pages[3]));
    EXPECT_EQ(1, tab->GetCurSel());
    EXPECT_EQ("01", Shown());
    // The current page: the first page is shown and current.
    ASSERT_TRUE(tab->Remove(pages[2]));
    EXPECT_EQ(0, tab->GetCurSel());
    EXPECT_EQ("1", Shown());
    // Null, a stranger: refused, nothing changes.
    EXPECT_FALSE(tab->Remove(nullptr));
    Leaf stranger;
    EXPECT_FALSE(tab->Remove(&stranger));
    EXPECT_EQ(0, tab->GetCurSel());
    // The last page: nothing is current.
    ASSERT_TRUE(tab->RemoveAt(0));
    EXPECT_EQ(-1, tab->GetCurSel());
    EXPECT_EQ(0, tab->GetCount());
    // A page added now becomes current.
    AddPages(1);
    EXPECT_EQ(0, tab->GetCurSel());
    EXPECT_EQ(1, recorder.Count(L"tabselect"));   // only the one selection above
}

TEST_F(TabTest, RemoveAtAndRemoveAllFollowTheSameRules) {
    AddPages(3);
    ASSERT_TRUE(tab->SelectItem(2));
    EXPECT_FALSE(tab->RemoveAt(5));
    ASSERT_TRUE(tab->RemoveAt(2));
    EXPECT_EQ(0, tab->GetCurSel());
    EXPECT_EQ("10", Shown());
    tab->RemoveAll();
    EXPECT_EQ(-1, tab->GetCurSel());
    EXPECT_FALSE(tab->SelectItem(0));
    AddPages(2);
    EXPECT_EQ(0, tab->GetCurSel());
    EXPECT_EQ("10", Shown());
}

TEST_F(TabTest, InsertedPagesStayHidden) {
    std::vector<Leaf*> pages = AddPages(3);
    ASSERT_TRUE(tab->SelectItem(1));
    // Before the current page: the index moves along, the new page is hidden.
    Leaf* before = new Leaf(L"before");
    ASSERT_TRUE(tab->AddAt(before, 0));
    EXPECT_EQ(2, tab->GetCurSel());
    EXPECT_EQ(pages[1], tab->GetItemAt(2));
    EXPECT_EQ("0010", Shown());
    // At the current page's index: the same.
    ASSERT_TRUE(tab->AddAt(new Leaf(L"at"), 2));
    EXPECT_EQ(3, tab->GetCurSel());
    EXPECT_EQ("00010", Shown());
    // After it: hidden, index unchanged.
    ASSERT_TRUE(tab->AddAt(new Leaf(L"after"), 5));
    EXPECT_EQ(3, tab->GetCurSel());
    EXPECT_EQ("000100", Shown());
    // Bad insert positions are refused.
    Leaf* refused = new Leaf(L"refused");
    EXPECT_FALSE(tab->AddAt(refused, 7));
    EXPECT_FALSE(tab->AddAt(refused, -1));
    delete refused;
    EXPECT_EQ(6, tab->GetCount());

    // Into an empty tab layout, a visible page becomes current.
    CTabLayoutUI fresh;
    ASSERT_TRUE(fresh.AddAt(new Leaf, 0));
    EXPECT_EQ(0, fresh.GetCurSel());
}

TEST_F(TabTest, MovingPagesKeepsTheCurrentPage) {
    std::vector<Leaf*> pages = AddPages(3);
    ASSERT_TRUE(tab->SelectItem(1));
    ASSERT_TRUE(tab->SetItemIndex(pages[1], 2));
    EXPECT_EQ(2, tab->GetCurSel());
    ASSERT_TRUE(tab->SetItemIndex(pages[2], 2));   // another page moved past it
    EXPECT_EQ(1, tab->GetCurSel());
    EXPECT_EQ(pages[1], tab->GetItemAt(tab->GetCurSel()));
    EXPECT_FALSE(tab->SetItemIndex(pages[0], 9));
    EXPECT_EQ(1, tab->GetCurSel());
}

TEST_F(TabTest, LaysOutOnlyTheCurrentPage) {
    std::vector<Leaf*> pages = AddPages(3);
    pages[1]->SetFixedWidth(40);
    pages[1]->SetFixedHeight(500);
    pages[1]->SetMaxHeight(60);
    pages[1]->SetPadding(RECT{2, 3, 4, 5});
    Child floating = Sized(10, 10);
    floating.isFloat = true;
    floating.floatXY = SIZE{1, 1};
    Leaf* floater = MakeLeaf(floating);
    tab->Add(floater);
    floater->SetVisible(true);   // a float page shown next to the current one
    tab->SetInset(RECT{10, 10, 10, 10});
    for (Leaf* page : pages) page->SetPos(RECT{-1, -1, -1, -1});

    tab->SetPos(RECT{0, 0, 200, 100});
    EXPECT_EQ(Text(10, 10, 190, 90), Text(pages[0]->GetPos()));
    EXPECT_EQ(Text(-1, -1, -1, -1), Text(pages[1]->GetPos()));
    EXPECT_EQ(Text(1, 1, 11, 11), Text(floater->GetPos()));

    ASSERT_TRUE(tab->SelectItem(1));
    tab->SetPos(RECT{0, 0, 200, 100});
    // Inside the inset and its margins, with its own width and its height capped.
    EXPECT_EQ(Text(12, 13, 52, 73), Text(pages[1]->GetPos()));
    EXPECT_EQ(Text(10, 10, 190, 90), Text(pages[0]->GetPos()));
}
