// The combo box: selection and the closed box, keys while closed, and the drop-down window on a
// real window (lent items, placement, closing paths, the combo or its items going away while open).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listext_test_util.h"

namespace {

using namespace UIToolkit;
using listext::NotifyWindow;
using Notes = std::vector<std::wstring>;

class ComboTest : public ::testing::Test {
protected:
    void SetUp() override {
        listext::ParkCursor();
        ASSERT_NE(window.CreateShown(300, 220), nullptr);
        root = new CVerticalLayoutUI;
        combo = new CComboUI;
        combo->SetFixedHeight(24);
        combo->SetName(L"combo");
        root->Add(combo);
        root->Add(new CControlUI);   // the rest of the window
        for (const wchar_t* text : {L"Zero", L"One", L"Two", L"Three", L"Four"}) AddItem(text);
        window.pm.AttachRoot(root);
        listext::Repaint(window.GetHWND());
        window.log.clear();
    }
    void TearDown() override {
        ::DestroyWindow(window.GetHWND());
        uitest::Pump();
    }

    CListLabelElementUI* AddItem(const wchar_t* text) {
        auto* item = new CListLabelElementUI;
        item->SetText(text);
        item->SetFixedHeight(20);
        combo->Add(item);
        return item;
    }
    CControlUI* Item(int index) { return combo->GetItemAt(index); }
    HWND DropHwnd() const { return combo->GetDropWindow() ? combo->GetDropWindow()->GetHWND() : nullptr; }
    bool WaitClosed() {
        return uitest::PumpUntil([this] { return combo->GetDropWindow() == nullptr; });
    }

    NotifyWindow window;
    CVerticalLayoutUI* root = nullptr;
    CComboUI* combo = nullptr;
};

TEST_F(ComboTest, SelectionDrivesTheClosedBoxText) {
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_STREQ(combo->GetText().GetData(), L"");

    EXPECT_TRUE(combo->SelectItem(2));
    EXPECT_STREQ(combo->GetText().GetData(), L"Two");
    EXPECT_EQ(window.Of(L"itemselect"), (Notes{L"itemselect:2:-1"}));

    // The same index again: true, no notification.
    EXPECT_TRUE(combo->SelectItem(2));
    // Past the end: the last item.
    EXPECT_TRUE(combo->SelectItem(99));
    EXPECT_EQ(combo->GetCurSel(), 4);
    EXPECT_EQ(window.Of(L"itemselect"), (Notes{L"itemselect:2:-1", L"itemselect:4:2"}));
    auto* last = static_cast<IListItemUI*>(Item(4)->GetInterface(L"ListItem"));
    EXPECT_TRUE(last->IsSelected());

    // Hidden and disabled items are refused (the old one stays deselected); -1 deselects.
    Item(1)->SetEnabled(false);
    EXPECT_FALSE(combo->SelectItem(1));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_FALSE(last->IsSelected());
    EXPECT_TRUE(combo->SelectItem(3));
    EXPECT_FALSE(combo->SelectItem(-1));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_STREQ(combo->GetText().GetData(), L"");

    // The combo is the items' owner and numbers them.
    auto* first = static_cast<IListItemUI*>(Item(0)->GetInterface(L"ListItem"));
    EXPECT_EQ(first->GetOwner(), static_cast<IListOwnerUI*>(combo));
    EXPECT_EQ(static_cast<IListItemUI*>(Item(3)->GetInterface(L"ListItem"))->GetIndex(), 3);
}

TEST_F(ComboTest, ItemChangesKeepIndexesAndSelectionInStep) {
    ASSERT_TRUE(combo->SelectItem(2));
    auto* inserted = new CListLabelElementUI;
    inserted->SetText(L"New");
    EXPECT_TRUE(combo->AddAt(inserted, 1));
    EXPECT_EQ(combo->GetCurSel(), 3);
    EXPECT_STREQ(combo->GetText().GetData(), L"Two");
    for (int i = 0; i < combo->GetCount(); ++i) {
        EXPECT_EQ(static_cast<IListItemUI*>(Item(i)->GetInterface(L"ListItem"))->GetIndex(), i);
    }
    EXPECT_TRUE(combo->SetItemIndex(Item(0), 4));
    EXPECT_STREQ(combo->GetText().GetData(), L"Two");
    EXPECT_EQ(combo->GetCurSel(), 2);

    EXPECT_TRUE(combo->Remove(Item(0)));   // before the selection
    EXPECT_EQ(combo->GetCurSel(), 1);
    window.log.clear();
    EXPECT_TRUE(combo->RemoveAt(1));       // the selection itself: the item before it follows
    EXPECT_EQ(combo->GetCurSel(), 0);
    EXPECT_EQ(window.Of(L"itemselect"), (Notes{L"itemselect:0:-1"}));
    combo->RemoveAll();
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetCount(), 0);
    uitest::Pump();
}

TEST_F(ComboTest, KeysChangeTheSelectionWhileClosed) {
    struct Case {
        int start;
        WORD key;
        int expected;
    };
    const Case cases[] = {
        {1, VK_DOWN, 2}, {1, VK_NEXT, 2}, {1, VK_UP, 0}, {1, VK_PRIOR, 0},
        {4, VK_DOWN, 4},   // the last item stays
        {2, VK_END, 4},  {2, VK_HOME, 0},
        {-1, VK_DOWN, 0},
    };
    for (const Case& c : cases) {
        combo->SelectItem(c.start);
        UIEvent event = {};
        event.type = UIEVENT_KEYDOWN;
        event.key = static_cast<wchar_t>(c.key);
        combo->HandleEvent(event);
        EXPECT_EQ(combo->GetCurSel(), c.expected) << "start " << c.start << " key " << c.key;
    }
    // Home with a disabled first item selects the first selectable one.
    Item(0)->SetEnabled(false);
    combo->SelectItem(3);
    UIEvent home = {};
    home.type = UIEVENT_KEYDOWN;
    home.key = VK_HOME;
    combo->HandleEvent(home);
    EXPECT_EQ(combo->GetCurSel(), 1);

    // The wheel: 1 is down, anything else up.
    UIEvent wheel = {};
    wheel.type = UIEVENT_SCROLLWHEEL;
    wheel.wParam = 1;
    combo->HandleEvent(wheel);
    EXPECT_EQ(combo->GetCurSel(), 2);
    wheel.wParam = 0;
    combo->HandleEvent(wheel);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->GetDropWindow(), nullptr);
}

TEST_F(ComboTest, TheDropDownLendsTheItemsBelowTheBoxAndGivesThemBack) {
    ASSERT_TRUE(combo->SelectItem(1));
    window.log.clear();
    ASSERT_TRUE(combo->Activate());
    ASSERT_NE(DropHwnd(), nullptr);
    EXPECT_EQ(window.log, (Notes{L"dropdown:0:0"}));
    EXPECT_TRUE(::IsWindowVisible(DropHwnd()));

    // The items now live in the popup's manager; five items of 20 plus 4 is less than 150.
    CWindowManagerUI* dropManager = &combo->GetDropWindow()->GetManager();
    EXPECT_EQ(Item(0)->GetManager(), dropManager);
    listext::Repaint(DropHwnd());
    // The first item's place in the drop-down overlaps the box; in the box's window the mouse
    // still finds only the combo.
    EXPECT_EQ(window.pm.FindControlAt(POINT{5, 5}), combo);
    RECT rcDrop = {};
    ::GetWindowRect(DropHwnd(), &rcDrop);
    RECT rcCombo = combo->GetPos();
    ::MapWindowPoints(window.GetHWND(), HWND_DESKTOP, reinterpret_cast<POINT*>(&rcCombo), 2);
    EXPECT_EQ(rcDrop.top, rcCombo.bottom);
    EXPECT_EQ(rcDrop.left, rcCombo.left);
    EXPECT_EQ(rcDrop.right, rcCombo.right);
    EXPECT_EQ(rcDrop.bottom - rcDrop.top, 5 * 20 + 4);

    // Activating again changes nothing.
    EXPECT_TRUE(combo->Activate());
    EXPECT_EQ(window.Of(L"dropdown").size(), 1u);

    // Return closes it; the items come back to the combo's own manager.
    ::PostMessageW(DropHwnd(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(Item(0)->GetManager(), &window.pm);
    EXPECT_EQ(Item(0)->GetParent(), combo);
    EXPECT_EQ(combo->GetButtonState() & CComboUI::kStatePushed, 0u);
    EXPECT_EQ(combo->GetCurSel(), 1);
    listext::Repaint(window.GetHWND());

    // Closed at once, before any other message: the items keep nothing of their places in the
    // drop-down, which overlapped the box, so the mouse finds the combo there, not an item.
    ASSERT_TRUE(combo->Activate());
    listext::Repaint(DropHwnd());
    ::SendMessageW(DropHwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(combo->GetDropWindow(), nullptr);
    EXPECT_TRUE(::IsRectEmpty(&Item(0)->GetPos()));
    EXPECT_EQ(window.pm.FindControlAt(POINT{5, 5}), combo);
}

TEST_F(ComboTest, AClickOnAnItemInTheDropDownSelectsItAndCloses) {
    ASSERT_TRUE(combo->SelectItem(0));
    window.log.clear();
    UIEvent down = {};
    down.type = UIEVENT_BUTTONDOWN;
    down.ptMouse = POINT{5, 5};
    combo->HandleEvent(down);   // the box opens on a button-down
    ASSERT_NE(DropHwnd(), nullptr);
    EXPECT_NE(combo->GetButtonState() & CComboUI::kStatePushed, 0u);
    listext::Repaint(DropHwnd());

    const RECT rcItem = Item(3)->GetPos();
    listext::ClickAt(DropHwnd(), POINT{(rcItem.left + rcItem.right) / 2, (rcItem.top + rcItem.bottom) / 2});
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(combo->GetCurSel(), 3);
    EXPECT_EQ(window.Of(L"itemselect"), (Notes{L"itemselect:3:0"}));
    EXPECT_STREQ(combo->GetText().GetData(), L"Three");
}

TEST_F(ComboTest, EscapeRestoresTheSelectionOfTheMomentOfOpening) {
    ASSERT_TRUE(combo->SelectItem(1));
    ASSERT_TRUE(combo->Activate());
    window.log.clear();
    // An arrow key in the drop-down selects (and so asks it to close); Escape, already queued,
    // takes the selection back.
    ::PostMessageW(DropHwnd(), WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(DropHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(window.Of(L"itemselect"), (Notes{L"itemselect:2:1", L"itemselect:1:2"}));
}

TEST_F(ComboTest, SelectingTheSelectedItemClosesTheDropDownSilently) {
    ASSERT_TRUE(combo->SelectItem(2));
    ASSERT_TRUE(combo->Activate());
    window.log.clear();
    EXPECT_TRUE(combo->SelectItem(2));
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(window.log.empty());
}

TEST_F(ComboTest, ManyItemsGiveAScrollingDropDownOfTheMaximumHeight) {
    for (int i = 0; i < 20; ++i) AddItem(L"More");
    ASSERT_TRUE(combo->Activate());
    RECT rcDrop = {};
    ::GetWindowRect(DropHwnd(), &rcDrop);
    EXPECT_EQ(rcDrop.bottom - rcDrop.top, 150);
    listext::Repaint(DropHwnd());
    CScrollBarUI* bar = combo->GetDropWindow()->GetLayout()->GetVerticalScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->IsVisible());

    // A key in the drop-down goes to the combo, which selects (the drop-down then closes by a
    // posted message) and, before that, scrolls the selection into view.
    CVerticalLayoutUI* layout = combo->GetDropWindow()->GetLayout();
    EXPECT_EQ(layout->GetScrollPos().cy, 0);
    ::SendMessageW(DropHwnd(), WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(combo->GetCurSel(), 24);
    EXPECT_GT(layout->GetScrollPos().cy, 0);
    const RECT rcLast = Item(24)->GetPos();
    const RECT rcLayout = layout->GetPos();
    EXPECT_GE(rcLast.top, rcLayout.top + 2);
    EXPECT_LE(rcLast.bottom, rcLayout.bottom - 2);
    ASSERT_TRUE(WaitClosed());
}

TEST_F(ComboTest, NearTheBottomOfTheScreenTheDropDownOpensUpwards) {
    POINT origin = {0, 0};
    ::ClientToScreen(window.GetHWND(), &origin);
    const int screenBottom = ::GetSystemMetrics(SM_CYSCREEN);
    const int top = screenBottom - origin.y - 30;   // the box ends 6 pixels above the bottom
    combo->SetPos(RECT{0, top, 120, top + 24});
    const RECT rc = CComboWnd::ComputePlacement(combo);
    EXPECT_EQ(rc.bottom, origin.y + top);
    EXPECT_EQ(rc.top, origin.y + top - (5 * 20 + 4));
    EXPECT_EQ(rc.left, origin.x);
}

TEST_F(ComboTest, ChangingTheItemsWhileOpenTakesThemBackFirst) {
    ASSERT_TRUE(combo->Activate());
    ASSERT_NE(DropHwnd(), nullptr);
    HWND drop = DropHwnd();
    combo->RemoveAll();   // the items are freed; the popup must not keep them
    EXPECT_EQ(combo->GetDropWindow(), nullptr);
    ASSERT_TRUE(uitest::PumpUntil([drop] { return !::IsWindow(drop); }));
    EXPECT_EQ(combo->GetCount(), 0);
}

TEST_F(ComboTest, DestroyingTheComboWhileOpenClosesThePopupSafely) {
    ASSERT_TRUE(combo->SelectItem(1));
    ASSERT_TRUE(combo->Activate());
    HWND drop = DropHwnd();
    listext::Repaint(drop);
    // Hover an item in the popup so that its manager refers to it.
    const RECT rcItem = Item(2)->GetPos();
    listext::MoveTo(drop, POINT{(rcItem.left + rcItem.right) / 2, (rcItem.top + rcItem.bottom) / 2});

    EXPECT_TRUE(root->Remove(combo));   // deleted by the delayed cleanup
    combo = nullptr;
    ASSERT_TRUE(uitest::PumpUntil([drop] { return !::IsWindow(drop); }));
    listext::Repaint(window.GetHWND());
}

TEST_F(ComboTest, ClosedBoxAttributesAndSize) {
    combo->SetAttribute(L"textpadding", L"4,2,4,2");
    EXPECT_EQ(combo->GetTextPadding().left, 4);
    combo->SetAttribute(L"dropbox", L"bkcolor=\"#FF00FF00\"");
    EXPECT_STREQ(combo->GetDropBoxAttributeList().GetData(), L"bkcolor=\"#FF00FF00\"");
    combo->SetAttribute(L"itemtextcolor", L"#FF112233");
    combo->SetAttribute(L"itemalign", L"center");
    combo->SetAttribute(L"itemshowhtml", L"true");
    const ListItemStyle* style = combo->GetListItemStyle();
    EXPECT_EQ(style->textColor, 0xFF112233u);
    EXPECT_NE(style->textStyle & DT_CENTER, 0u);
    EXPECT_TRUE(style->showHtml);
    EXPECT_EQ(combo->GetDropBoxSize().cy, 150);
    EXPECT_EQ(combo->GetControlFlags(), static_cast<UINT>(UIFLAG_TABSTOP));
    EXPECT_NE(combo->GetInterface(L"Combo"), nullptr);
    EXPECT_EQ(combo->GetInterface(L"IListOwner"), static_cast<IListOwnerUI*>(combo));

    // Without a fixed height: the default font's text height + 12.
    CComboUI loose;
    EXPECT_EQ(loose.EstimateSize(SIZE{100, 100}).cy, 12);
    combo->SetFixedHeight(0);
    EXPECT_EQ(combo->EstimateSize(SIZE{100, 100}).cy,
              window.pm.GetDefaultFontInfo()->tm.tmHeight + 12);
}

// The closed box paints the selected item's text with the item style and never the items.
TEST_F(ComboTest, TheClosedBoxPaintsOnlyTheSelectedText) {
    combo->SetAttribute(L"itemselectedtextcolor", L"#FFFF0000");
    uitest::Canvas blank(160, 40);
    uitest::Canvas painted(160, 40);
    combo->SetPos(RECT{0, 0, 160, 24});
    combo->SetAttribute(L"text", L"Own text");   // never shown: the box shows the selection
    combo->Paint(blank.dc(), RECT{0, 0, 160, 40});
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 160; ++x) ASSERT_EQ(blank.Pixel(x, y), 0xFFFFFFu) << x << "," << y;
    }
    ASSERT_TRUE(combo->SelectItem(4));
    combo->Paint(painted.dc(), RECT{0, 0, 160, 40});
    int red = 0;
    int differing = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 160; ++x) {
            if (painted.Pixel(x, y) != blank.Pixel(x, y)) ++differing;
            if (painted.Pixel(x, y) == 0xFF0000) ++red;
        }
    }
    EXPECT_GT(red, 0);
    EXPECT_EQ(blank.Pixel(80, 12), 0xFFFFFFu);
    EXPECT_GT(differing, 0);
}

}  // namespace

namespace {

template <typename T>
CControlUI* Make() {
    return new T;
}

}  // namespace

// Every control answers a missing interface name with nothing and ignores an attribute without a
// name; a missing value reads as an empty one.
TEST(ControlNames, NullInterfaceAndAttributeNamesAreRefusedByEveryControl) {
    struct Case { const char* what; CControlUI* (*make)(); };
    const Case cases[] = {
        {"Combo", &Make<CComboUI>},
        {"Menu", &Make<CMenuUI>},
        {"MenuElement", &Make<CMenuElementUI>},
        {"PlayList", &Make<CPlayListUI>},
        {"List", &Make<CListUI>},
        {"ListHeader", &Make<CListHeaderUI>},
        {"ListHeaderItem", &Make<CListHeaderItemUI>},
        {"ListLabelElement", &Make<CListLabelElementUI>},
        {"ListTextElement", &Make<CListTextElementUI>},
        {"ListContainerElement", &Make<CListContainerElementUI>},
        {"Container", &Make<CContainerUI>},
        {"VerticalLayout", &Make<CVerticalLayoutUI>},
        {"HorizontalLayout", &Make<CHorizontalLayoutUI>},
        {"TileLayout", &Make<CTileLayoutUI>},
        {"TabLayout", &Make<CTabLayoutUI>},
        {"DialogLayout", &Make<CDialogLayoutUI>},
        {"ScrollBar", &Make<CScrollBarUI>},
        {"ActiveX", &Make<CActiveXUI>},
        {"Label", &Make<CLabelUI>},
        {"Text", &Make<CTextUI>},
        {"Button", &Make<CButtonUI>},
        {"Option", &Make<COptionUI>},
        {"Progress", &Make<CProgressUI>},
        {"Slider", &Make<CSliderUI>},
        {"Edit", &Make<CEditUI>},
        {"RichEdit", &Make<CRichEditUI>},
        {"Control", &Make<CControlUI>},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CControlUI* control = c.make();
        EXPECT_EQ(control->GetInterface(nullptr), nullptr);
        control->SetAttribute(nullptr, L"1");
        control->SetAttribute(nullptr, nullptr);
        control->SetAttribute(L"name", nullptr);
        EXPECT_STREQ(control->GetName().GetData(), L"");
        control->SetAttribute(L"name", L"kept");
        EXPECT_STREQ(control->GetName().GetData(), L"kept");
        delete control;
    }
}
