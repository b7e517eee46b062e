// Selection, keyboard navigation, insertion and removal of a list's items.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "list_test_util.h"

namespace listtest {
namespace {

class ListSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<ListWindow>();
        ASSERT_NE(nullptr, window->CreateHidden());
    }
    void TearDown() override {
        if (window->GetHWND() != nullptr) ::DestroyWindow(window->GetHWND());
        uitest::Pump();
    }

    void Build(int count, RECT rc = RECT{0, 0, 200, 400}) {
        list = MakeLabelList(count);
        window->pm.AttachRoot(list);
        list->SetPos(rc);
    }
    IListItemUI* Item(int index) const {
        return static_cast<IListItemUI*>(list->GetItemAt(index)->GetInterface(L"ListItem"));
    }
    // Every item knows its position, and only the list's selection shows itself selected.
    void ExpectConsistent() const {
        for (int i = 0; i < list->GetCount(); ++i) {
            IListItemUI* item = Item(i);
            if (item == nullptr) continue;
            EXPECT_EQ(i, item->GetIndex()) << "item " << i;
            EXPECT_EQ(i == list->GetCurSel(), item->IsSelected()) << "item " << i;
        }
    }

    std::unique_ptr<ListWindow> window;
    CListUI* list = nullptr;
};

struct KeyCase {
    const char* name;
    int count;
    std::vector<int> hidden;
    std::vector<int> disabled;
    int start;
    wchar_t key;
    int expected;
    std::vector<std::wstring> notes;
};

class ListKeyTest : public ListSelectionTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ListKeyTest, MovesSelection) {
    const KeyCase& c = GetParam();
    Build(c.count);
    if (c.start >= 0) {
        ASSERT_TRUE(list->SelectItem(c.start));
    }
    for (int i : c.hidden) list->GetItemAt(i)->SetVisible(false);
    for (int i : c.disabled) list->GetItemAt(i)->SetEnabled(false);
    window->log.clear();

    PressKey(list, c.key);

    EXPECT_EQ(c.expected, list->GetCurSel());
    EXPECT_EQ(c.notes, window->Texts());
    ExpectConsistent();
}

const wchar_t* const kSelect31 = L"itemselect:3:1";

INSTANTIATE_TEST_SUITE_P(
    Keys, ListKeyTest,
    ::testing::Values(
        KeyCase{"EmptyHome", 0, {}, {}, -1, VK_HOME, -1, {}},
        KeyCase{"EmptyEnd", 0, {}, {}, -1, VK_END, -1, {}},
        KeyCase{"EmptyUp", 0, {}, {}, -1, VK_UP, -1, {}},
        KeyCase{"EmptyDown", 0, {}, {}, -1, VK_DOWN, -1, {}},
        KeyCase{"EmptyReturn", 0, {}, {}, -1, VK_RETURN, -1, {}},
        KeyCase{"DownFromNone", 5, {}, {}, -1, VK_DOWN, 0, {L"itemselect:0:-1"}},
        KeyCase{"DownSkipsDisabled", 5, {}, {2}, 1, VK_DOWN, 3, {kSelect31}},
        KeyCase{"DownOnLastKeepsIt", 5, {}, {}, 4, VK_DOWN, 4, {}},
        KeyCase{"DownWithNothingAfterDeselects", 5, {3, 4}, {}, 2, VK_DOWN, -1, {}},
        KeyCase{"UpOnFirstKeepsIt", 5, {}, {}, 0, VK_UP, 0, {}},
        KeyCase{"UpSkipsHidden", 5, {2}, {}, 3, VK_UP, 1, {L"itemselect:1:3"}},
        KeyCase{"UpBelowFirstSelectableStays", 5, {0}, {}, 1, VK_UP, 1, {}},
        KeyCase{"HomeSkipsHidden", 5, {0}, {}, 3, VK_HOME, 1, {L"itemselect:1:3"}},
        KeyCase{"EndSelectsLast", 5, {}, {}, 1, VK_END, 4, {L"itemselect:4:1"}},
        KeyCase{"EndWithLastHiddenDeselects", 5, {4}, {}, 1, VK_END, -1, {}},
        KeyCase{"ReturnActivatesSelection", 5, {}, {}, 2, VK_RETURN, 2, {L"itemactivate:0:0"}},
        KeyCase{"PageDownKeepsSelection", 5, {}, {}, 0, VK_NEXT, 0, {}}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(ListSelectionTest, KeysOnAnItemReachTheList) {
    Build(3);
    ASSERT_TRUE(list->SelectItem(0));
    window->log.clear();
    PressKey(list->GetItemAt(0), VK_DOWN);
    EXPECT_EQ(1, list->GetCurSel());
    PressKey(list->GetItemAt(1), VK_RETURN);
    EXPECT_EQ((std::vector<std::wstring>{L"itemselect:1:0", L"itemactivate:0:0"}), window->Texts());
}

TEST_F(ListSelectionTest, KeysOnEveryKindOfItemReachTheList) {
    list = new CListUI;
    CListContainerElementUI* box = new CListContainerElementUI;
    box->SetFixedHeight(20);
    list->Add(box);
    CListTextElementUI* text = new CListTextElementUI;
    text->SetFixedHeight(20);
    list->Add(text);
    list->Add(new CListLabelElementUI);
    window->pm.AttachRoot(list);
    list->SetPos(RECT{0, 0, 200, 400});

    PressKey(box, VK_DOWN);
    EXPECT_EQ(0, list->GetCurSel());
    PressKey(box, VK_DOWN);
    EXPECT_EQ(1, list->GetCurSel());
    PressKey(text, VK_END);
    EXPECT_EQ(2, list->GetCurSel());
    PressKey(text, VK_HOME);
    EXPECT_EQ(0, list->GetCurSel());
}

TEST_F(ListSelectionTest, AListWithoutMouseInputLeavesTheWheelToItsParent) {
    list = MakeLabelList(10);
    list->SetAttribute(L"header", L"hidden");
    list->EnableScrollBars(true, false);
    CContainerUI* root = new CVerticalLayoutUI;
    root->Add(list);
    window->pm.AttachRoot(root);
    root->SetPos(RECT{0, 0, 200, 100});
    ASSERT_GT(list->GetScrollRange().cy, 0);

    list->SetMouseEnabled(false);
    UIEvent down = MakeEvent(UIEVENT_SCROLLWHEEL, list, POINT{0, 0}, 0, 1);
    list->GetItemAt(0)->DispatchEvent(down);
    list->DispatchEvent(down);
    EXPECT_EQ(0, list->GetScrollPos().cy);
    list->SetMouseEnabled(true);
    list->GetItemAt(0)->DispatchEvent(down);
    EXPECT_GT(list->GetScrollPos().cy, 0);
}

TEST_F(ListSelectionTest, WheelScrollsOrMovesTheSelection) {
    Build(10, RECT{0, 0, 200, 100});
    list->SetAttribute(L"header", L"hidden");
    list->EnableScrollBars(true, false);
    list->SetPos(RECT{0, 0, 200, 100});
    ASSERT_GT(list->GetScrollRange().cy, 0);

    UIEvent down = MakeEvent(UIEVENT_SCROLLWHEEL, list, POINT{0, 0}, 0, 1);
    list->DispatchEvent(down);
    EXPECT_GT(list->GetScrollPos().cy, 0);
    EXPECT_EQ(-1, list->GetCurSel());

    list->SetAttribute(L"scrollselect", L"true");
    list->DispatchEvent(down);
    list->DispatchEvent(down);
    EXPECT_EQ(1, list->GetCurSel());
    UIEvent up = MakeEvent(UIEVENT_SCROLLWHEEL, list, POINT{0, 0}, 0, 0);
    list->DispatchEvent(up);
    EXPECT_EQ(0, list->GetCurSel());
}

TEST_F(ListSelectionTest, SelectItemReportsNewAndPreviousIndex) {
    Build(5);
    EXPECT_TRUE(list->SelectItem(1));
    EXPECT_TRUE(list->SelectItem(3));
    EXPECT_TRUE(list->SelectItem(3));   // unchanged: nothing sent
    EXPECT_EQ((std::vector<std::wstring>{L"itemselect:1:-1", kSelect31}), window->Texts());
    EXPECT_EQ(list, window->log[0].sender);
    ExpectConsistent();
}

TEST_F(ListSelectionTest, RefusedSelectionLeavesNothingSelected) {
    Build(5);
    list->GetItemAt(2)->SetVisible(false);
    list->GetItemAt(3)->SetEnabled(false);
    for (int index : {2, 3, 5, 99}) {
        ASSERT_TRUE(list->SelectItem(0));
        window->log.clear();
        EXPECT_FALSE(list->SelectItem(index)) << index;
        EXPECT_EQ(-1, list->GetCurSel()) << index;
        EXPECT_TRUE(window->log.empty()) << index;
        ExpectConsistent();
    }
    ASSERT_TRUE(list->SelectItem(0));
    EXPECT_FALSE(list->SelectItem(-1));   // deselects
    EXPECT_EQ(-1, list->GetCurSel());
    ExpectConsistent();
}

TEST_F(ListSelectionTest, HidingTheSelectedItemDeselectsWithoutNotification) {
    Build(4);
    ASSERT_TRUE(list->SelectItem(2));
    window->log.clear();
    list->GetItemAt(2)->SetVisible(false);
    EXPECT_EQ(-1, list->GetCurSel());
    EXPECT_FALSE(Item(2)->IsSelected());
    EXPECT_TRUE(window->log.empty());
}

TEST_F(ListSelectionTest, AnItemTheListCannotSelectDoesNotStaySelected) {
    Build(4);
    list->GetItemAt(1)->SetInternalVisible(false);   // hidden without passing through SetVisible
    EXPECT_FALSE(Item(1)->Select(true));
    EXPECT_FALSE(Item(1)->IsSelected());
    EXPECT_EQ(-1, list->GetCurSel());
}

TEST_F(ListSelectionTest, ADisabledSelectedItemIsDeselectedWhenAnotherIsSelected) {
    Build(4);
    ASSERT_TRUE(list->SelectItem(1));
    list->GetItemAt(1)->SetEnabled(false);
    EXPECT_FALSE(Item(1)->Select(true));   // a disabled item cannot be selected ...
    ASSERT_TRUE(list->SelectItem(2));
    EXPECT_FALSE(Item(1)->IsSelected());   // ... but does not stay selected beside the new one
    ExpectConsistent();
}

TEST_F(ListSelectionTest, ItemSelectAttributeSelectsWhateverTheValue) {
    Build(3);
    list->GetItemAt(2)->SetAttribute(L"selected", L"false");
    EXPECT_EQ(2, list->GetCurSel());
    ExpectConsistent();
}

// ---- Insertion and removal ------------------------------------------------------------------

enum class Op { RemoveAt, RemoveControl, Insert };

struct EditCase {
    const char* name;
    int count;
    int selected;
    Op op;
    int index;
    int expected;
    std::vector<std::wstring> notes;
    const wchar_t* nameAtExpected;
};

class ListEditTest : public ListSelectionTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(ListEditTest, KeepsSelectionAndIndexesInStep) {
    const EditCase& c = GetParam();
    Build(c.count);
    ASSERT_TRUE(list->SelectItem(c.selected));
    window->log.clear();

    switch (c.op) {
        case Op::RemoveAt:
            ASSERT_TRUE(list->RemoveAt(c.index));
            break;
        case Op::RemoveControl:
            ASSERT_TRUE(list->Remove(list->GetItemAt(c.index)));
            break;
        case Op::Insert: {
            CListLabelElementUI* row = new CListLabelElementUI;
            row->SetName(L"new");
            ASSERT_TRUE(list->AddAt(row, c.index));
            break;
        }
    }

    EXPECT_EQ(c.expected, list->GetCurSel());
    EXPECT_EQ(c.notes, window->Texts());
    if (c.expected >= 0) {
        EXPECT_EQ(std::wstring(c.nameAtExpected), std::wstring(list->GetItemAt(c.expected)->GetName()));
    }
    ExpectConsistent();
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ListEditTest,
    ::testing::Values(
        // The nearest selectable item before the removed one takes the selection (as in the
        // play-list tree), or the first one when the removed item was the first.
        EditCase{"RemoveSelectedMiddle", 5, 2, Op::RemoveAt, 2, 1, {L"itemselect:1:-1"}, L"row1"},
        EditCase{"RemoveSelectedFirst", 5, 0, Op::RemoveControl, 0, 0, {L"itemselect:0:-1"}, L"row1"},
        EditCase{"RemoveSelectedLast", 5, 4, Op::RemoveControl, 4, 3, {L"itemselect:3:-1"}, L"row3"},
        EditCase{"RemoveOnlyItem", 1, 0, Op::RemoveAt, 0, -1, {}, L""},
        EditCase{"RemoveBeforeSelection", 5, 3, Op::RemoveAt, 1, 2, {}, L"row3"},
        EditCase{"RemoveAfterSelection", 5, 1, Op::RemoveControl, 3, 1, {}, L"row1"},
        EditCase{"InsertAtSelection", 5, 2, Op::Insert, 2, 3, {}, L"row2"},
        EditCase{"InsertBeforeSelection", 5, 2, Op::Insert, 0, 3, {}, L"row2"},
        EditCase{"InsertAfterSelection", 5, 2, Op::Insert, 3, 2, {}, L"row2"},
        EditCase{"AppendKeepsSelection", 5, 2, Op::Insert, 5, 2, {}, L"row2"}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST_F(ListSelectionTest, RemovingTheSelectedItemSkipsUnselectableNeighbours) {
    Build(5);
    list->GetItemAt(3)->SetEnabled(false);
    ASSERT_TRUE(list->SelectItem(4));
    window->log.clear();
    ASSERT_TRUE(list->RemoveAt(4));
    EXPECT_EQ(2, list->GetCurSel());
    EXPECT_EQ((std::vector<std::wstring>{L"itemselect:2:-1"}), window->Texts());
}

TEST_F(ListSelectionTest, IndexesOutsideTheItemsAreRefused) {
    Build(3);
    EXPECT_FALSE(list->RemoveAt(3));
    EXPECT_FALSE(list->RemoveAt(-1));
    EXPECT_FALSE(list->Remove(nullptr));
    CListLabelElementUI* stray = new CListLabelElementUI;
    EXPECT_FALSE(list->Remove(stray));
    EXPECT_FALSE(list->AddAt(stray, 4));
    EXPECT_FALSE(list->AddAt(stray, -1));
    delete stray;
    EXPECT_EQ(nullptr, list->GetItemAt(3));
    EXPECT_EQ(3, list->GetCount());
    EXPECT_FALSE(list->ExpandItem(7));
    EXPECT_FALSE(list->ExpandItem(1));   // list elements never expand
    EXPECT_EQ(-1, list->GetExpandedItem());
    list->EnsureVisible(42);             // no item there: nothing happens
}

TEST_F(ListSelectionTest, RemoveAllClearsTheSelectionSilently) {
    Build(4);
    ASSERT_TRUE(list->SelectItem(1));
    window->log.clear();
    list->RemoveAll();
    EXPECT_EQ(0, list->GetCount());
    EXPECT_EQ(-1, list->GetCurSel());
    EXPECT_TRUE(window->log.empty());
    PressKey(list, VK_DOWN);
    EXPECT_EQ(-1, list->GetCurSel());
}

TEST_F(ListSelectionTest, AnItemThatOutlivesItsRemovalIsDetached) {
    Build(4);
    list->GetBody()->SetAutoDestroy(false);
    CControlUI* row = list->GetItemAt(2);
    IListItemUI* item = Item(2);
    ASSERT_TRUE(list->SelectItem(2));
    ASSERT_TRUE(list->Remove(row));
    EXPECT_FALSE(item->IsSelected());
    EXPECT_EQ(nullptr, item->GetOwner());
    EXPECT_EQ(1, list->GetCurSel());   // the row before it took the selection
    // Painting no longer reaches the list's style.
    uitest::Canvas canvas(200, 400);
    row->Paint(canvas.dc(), RECT{0, 0, 200, 400});
    const POINT center = Center(row);
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(center.x, center.y));
    delete row;

    list->GetBody()->SetAutoDestroy(true);
    list->RemoveAll();
}

TEST_F(ListSelectionTest, MovingItemsCarriesTheSelection) {
    Build(5);
    CControlUI* row1 = list->GetItemAt(1);
    ASSERT_TRUE(list->SelectItem(1));
    window->log.clear();
    ASSERT_TRUE(list->SetItemIndex(row1, 3));   // row0 row2 row3 row1 row4
    EXPECT_EQ(3, list->GetCurSel());
    EXPECT_EQ(3, list->GetItemIndex(row1));
    ASSERT_TRUE(list->SetItemIndex(list->GetItemAt(4), 0));   // row4 row0 row2 row3 row1
    EXPECT_EQ(4, list->GetCurSel());
    EXPECT_TRUE(list->SetItemIndex(row1, 4));   // unchanged
    EXPECT_FALSE(list->SetItemIndex(row1, 9));
    EXPECT_EQ(4, list->GetCurSel());
    EXPECT_TRUE(window->log.empty());
    ExpectConsistent();
}

TEST_F(ListSelectionTest, ControlsThatAreNotItemsLiveInTheBodyUnnumbered) {
    Build(2);
    CContainerUI* plain = new CContainerUI;
    ASSERT_TRUE(list->AddAt(plain, 1));
    EXPECT_EQ(3, list->GetCount());
    EXPECT_EQ(1, list->GetItemIndex(plain));
    EXPECT_FALSE(list->SelectItem(1));
    ASSERT_TRUE(list->SelectItem(2));
    ASSERT_TRUE(list->Remove(plain));
    EXPECT_EQ(1, list->GetCurSel());
    ExpectConsistent();
}

// ---- Expansion ------------------------------------------------------------------------------

// An item that may be expanded (the list elements themselves never are), or that refuses.
class ExpandableRow : public CListContainerElementUI {
public:
    explicit ExpandableRow(bool accepts = true) : m_accepts(accepts) { SetFixedHeight(20); }
    bool IsExpanded() const override { return m_expanded; }
    bool Expand(bool expand) override {
        if (expand && !m_accepts) return false;
        m_expanded = expand;
        return true;
    }

private:
    bool m_accepts;
    bool m_expanded = false;
};

class ListExpandTest : public ListSelectionTest {
protected:
    void BuildExpandable(int count) {
        list = new CListUI;
        for (int i = 0; i < count; ++i) {
            ExpandableRow* row = new ExpandableRow;
            row->SetName((L"row" + std::to_wstring(i)).c_str());
            list->Add(row);
        }
        window->pm.AttachRoot(list);
        list->SetPos(RECT{0, 0, 200, 400});
    }
    std::vector<int> Expanded() const {
        std::vector<int> expanded;
        for (int i = 0; i < list->GetCount(); ++i) {
            if (Item(i)->IsExpanded()) expanded.push_back(i);
        }
        return expanded;
    }
};

TEST_F(ListExpandTest, OneItemIsExpandedUnlessMultiExpanding) {
    BuildExpandable(4);
    EXPECT_TRUE(list->ExpandItem(1));
    EXPECT_TRUE(list->ExpandItem(3));
    EXPECT_EQ(3, list->GetExpandedItem());
    EXPECT_EQ(std::vector<int>{3}, Expanded());
    EXPECT_TRUE(list->ExpandItem(3, false));
    EXPECT_EQ(-1, list->GetExpandedItem());
    EXPECT_TRUE(Expanded().empty());

    list->SetAttribute(L"multiexpanding", L"true");
    EXPECT_TRUE(list->ExpandItem(0));
    EXPECT_TRUE(list->ExpandItem(2));
    EXPECT_EQ(2, list->GetExpandedItem());
    EXPECT_EQ((std::vector<int>{0, 2}), Expanded());
}

TEST_F(ListExpandTest, HiddenMissingAndRefusingItemsAreNotExpanded) {
    BuildExpandable(3);
    list->AddAt(new ExpandableRow(false), 3);
    list->GetItemAt(1)->SetVisible(false);
    for (int index : {1, 3, 4, -1}) {
        ASSERT_TRUE(list->ExpandItem(0));
        EXPECT_FALSE(list->ExpandItem(index)) << index;
        EXPECT_EQ(-1, list->GetExpandedItem()) << index;
        EXPECT_TRUE(Expanded().empty()) << index;
    }
}

TEST_F(ListExpandTest, TheExpandedIndexFollowsItsItem) {
    BuildExpandable(5);
    CControlUI* row2 = list->GetItemAt(2);
    ASSERT_TRUE(list->ExpandItem(2));

    ASSERT_TRUE(list->AddAt(new ExpandableRow, 0));   // new row0 row1 row2 ...
    EXPECT_EQ(3, list->GetExpandedItem());
    ASSERT_TRUE(list->RemoveAt(1));                     // new row1 row2 ...
    EXPECT_EQ(2, list->GetExpandedItem());
    ASSERT_TRUE(list->SetItemIndex(row2, 4));
    EXPECT_EQ(4, list->GetExpandedItem());
    EXPECT_EQ(row2, list->GetItemAt(list->GetExpandedItem()));
    EXPECT_EQ(std::vector<int>{4}, Expanded());

    // Expanding another item collapses the moved one: the list still knew where it was.
    ASSERT_TRUE(list->ExpandItem(0));
    EXPECT_EQ(std::vector<int>{0}, Expanded());

    ASSERT_TRUE(list->RemoveAt(0));
    EXPECT_EQ(-1, list->GetExpandedItem());
    list->RemoveAll();
    EXPECT_EQ(-1, list->GetExpandedItem());
}

}  // namespace
}  // namespace listtest
