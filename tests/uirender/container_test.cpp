// Container: ownership of removed children, insertion rules, float placement, scrolling, the
// scroll-bar update, hit testing, keyboard scrolling and painting clipped by the inset.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>

#include "container.h"
#include "layouts.h"
#include "render_test_support.h"
#include "scroll_bar.h"

using namespace UIToolkit;
using rendertest::ManagerFixture;
using rendertest::Surface;

namespace {

// A control that reports its own deletion and whether its parent still listed it then.
class Probe : public CControlUI {
public:
    Probe(bool* deleted, bool* listedWhenDeleted = nullptr)
        : m_deleted(deleted), m_listed(listedWhenDeleted) {}
    ~Probe() override {
        if (m_deleted) *m_deleted = true;
        if (m_listed && m_owner) *m_listed = m_owner->GetItemIndex(this) >= 0;
    }
    void WatchOwner(CContainerUI* owner) { m_owner = owner; }

private:
    bool* m_deleted;
    bool* m_listed;
    CContainerUI* m_owner = nullptr;
};

CControlUI* CALLBACK HitProc(CControlUI* control, LPVOID data) {
    return ::PtInRect(&control->GetPos(), *static_cast<POINT*>(data)) ? control : nullptr;
}

CControlUI* Hit(CContainerUI& container, int x, int y) {
    POINT pt = {x, y};
    return container.FindControl(HitProc, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

UIEvent KeyEvent(int type, WPARAM key) {
    UIEvent event = {};
    event.type = type;
    event.key = static_cast<wchar_t>(key);
    event.wParam = key;
    return event;
}

}  // namespace

TEST(ContainerOwnership, RemovedChildrenAreDeletedAsTheFlagsSay) {
    enum Op { kRemove, kRemoveAll, kDestroy };
    struct Case { bool autoDestroy; bool delayed; Op op; bool deletedAtOnce; bool deletedAfterMessages; };
    const Case cases[] = {
        {true, true, kRemove, false, true},    {true, false, kRemove, true, true},
        {false, true, kRemove, false, false},  {false, false, kRemove, false, false},
        {true, true, kRemoveAll, false, true}, {true, false, kRemoveAll, true, true},
        {false, true, kRemoveAll, false, false},
        // a dying container deletes its own children at once, even with delayed destruction
        {true, true, kDestroy, true, true},    {false, true, kDestroy, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "auto " << c.autoDestroy << " delayed " << c.delayed << " op " << c.op);
        ManagerFixture fixture;
        CContainerUI* root = new CContainerUI;
        fixture.manager().AttachRoot(root);
        CContainerUI* box = new CContainerUI;
        root->Add(box);
        box->SetAutoDestroy(c.autoDestroy);
        box->SetDelayedDestroy(c.delayed);
        bool deleted = false;
        bool listed = true;
        Probe* child = new Probe(&deleted, &listed);
        child->WatchOwner(box);
        ASSERT_TRUE(box->Add(child));
        if (c.op == kRemove) {
            EXPECT_TRUE(box->Remove(child));
            EXPECT_EQ(box->GetCount(), 0);
        } else if (c.op == kRemoveAll) {
            box->RemoveAll();
            EXPECT_EQ(box->GetCount(), 0);
        } else {
            child->WatchOwner(nullptr);  // the dying box cannot be asked
            listed = false;
            root->Remove(box);  // the box itself goes through delayed cleanup of the root
            fixture.PumpMessages();
        }
        EXPECT_EQ(deleted, c.deletedAtOnce);
        fixture.PumpMessages();
        EXPECT_EQ(deleted, c.deletedAfterMessages);
        if (deleted) {
            EXPECT_FALSE(listed) << "deleted while still in the child list";
        }
        if (!deleted) {
            child->WatchOwner(nullptr);
            delete child;
        }
    }
}

TEST(ContainerChildren, RefusedInsertsLeaveNoTraceAndIndexesAreChecked) {
    ManagerFixture fixture;
    CContainerUI* root = new CContainerUI;
    fixture.manager().AttachRoot(root);
    CControlUI* kid = new CControlUI;
    kid->SetName(L"kid");
    EXPECT_FALSE(root->AddAt(kid, 5));
    EXPECT_FALSE(root->AddAt(kid, -1));
    EXPECT_EQ(fixture.manager().FindControlByName(L"kid"), nullptr);
    EXPECT_EQ(kid->GetManager(), nullptr);
    EXPECT_FALSE(root->Add(nullptr));
    ASSERT_TRUE(root->AddAt(kid, 0));
    EXPECT_EQ(fixture.manager().FindControlByName(L"kid"), kid);
    EXPECT_EQ(kid->GetParent(), root);

    CControlUI* a = new CControlUI;
    CControlUI* b = new CControlUI;
    root->Add(a);
    root->AddAt(b, 1);  // kid, b, a
    EXPECT_EQ(root->GetItemAt(1), b);
    EXPECT_FALSE(root->SetItemIndex(a, 3));
    EXPECT_FALSE(root->SetItemIndex(a, -1));
    EXPECT_EQ(root->GetItemIndex(a), 2);
    EXPECT_TRUE(root->SetItemIndex(a, 0));  // a, kid, b
    EXPECT_EQ(root->GetItemAt(0), a);
    EXPECT_EQ(root->GetItemAt(2), b);
    CControlUI stranger;
    EXPECT_FALSE(root->SetItemIndex(&stranger, 0));
    EXPECT_FALSE(root->Remove(&stranger));
    EXPECT_FALSE(root->RemoveAt(7));
    EXPECT_EQ(root->GetItemAt(7), nullptr);
    EXPECT_EQ(root->GetItemIndex(nullptr), -1);

    CContainerUI hidden;
    hidden.SetVisible(false);
    CControlUI* inner = new CControlUI;
    hidden.Add(inner);
    EXPECT_FALSE(inner->IsVisible());
    hidden.SetVisible(true);
    EXPECT_TRUE(inner->IsVisible());
    EXPECT_EQ(CContainerUI().FindSelectableItem(0, true), -1);
}

TEST(ContainerPlacement, FloatChildrenArePlacedFromTheirFixedPosition) {
    struct Case { int x, y, width, height; RECT expected; };
    const Case cases[] = {
        {-10, 5, 50, 20, {140, 15, 190, 35}},
        {10, 0, 30, 30, {10, 10, 40, 40}},
        {0, -5, 20, 10, {0, 95, 20, 105}},
    };
    for (const Case& c : cases) {
        CContainerUI box;
        box.SetInset(RECT{7, 7, 7, 7});  // float placement ignores the inset
        CControlUI* child = new CControlUI;
        box.Add(child);
        child->SetFloat(true);
        child->SetFixedXY(SIZE{c.x, c.y});
        child->SetFixedWidth(c.width);
        child->SetFixedHeight(c.height);
        box.SetPos(RECT{0, 10, 200, 110});
        const RECT& got = child->GetPos();
        EXPECT_EQ(got.left, c.expected.left);
        EXPECT_EQ(got.top, c.expected.top);
        EXPECT_EQ(got.right, c.expected.right);
        EXPECT_EQ(got.bottom, c.expected.bottom);
    }
    // relative positioning moves and stretches by the parent's growth
    CContainerUI box;
    CControlUI* child = new CControlUI;
    box.Add(child);
    child->SetFloat(true);
    child->SetFixedXY(SIZE{10, 10});
    child->SetFixedWidth(20);
    child->SetFixedHeight(20);
    child->SetRelativePos(SIZE{50, 0}, SIZE{0, 100});
    box.SetPos(RECT{0, 0, 100, 100});
    EXPECT_EQ(child->GetPos().left, 10);
    box.SetPos(RECT{0, 0, 200, 140});
    EXPECT_EQ(child->GetPos().left, 60);
    EXPECT_EQ(child->GetPos().bottom, 70);
}

TEST(ContainerScrolling, MovesChildrenByTheClampedChange) {
    CContainerUI box;
    CControlUI* child = new CControlUI;
    box.Add(child);
    box.EnableScrollBars(true, false);
    box.SetPos(RECT{0, 0, 100, 100});
    box.UpdateScrollBars(RECT{0, 0, 84, 100}, 0, 300);
    EXPECT_EQ(box.GetScrollRange().cy, 200);
    EXPECT_EQ(child->GetPos().top, 0);
    box.SetScrollPos(SIZE{0, 50});
    EXPECT_EQ(child->GetPos().top, -50);
    box.SetScrollPos(SIZE{0, 5000});
    EXPECT_EQ(box.GetScrollPos().cy, 200);
    EXPECT_EQ(child->GetPos().top, -200);
    box.LineUp();  // no manager: 8
    EXPECT_EQ(box.GetScrollPos().cy, 192);
    box.ScrollToTop();
    EXPECT_EQ(child->GetPos().top, 0);
    box.PageDown();
    EXPECT_EQ(box.GetScrollPos().cy, 100);
    box.SetScrollPos(SIZE{INT_MIN, INT_MAX});
    EXPECT_EQ(box.GetScrollPos().cy, 200);
}

TEST(ContainerScrolling, PageIsTheChildAreaLessInsetAndTheOtherBar) {
    CContainerUI box;
    box.Add(new CControlUI);
    box.EnableScrollBars(true, true);
    box.SetInset(RECT{3, 10, 5, 10});
    box.SetPos(RECT{0, 0, 100, 100});
    box.UpdateScrollBars(RECT{0, 0, 84, 100}, 0, 1000);
    box.GetHorizontalScrollBar()->SetScrollRange(1000);
    const int barHeight = box.GetHorizontalScrollBar()->GetFixedHeight();
    const int barWidth = box.GetVerticalScrollBar()->GetFixedWidth();
    ASSERT_GT(barHeight, 0);
    ASSERT_GT(barWidth, 0);
    box.PageDown();
    EXPECT_EQ(box.GetScrollPos().cy, 100 - 20 - barHeight);
    box.PageRight();
    EXPECT_EQ(box.GetScrollPos().cx, 100 - 8 - barWidth);
    box.PageDown();
    box.PageUp();
    EXPECT_EQ(box.GetScrollPos().cy, 100 - 20 - barHeight);
    box.PageLeft();
    EXPECT_EQ(box.GetScrollPos().cx, 0);
}

TEST(ContainerScrolling, LineStepFollowsTheDefaultFont) {
    ManagerFixture fixture;
    CContainerUI* root = new CContainerUI;
    fixture.manager().AttachRoot(root);
    root->EnableScrollBars(true, false);
    root->SetPos(RECT{0, 0, 100, 100});
    root->UpdateScrollBars(RECT{0, 0, 84, 100}, 0, 1000);
    root->LineDown();
    EXPECT_EQ(root->GetScrollPos().cy, fixture.manager().GetDefaultFontInfo()->tm.tmHeight + 8);
}

namespace {

// A container whose content needs less height once its bar is shown.
class ShrinkingContent : public CContainerUI {
public:
    void SetPos(RECT rc) override {
        CContainerUI::SetPos(rc);
        const bool barShown = GetVerticalScrollBar() && GetVerticalScrollBar()->IsVisible();
        UpdateScrollBars(rc, 0, barShown ? 80 : 120);
    }
};

}  // namespace

TEST(ContainerScrolling, ScrollBarShowsForOverflowAndHidesWhenContentFits) {
    CContainerUI box;
    box.EnableScrollBars(true, false);
    CScrollBarUI* bar = box.GetVerticalScrollBar();
    bar->SetVisible(false);
    box.SetPos(RECT{0, 0, 100, 100});
    box.UpdateScrollBars(RECT{0, 0, 100, 100}, 0, 150);
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_EQ(bar->GetScrollRange(), 50);
    box.UpdateScrollBars(RECT{0, 0, 84, 100}, 0, 150);  // a layout places the shown bar
    EXPECT_EQ(bar->GetPos().left, 84);
    box.UpdateScrollBars(RECT{0, 0, 84, 100}, 0, 90);
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(bar->GetScrollRange(), 0);

    // Content that overflows without the bar but fits beside it keeps the bar, with nothing to
    // scroll: the content was laid out beside it.
    ShrinkingContent shrinking;
    shrinking.EnableScrollBars(true, false);
    shrinking.GetVerticalScrollBar()->SetVisible(false);
    shrinking.SetPos(RECT{0, 0, 100, 100});
    EXPECT_TRUE(shrinking.GetVerticalScrollBar()->IsVisible());
    EXPECT_EQ(shrinking.GetVerticalScrollBar()->GetScrollRange(), 0);
    EXPECT_EQ(shrinking.GetVerticalScrollBar()->GetScrollPos(), 0);
    shrinking.SetPos(RECT{0, 0, 100, 100});  // laid out again: the same, no flip-flop
    EXPECT_TRUE(shrinking.GetVerticalScrollBar()->IsVisible());
}

namespace {

// Taller when it is given the whole width of its layout than beside a scroll bar.
class WidthHungry : public CControlUI {
public:
    SIZE EstimateSize(SIZE available) override { return SIZE{0, available.cx >= 95 ? 150 : 80}; }
};

}  // namespace

// Whatever the re-layout that showed the bar finds, the content ends where the bar begins, or
// at the layout's edge when there is no bar: no strip of the bar's width is left empty.
TEST(ContainerScrolling, ContentAndBarAgreeAfterTheLayoutThatShowedTheBar) {
    struct Case { const char* what; CControlUI* (*make)(); };
    const Case cases[] = {
        {"fits beside the bar only", [] { return static_cast<CControlUI*>(new WidthHungry); }},
        {"overflows either way", [] {
             CControlUI* tall = new CControlUI;
             tall->SetFixedHeight(300);
             return tall;
         }},
        {"fits either way", [] {
             CControlUI* low = new CControlUI;
             low->SetFixedHeight(60);
             return low;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CVerticalLayoutUI layout;
        layout.EnableScrollBars(true, false);
        CScrollBarUI* bar = layout.GetVerticalScrollBar();
        bar->SetVisible(false);
        CControlUI* child = c.make();
        ASSERT_TRUE(layout.Add(child));
        layout.SetPos(RECT{0, 0, 100, 100});
        const LONG edge = bar->IsVisible() ? bar->GetPos().left : 100;
        EXPECT_EQ(child->GetPos().right, edge);
        if (bar->IsVisible()) {
            EXPECT_EQ(bar->GetPos().right, 100);
        }
    }
}

TEST(ContainerScrolling, OwnedBarsScrollTheirContainer) {
    CContainerUI box;
    CControlUI* child = new CControlUI;
    box.Add(child);
    box.EnableScrollBars(true, false);
    box.SetPos(RECT{0, 0, 100, 100});
    box.UpdateScrollBars(RECT{0, 0, 84, 100}, 0, 300);
    CScrollBarUI* bar = box.GetVerticalScrollBar();
    UIEvent press = {};
    press.type = UIEVENT_BUTTONDOWN;
    press.ptMouse = POINT{90, 95};  // second button
    bar->HandleEvent(press);
    EXPECT_EQ(box.GetScrollPos().cy, 8);
    EXPECT_EQ(child->GetPos().top, -8);
    UIEvent release = press;
    release.type = UIEVENT_BUTTONUP;
    bar->HandleEvent(release);
    press.ptMouse = POINT{90, 60};  // rail below the thumb: a page of the container
    bar->HandleEvent(press);
    EXPECT_EQ(box.GetScrollPos().cy, 108);
    bar->HandleEvent(release);
}

namespace {

class Item : public CControlUI {
public:
    void* GetInterface(const wchar_t* name) override {
        if (wcscmp(name, L"ListItem") == 0) return this;
        return CControlUI::GetInterface(name);
    }
};

}  // namespace

TEST(ContainerChildren, SelectableItemSearchSkipsWhatCannotBeSelected) {
    CContainerUI box;
    CControlUI* plain = new CControlUI;
    Item* first = new Item;
    Item* hidden = new Item;
    Item* disabled = new Item;
    Item* last = new Item;
    box.Add(plain);     // 0: not a list item
    box.Add(first);     // 1
    box.Add(hidden);    // 2
    box.Add(disabled);  // 3
    box.Add(last);      // 4
    hidden->SetVisible(false);
    disabled->SetEnabled(false);
    struct Case { int start; bool forward; int expected; };
    const Case cases[] = {{0, true, 1}, {2, true, 4}, {-5, true, 1}, {99, true, 4},
                          {3, false, 1}, {0, false, 1}, {99, false, 4}};
    for (const Case& c : cases) {
        EXPECT_EQ(box.FindSelectableItem(c.start, c.forward), c.expected) << c.start << " " << c.forward;
    }
    last->SetEnabled(false);
    EXPECT_EQ(box.FindSelectableItem(2, true), -1);
}

TEST(ContainerHitTest, InsetAreaHitsTheContainerOrAFloatChild) {
    CContainerUI box;
    box.SetInset(RECT{10, 10, 10, 10});
    CControlUI* child = new CControlUI;
    CControlUI* floating = new CControlUI;
    box.Add(child);
    box.Add(floating);
    floating->SetFloat(true);
    floating->SetFixedXY(SIZE{0, 90});
    floating->SetFixedWidth(10);
    floating->SetFixedHeight(10);
    box.SetPos(RECT{0, 0, 100, 100});
    child->SetPos(RECT{0, 0, 100, 100});  // reaches into the inset
    EXPECT_EQ(Hit(box, 50, 50), child);
    EXPECT_EQ(Hit(box, 5, 5), &box);
    EXPECT_EQ(Hit(box, 5, 95), floating);
    EXPECT_EQ(Hit(box, 150, 50), nullptr);
    box.SetMouseChildEnabled(false);
    EXPECT_EQ(Hit(box, 50, 50), &box);
    box.SetMouseChildEnabled(true);
    box.EnableScrollBars(true, false);
    box.GetVerticalScrollBar()->SetPos(RECT{74, 10, 90, 90});
    EXPECT_EQ(Hit(box, 80, 50), box.GetVerticalScrollBar());
    EXPECT_EQ(Hit(box, 60, 50), child);
}

TEST(ContainerEvents, KeysScrollTheVerticalBarElseTheHorizontal) {
    CContainerUI box;
    box.EnableScrollBars(true, true);
    box.SetPos(RECT{0, 0, 100, 100});
    box.UpdateScrollBars(RECT{0, 0, 84, 84}, 0, 300);
    box.GetHorizontalScrollBar()->SetScrollRange(400);
    UIEvent end = KeyEvent(UIEVENT_KEYDOWN, VK_END);
    box.HandleEvent(end);
    EXPECT_EQ(box.GetScrollPos().cy, box.GetScrollRange().cy);
    EXPECT_EQ(box.GetScrollPos().cx, 0);
    UIEvent home = KeyEvent(UIEVENT_KEYDOWN, VK_HOME);
    box.HandleEvent(home);
    EXPECT_EQ(box.GetScrollPos().cy, 0);

    box.EnableScrollBars(false, true);
    EXPECT_EQ(box.GetVerticalScrollBar(), nullptr);
    box.HandleEvent(end);
    EXPECT_EQ(box.GetScrollPos().cx, 400);
    box.HandleEvent(home);
    EXPECT_EQ(box.GetScrollPos().cx, 0);
    UIEvent wheel = KeyEvent(UIEVENT_SCROLLWHEEL, 1);
    box.HandleEvent(wheel);
    EXPECT_EQ(box.GetScrollPos().cx, 8);
}

TEST(ContainerAttributes, ScrollBarStylesInsetAndPadding) {
    CContainerUI box;
    box.SetAttribute(L"vscrollbarstyle", L"linesize=\"5\" showbutton1=\"false\"");
    ASSERT_NE(box.GetVerticalScrollBar(), nullptr);
    EXPECT_EQ(box.GetVerticalScrollBar()->GetLineSize(), 5);
    EXPECT_FALSE(box.GetVerticalScrollBar()->GetShowButton1());
    EXPECT_EQ(box.GetVerticalScrollBar()->GetOwner(), &box);
    box.SetAttribute(L"hscrollbar", L"true");
    EXPECT_TRUE(box.GetHorizontalScrollBar()->IsHorizontal());
    box.SetAttribute(L"vscrollbar", L"false");
    EXPECT_EQ(box.GetVerticalScrollBar(), nullptr);
    EXPECT_NE(box.GetHorizontalScrollBar(), nullptr);
    box.SetAttribute(L"inset", L"1,2,3,4");
    EXPECT_EQ(box.GetInset().left, 1);
    EXPECT_EQ(box.GetInset().bottom, 4);
    box.SetAttribute(L"childpadding", L"6");
    EXPECT_EQ(box.GetChildPadding(), 6);
    box.SetAttribute(L"mousechild", L"True");
    EXPECT_FALSE(box.IsMouseChildEnabled());
    EXPECT_NE(box.GetInterface(L"IContainer"), nullptr);
    EXPECT_EQ(box.GetInterface(L"Container"), &box);
    EXPECT_STREQ(box.GetClassName(), L"ContainerUI");
}

TEST(ContainerPaint, InsetClipsChildrenButNotFloatChildren) {
    ManagerFixture fixture;
    Surface surface(60, 60);
    CContainerUI* root = new CContainerUI;
    fixture.manager().AttachRoot(root);
    root->SetInset(RECT{10, 10, 10, 10});
    CControlUI* child = new CControlUI;
    CControlUI* floating = new CControlUI;
    root->Add(child);
    root->Add(floating);
    child->SetBkColor(0xFFFF0000);
    floating->SetBkColor(0xFF0000FF);
    floating->SetFloat(true);
    floating->SetFixedXY(SIZE{0, 0});
    floating->SetFixedWidth(5);
    floating->SetFixedHeight(5);
    root->SetPos(RECT{0, 0, 40, 40});
    child->SetPos(RECT{0, 0, 40, 40});
    root->Paint(surface.dc(), RECT{0, 0, 60, 60});
    EXPECT_EQ(surface.Pixel(20, 20), 0xFF0000u);
    EXPECT_EQ(surface.Pixel(7, 20), 0xFFFFFFu) << "child painted over the inset";
    EXPECT_EQ(surface.Pixel(2, 2), 0x0000FFu);
    EXPECT_EQ(surface.Pixel(45, 20), 0xFFFFFFu);
}
