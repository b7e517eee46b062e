// The play-list tree: nodes and rows in step, depth-first row order, expanding and collapsing,
// removal of subtrees and of the selection, indentation text and the smooth wheel.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "listext_test_util.h"

namespace {

using namespace UIToolkit;
using listext::NotifyWindow;

class PlayListTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(window.CreateHidden(), nullptr);
        tree = new CPlayListUI;
        window.pm.AttachRoot(tree);
    }
    void TearDown() override {
        ::DestroyWindow(window.GetHWND());
        uitest::Pump();
    }

    PlayListNode* Add(const wchar_t* text, PlayListNode* parent = nullptr) {
        PlayListNode* node = tree->AddNode(text, L"", parent);
        if (node) nodes[text] = node;
        return node;
    }
    // The captions of the rows in row order, hidden rows in brackets.
    std::vector<std::wstring> Rows() const {
        std::vector<std::wstring> rows;
        for (int i = 0; i < tree->GetCount(); ++i) {
            CControlUI* row = tree->GetItemAt(i);
            auto* node = reinterpret_cast<PlayListNode*>(row->GetTag());
            std::wstring caption = node ? std::wstring(node->GetData().text) : L"?";
            rows.push_back(row->IsVisible() ? caption : L"[" + caption + L"]");
        }
        return rows;
    }
    // G1 { A { A1 }, B }, G2 { C }, everything expanded.
    void BuildSample() {
        Add(L"G1");
        Add(L"G2");
        Add(L"A", nodes[L"G1"]);
        Add(L"B", nodes[L"G1"]);
        Add(L"A1", nodes[L"A"]);
        Add(L"C", nodes[L"G2"]);
        for (const wchar_t* name : {L"G1", L"A", L"G2"}) tree->ExpandNode(nodes[name], true);
    }

    NotifyWindow window;
    CPlayListUI* tree = nullptr;
    std::map<std::wstring, PlayListNode*> nodes;
};

using Names = std::vector<std::wstring>;

TEST_F(PlayListTreeTest, RowsFollowTheTreeInDepthFirstOrder) {
    BuildSample();
    EXPECT_EQ(Rows(), (Names{L"G1", L"A", L"A1", L"B", L"G2", L"C"}));

    // A new child lands after the whole existing subtree of its parent.
    Add(L"A2", nodes[L"A"]);
    Add(L"G3");
    EXPECT_EQ(Rows(), (Names{L"G1", L"A", L"A1", L"A2", L"B", L"G2", L"C", L"G3"}));

    // Every row carries its node, every node its row; indexes are the positions.
    for (int i = 0; i < tree->GetCount(); ++i) {
        CControlUI* row = tree->GetItemAt(i);
        auto* node = reinterpret_cast<PlayListNode*>(row->GetTag());
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->GetData().row, row);
        auto* item = static_cast<IListItemUI*>(row->GetInterface(L"ListItem"));
        EXPECT_EQ(item->GetIndex(), i);
    }
    EXPECT_EQ(nodes[L"A1"]->GetData().level, 2);
    EXPECT_EQ(nodes[L"A"]->GetParent(), nodes[L"G1"]);
    EXPECT_EQ(tree->GetRoot()->GetChildCount(), 3);
    EXPECT_EQ(nodes[L"G1"]->GetLastDescendant(), nodes[L"B"]);
    EXPECT_EQ(tree->GetRoot()->GetLastDescendant(), nodes[L"G3"]);
}

TEST_F(PlayListTreeTest, RowTextCarriesIndentationAndTheExpandIcon) {
    struct Case {
        int level;
        bool expanded;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {0, false, L"<x 6><a><i tree_expand.png 2 0></a>Rock"},
        {0, true, L"<x 6><a><i tree_expand.png 2 1></a>Rock"},
        {1, false, L"<x 6><x 24><a><i tree_expand.png 2 0></a>Rock"},
        {2, true, L"<x 6><x 24><x 24><a><i tree_expand.png 2 1></a>Rock"},
        {3, true, L"<x 6><x 24><x 24><x 24>Rock"},
    };
    for (const Case& c : cases) {
        PlayListNodeData data;
        data.level = c.level;
        data.expanded = c.expanded;
        data.text = L"Rock";
        EXPECT_STREQ(CPlayListUI::MakeRowText(data).GetData(), c.expected) << "level " << c.level;
    }

    // Brackets in a caption are escaped: they show as text and open no tag.
    PlayListNodeData odd;
    odd.level = 3;
    odd.text = L"<b>{i}";
    EXPECT_STREQ(CPlayListUI::MakeRowText(odd).GetData(),
                 L"<x 6><x 24><x 24><x 24>{<}b{>}<{>i<}>");

    // The rows themselves: a level-0 row has the striped background, deeper rows do not; the
    // icon follows ExpandNode.
    PlayListNode* group = Add(L"Mine");
    PlayListNode* child = Add(L"Songs", group);
    EXPECT_STREQ(group->GetData().row->GetText().GetData(), L"<x 6><a><i tree_expand.png 2 0></a>Mine");
    EXPECT_NE(std::wstring(group->GetData().row->GetBkImage()).find(L"left.png"), std::wstring::npos);
    EXPECT_STREQ(child->GetData().row->GetBkImage(), L"");
    tree->ExpandNode(group, true);
    EXPECT_STREQ(group->GetData().row->GetText().GetData(), L"<x 6><a><i tree_expand.png 2 1></a>Mine");
    EXPECT_TRUE(tree->IsItemShowHtml());
}

TEST_F(PlayListTreeTest, CollapsingHidesDescendantsAndExpandingRestoresThemByTheirOwnParents) {
    Add(L"G1");
    Add(L"A", nodes[L"G1"]);
    Add(L"A1", nodes[L"A"]);
    Add(L"B", nodes[L"G1"]);
    // Children of a collapsed node start hidden.
    EXPECT_EQ(Rows(), (Names{L"G1", L"[A]", L"[A1]", L"[B]"}));

    tree->ExpandNode(nodes[L"G1"], true);
    EXPECT_EQ(Rows(), (Names{L"G1", L"A", L"[A1]", L"B"}));
    tree->ExpandNode(nodes[L"A"], true);
    EXPECT_EQ(Rows(), (Names{L"G1", L"A", L"A1", L"B"}));

    tree->ExpandNode(nodes[L"G1"], false);
    EXPECT_EQ(Rows(), (Names{L"G1", L"[A]", L"[A1]", L"[B]"}));
    tree->ExpandNode(nodes[L"G1"], true);
    EXPECT_EQ(Rows(), (Names{L"G1", L"A", L"A1", L"B"}));

    // An inner node that was collapsed keeps its children hidden when the group reopens.
    tree->ExpandNode(nodes[L"A"], false);
    tree->ExpandNode(nodes[L"G1"], false);
    tree->ExpandNode(nodes[L"G1"], true);
    EXPECT_EQ(Rows(), (Names{L"G1", L"A", L"[A1]", L"B"}));

    // Expanding a node whose row is hidden changes only its icon.
    tree->ExpandNode(nodes[L"G1"], false);
    tree->ExpandNode(nodes[L"A"], true);
    EXPECT_TRUE(nodes[L"A"]->GetData().expanded);
    EXPECT_EQ(Rows(), (Names{L"G1", L"[A]", L"[A1]", L"[B]"}));

    // Adding under an expanded node whose own row is hidden hides the new row too.
    Add(L"A2", nodes[L"A"]);
    EXPECT_EQ(Rows(), (Names{L"G1", L"[A]", L"[A1]", L"[A2]", L"[B]"}));
    tree->ExpandNode(nodes[L"G1"], true);
    EXPECT_EQ(Rows(), (Names{L"G1", L"A", L"A1", L"A2", L"B"}));

    // Null, the root and an unchanged flag change nothing.
    tree->ExpandNode(nullptr, false);
    tree->ExpandNode(tree->GetRoot(), false);
    EXPECT_TRUE(tree->GetRoot()->GetData().expanded);
}

TEST_F(PlayListTreeTest, RemovingANodeRemovesItsSubtreeAndRenumbersTheRest) {
    BuildSample();
    EXPECT_TRUE(tree->RemoveNode(nodes[L"G1"]));
    EXPECT_EQ(Rows(), (Names{L"G2", L"C"}));
    EXPECT_EQ(tree->GetRoot()->GetChildCount(), 1);
    for (int i = 0; i < tree->GetCount(); ++i) {
        auto* item = static_cast<IListItemUI*>(tree->GetItemAt(i)->GetInterface(L"ListItem"));
        EXPECT_EQ(item->GetIndex(), i);
    }
    uitest::Pump();   // the removed rows are deleted by the delayed cleanup

    // Refused: null, the root, and a node of another tree.
    EXPECT_FALSE(tree->RemoveNode(nullptr));
    EXPECT_FALSE(tree->RemoveNode(tree->GetRoot()));
    CPlayListUI other;
    PlayListNode* foreign = other.AddNode(L"X", L"", nullptr);
    ASSERT_NE(foreign, nullptr);
    EXPECT_FALSE(tree->RemoveNode(foreign));
    EXPECT_EQ(tree->AddNode(L"Y", L"", foreign), nullptr);
    EXPECT_EQ(tree->GetCount(), 2);
}

TEST_F(PlayListTreeTest, RemovingTheSelectedNodeSelectsTheNearestRowBeforeItOnce) {
    BuildSample();
    Add(L"G3");
    ASSERT_TRUE(tree->SelectItem(2));   // A1, inside G1's subtree
    window.log.clear();

    EXPECT_TRUE(tree->RemoveNode(nodes[L"A"]));   // takes A and the selected A1
    EXPECT_EQ(Rows(), (Names{L"G1", L"B", L"G2", L"C", L"G3"}));
    EXPECT_EQ(tree->GetCurSel(), 0);
    EXPECT_EQ(window.Of(L"itemselect"), (Names{L"itemselect:0:-1"}));
    auto* first = static_cast<IListItemUI*>(tree->GetItemAt(0)->GetInterface(L"ListItem"));
    EXPECT_TRUE(first->IsSelected());

    // Removing a subtree before the selection shifts it without a notification.
    ASSERT_TRUE(tree->SelectItem(4));   // G3
    window.log.clear();
    EXPECT_TRUE(tree->RemoveNode(nodes[L"G2"]));
    EXPECT_EQ(tree->GetCurSel(), 2);
    EXPECT_TRUE(window.Of(L"itemselect").empty());

    // Removing the first row when selected moves the selection to the next selectable row.
    ASSERT_TRUE(tree->SelectItem(0));
    EXPECT_TRUE(tree->RemoveNode(nodes[L"G1"]));   // G1 and B
    EXPECT_EQ(Rows(), (Names{L"G3"}));
    EXPECT_EQ(tree->GetCurSel(), 0);
}

TEST_F(PlayListTreeTest, ContainerOperationsGoThroughTheTree) {
    BuildSample();
    // Only label rows are accepted.
    CControlUI plain;
    EXPECT_FALSE(tree->Add(&plain));
    EXPECT_FALSE(tree->AddAt(&plain, 0));
    EXPECT_FALSE(tree->Add(nullptr));
    EXPECT_FALSE(tree->Remove(&plain));

    // Removing a row removes its node and the node's subtree.
    EXPECT_TRUE(tree->Remove(nodes[L"A"]->GetData().row));
    EXPECT_EQ(Rows(), (Names{L"G1", L"B", L"G2", L"C"}));
    EXPECT_EQ(nodes[L"G1"]->GetChildCount(), 1);
    EXPECT_TRUE(tree->RemoveAt(2));   // G2 and C
    EXPECT_EQ(Rows(), (Names{L"G1", L"B"}));
    EXPECT_FALSE(tree->RemoveAt(7));

    // A plain label row (no node) comes and goes as a plain row.
    auto* loose = new CListLabelElementUI;
    EXPECT_TRUE(tree->Add(loose));
    EXPECT_EQ(tree->GetCount(), 3);
    EXPECT_TRUE(tree->Remove(loose));
    EXPECT_EQ(tree->GetCount(), 2);

    // RemoveAll leaves an empty tree that takes new nodes.
    tree->RemoveAll();
    EXPECT_EQ(tree->GetCount(), 0);
    EXPECT_EQ(tree->GetRoot()->GetChildCount(), 0);
    EXPECT_EQ(tree->GetRoot()->GetData().level, -1);
    PlayListNode* again = tree->AddNode(L"New", L"tip", nullptr);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(tree->GetItemAt(0), again->GetData().row);
    EXPECT_STREQ(again->GetData().row->GetToolTip().GetData(), L"tip");
    uitest::Pump();
}

TEST_F(PlayListTreeTest, RowsRemovedFromTheTreeNoLongerPointAtFreedNodes) {
    BuildSample();
    CControlUI* row = nodes[L"A1"]->GetData().row;
    // Keep the row alive past the removal, as the delayed cleanup does until the next message.
    EXPECT_TRUE(tree->RemoveNode(nodes[L"A"]));
    EXPECT_EQ(row->GetTag(), 0u);
    uitest::Pump();
}

// What a node owns goes with it: on RemoveNode (the whole subtree), RemoveAll, a replacement,
// and the control's destruction.
struct Owned {
    explicit Owned(std::vector<std::wstring>* gone, const wchar_t* name) : gone(gone), name(name) {}
    ~Owned() { gone->push_back(name); }
    std::vector<std::wstring>* gone;
    std::wstring name;
};

TEST_F(PlayListTreeTest, NodesOwnTheirExtraObjects) {
    std::vector<std::wstring> gone;
    BuildSample();
    for (const wchar_t* name : {L"G1", L"A", L"A1", L"C"}) nodes[name]->SetExtra(new Owned(&gone, name));
    EXPECT_FALSE(nodes[L"B"]->HasExtra());
    EXPECT_EQ(nodes[L"B"]->GetExtra<Owned>(), nullptr);
    EXPECT_EQ(nodes[L"A"]->GetExtra<Owned>()->name, L"A");

    // Replacing drops the old object; handing over the same one again keeps it.
    Owned* again = new Owned(&gone, L"C2");
    nodes[L"C"]->SetExtra(again);
    nodes[L"C"]->SetExtra(again);
    EXPECT_EQ(gone, (Names{L"C"}));
    gone.clear();
    nodes[L"B"]->SetExtra(new Owned(&gone, L"B"));
    nodes[L"B"]->SetExtra(nullptr);
    EXPECT_FALSE(nodes[L"B"]->HasExtra());
    EXPECT_EQ(gone, (Names{L"B"}));
    gone.clear();

    EXPECT_TRUE(tree->RemoveNode(nodes[L"G1"]));
    std::sort(gone.begin(), gone.end());
    EXPECT_EQ(gone, (Names{L"A", L"A1", L"G1"}));
    gone.clear();

    tree->RemoveAll();
    EXPECT_EQ(gone, (Names{L"C2"}));
    gone.clear();

    auto* another = new CPlayListUI;
    PlayListNode* group = another->AddNode(L"Group", L"", nullptr);
    ASSERT_NE(group, nullptr);
    PlayListNode* last = another->AddNode(L"Last", L"", group);
    ASSERT_NE(last, nullptr);
    last->SetExtra(new Owned(&gone, L"Last"));
    delete another;
    EXPECT_EQ(gone, (Names{L"Last"}));
}

// The player keeps node pointers (its groups); one that has been removed meanwhile is refused
// without being read.
TEST_F(PlayListTreeTest, RemovedNodesAreRefusedSafely) {
    BuildSample();
    PlayListNode* stale = nodes[L"G1"];
    PlayListNode* staleChild = nodes[L"A1"];
    ASSERT_TRUE(tree->RemoveNode(stale));
    EXPECT_FALSE(tree->ContainsNode(stale));
    EXPECT_FALSE(tree->RemoveNode(stale));
    EXPECT_FALSE(tree->RemoveNode(staleChild));
    tree->ExpandNode(stale, false);
    EXPECT_EQ(tree->AddNode(L"X", L"", staleChild), nullptr);

    PlayListNode* g2 = nodes[L"G2"];
    tree->RemoveAll();
    EXPECT_FALSE(tree->RemoveNode(g2));
    EXPECT_TRUE(tree->ContainsNode(tree->GetRoot()));
    EXPECT_EQ(tree->GetCount(), 0);

    // A plain row whose tag is not a node of this tree is removed as a plain row.
    auto* loose = new CListLabelElementUI;
    loose->SetTag(reinterpret_cast<UINT_PTR>(stale));
    ASSERT_TRUE(tree->Add(loose));
    EXPECT_TRUE(tree->Remove(loose));
    EXPECT_EQ(tree->GetCount(), 0);
    uitest::Pump();
}

TEST(PlayListNodeTest, DeepChainsAreWalkedAndFreedWithoutRecursion) {
    auto* root = new PlayListNode;
    PlayListNode* tip = root;
    for (int i = 0; i < 3000; ++i) {
        auto* child = new PlayListNode;
        tip->AddChild(child);
        tip = child;
    }
    EXPECT_EQ(root->GetLastDescendant(), tip);
    root->RemoveChild(nullptr);
    EXPECT_EQ(root->GetChildCount(), 1);
    EXPECT_EQ(root->GetChild(1), nullptr);
    delete root;
}

// The glide is driven by timer events; each tick's step is (remaining/total)^2 x speed.
TEST_F(PlayListTreeTest, AWheelNotchGlidesNineteenPixelsAndStops) {
    ::MoveWindow(window.GetHWND(), 0, 0, 200, 120, FALSE);
    tree->EnableScrollBars(true, false);
    for (int i = 0; i < 40; ++i) Add((L"row" + std::to_wstring(i)).c_str());
    tree->SetPos(RECT{0, 0, 200, 120});
    ASSERT_GT(tree->GetScrollRange().cy, 50);
    tree->SetScrollPos(SIZE{0, 50});
    ASSERT_EQ(tree->GetScrollPos().cy, 50);

    UIEvent wheel = {};
    wheel.type = UIEVENT_SCROLLWHEEL;
    wheel.wParam = 0;   // up
    tree->HandleEvent(wheel);
    EXPECT_EQ(tree->GetWheelSpeed(), 8);
    EXPECT_EQ(tree->GetGlideTotalSteps(), 10u);

    std::vector<int> positions;
    UIEvent tick = {};
    tick.type = UIEVENT_TIMER;
    tick.wParam = CPlayListUI::kGlideTimerId;
    for (int i = 0; i < 8; ++i) {
        tree->HandleEvent(tick);
        positions.push_back(tree->GetScrollPos().cy);
    }
    EXPECT_EQ(positions, (std::vector<int>{44, 39, 36, 34, 32, 31, 31, 31}));
    EXPECT_EQ(tree->GetGlideRemainingSteps(), 0u);
    EXPECT_EQ(tree->GetWheelSpeed(), 0);

    // A second notch the same way during a glide adds 8 to the decayed velocity.
    tree->HandleEvent(wheel);
    tree->HandleEvent(tick);
    tree->HandleEvent(tick);   // 8 steps of 10 left: velocity 0.64 x 8, truncated to 5
    tree->HandleEvent(wheel);
    EXPECT_EQ(tree->GetWheelSpeed(), 13);
    EXPECT_EQ(tree->GetGlideTotalSteps(), 15u);
    tree->SetScrollPos(SIZE{0, 50});
    tree->HandleEvent(tick);
    EXPECT_EQ(tree->GetScrollPos().cy, 50 - 11);   // (14/15)^2 x 13

    // A notch against the motion adds 12; at the top an upward glide stops at the next tick.
    for (int i = 0; i < 20 && tree->GetWheelSpeed() != 0; ++i) tree->HandleEvent(tick);
    ASSERT_EQ(tree->GetWheelSpeed(), 0);
    tree->HandleEvent(wheel);
    UIEvent down = wheel;
    down.wParam = 1;
    tree->HandleEvent(down);   // current velocity 8 - 12
    EXPECT_EQ(tree->GetWheelSpeed(), -4);
    tree->SetScrollPos(SIZE{0, 0});
    tree->HandleEvent(wheel);   // -4 + 12 = 8... re-aimed upwards
    EXPECT_GT(tree->GetWheelSpeed(), 0);
    tree->HandleEvent(tick);
    EXPECT_EQ(tree->GetScrollPos().cy, 0);
    EXPECT_EQ(tree->GetGlideRemainingSteps(), 0u);
}

}  // namespace
