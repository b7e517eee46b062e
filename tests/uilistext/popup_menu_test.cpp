// The popup menu: the observer, the menu list and items, and real menu windows built from a
// small layout (opening at a point, sub-menus, clicks posting to the owner, closing paths).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listext_test_util.h"

namespace {

using namespace UIToolkit;

const wchar_t kMenuLayout[] =
    L"<Window><Font name=\"Arial\" size=\"12\" default=\"true\"/>"
    L"<Default name=\"Menu\" value=\"inset=&quot;2,2,2,2&quot; itemtextpadding=&quot;30,0,0,0&quot;\"/>"
    L"<Menu MenuID=\"500\" itemselectedbkcolor=\"FF3D3D3D\">"
    L"<MenuElement text=\"Play\" ItemID=\"501\"/>"
    L"<MenuElement text=\"Delete\" ItemID=\"502\"/>"
    L"<MenuElement text=\"Add to\" ItemID=\"505\">"
    L"<MenuElement text=\"Playlist\" ItemID=\"506\"/>"
    L"<MenuElement text=\"Favourites\" ItemID=\"507\"/>"
    L"</MenuElement>"
    L"</Menu></Window>";

struct Posted {
    UINT message;
    WPARAM itemId;
    std::wstring text;
};

// The window that owns the menus and receives their messages.
class OwnerWindow : public CWindowWnd {
public:
    std::vector<Posted> posted;

protected:
    const wchar_t* GetWindowClassName() const override { return L"VelaMenuTestOwner"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= 400 && message < 600) {
            posted.push_back(Posted{message, wParam, reinterpret_cast<const wchar_t*>(lParam)});
            return 0;
        }
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }
};

std::vector<CMenuWnd*> OpenMenus() {
    std::vector<CMenuWnd*> menus;
    ObserverImpl::Iterator it(GetMenuObserver());
    while (ReceiverImplBase* receiver = it.Next()) {
        if (auto* menu = dynamic_cast<CMenuWnd*>(receiver)) menus.push_back(menu);
    }
    return menus;
}

// A find callback has the system's calling convention (stdcall in 32-bit programs), so it is a
// function of its own: GCC converts no lambda to it.
CControlUI* CALLBACK MatchMenuItemText(CControlUI* control, LPVOID text) {
    if (control->GetInterface(L"MenuElement") && control->GetText() == static_cast<const wchar_t*>(text))
        return control;
    return nullptr;
}

CMenuElementUI* ItemByText(CWindowManagerUI& pm, const wchar_t* text) {
    CControlUI* root = pm.GetRoot();
    return root ? static_cast<CMenuElementUI*>(
                      root->FindControl(MatchMenuItemText, const_cast<wchar_t*>(text), UIFIND_ALL))
                : nullptr;
}

POINT CenterOf(CControlUI* control) {
    const RECT rc = control->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        listext::ParkCursor();
        // A child window owns the menus (a new top-level window takes long to appear).
        ASSERT_NE(host.CreateShown(60, 40), nullptr);
        ASSERT_NE(owner.Create(host.GetHWND(), L"owner", WS_CHILD | WS_VISIBLE, 0, 0, 0, 60, 40), nullptr);
        uitest::Pump();
    }
    void TearDown() override {
        for (CMenuWnd* menu : OpenMenus()) menu->Close();
        uitest::PumpUntil([] { return OpenMenus().empty(); });
        ::DestroyWindow(owner.GetHWND());
        ::DestroyWindow(host.GetHWND());
        uitest::Pump();
    }

    CMenuWnd* OpenAt(int x, int y) {
        auto* menu = new CMenuWnd(owner.GetHWND());
        if (!menu->Init(nullptr, LayoutSource(kMenuLayout), nullptr, x, y)) return nullptr;
        listext::Repaint(menu->GetHWND());
        return menu;
    }
    bool WaitForMenus(size_t count) {
        return uitest::PumpUntil([count] { return OpenMenus().size() == count; });
    }

    uitest::TestWindow host;
    OwnerWindow owner;
};

TEST(MenuPartsTest, BuilderCallbackAndMenuListAcceptOnlyMenuItems) {
    CMenuBuilderCallback callback;
    CControlUI* menu = callback.CreateControl(L"menu");
    CControlUI* item = callback.CreateControl(L"MENUELEMENT");
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(menu->GetClassName(), L"MenuUI");
    EXPECT_STREQ(item->GetClassName(), L"MenuElementUI");
    EXPECT_EQ(callback.CreateControl(L"Button"), nullptr);

    auto* list = static_cast<CMenuUI*>(menu);
    EXPECT_EQ(list->GetInterface(L"mEnU"), list);
    list->SetAttribute(L"MenuID", L"500");
    EXPECT_EQ(list->GetMenuId(), 500u);
    EXPECT_FALSE(list->GetHeader()->IsVisible());

    // A sub-item stays hidden inside its parent item; plain controls are refused.
    auto* sub = new CMenuElementUI;
    static_cast<CMenuElementUI*>(item)->Add(sub);
    item->SetAttribute(L"ItemID", L"505");
    EXPECT_EQ(static_cast<CMenuElementUI*>(item)->GetItemId(), 505u);
    EXPECT_EQ(item->GetFixedHeight(), 25);
    EXPECT_TRUE(list->Add(item));
    EXPECT_FALSE(sub->IsVisible());
    CControlUI plain;
    EXPECT_FALSE(list->Add(&plain));
    EXPECT_FALSE(list->AddAt(&plain, 0));
    EXPECT_FALSE(list->Remove(&plain));
    EXPECT_EQ(list->GetItemIndex(&plain), -1);
    EXPECT_EQ(list->GetItemIndex(item), 0);
    EXPECT_EQ(list->EstimateSize(SIZE{300, 300}).cy, 25);
    delete list;
}

// A receiver that records what it receives and may make other receivers leave meanwhile.
class Probe : public ReceiverImpl {
public:
    Probe(std::vector<int>* log, int id) : m_log(log), m_id(id) {}
    bool Receive(ContextMenuParam param) override {
        m_log->push_back(m_id * 10 + static_cast<int>(param.type));
        for (Probe* other : leaveOnReceive) other->RemoveFromObservers();
        return true;
    }
    std::vector<Probe*> leaveOnReceive;

private:
    std::vector<int>* m_log;
    int m_id;
};

TEST(MenuObserverTest, BroadcastsSurviveReceiversLeavingMidway) {
    ObserverImpl observer;
    std::vector<int> log;
    Probe a(&log, 1), b(&log, 2), c(&log, 3);
    observer.AddReceiver(&a);
    observer.AddReceiver(&b);
    observer.AddReceiver(&c);
    observer.AddReceiver(nullptr);
    EXPECT_EQ(observer.GetReceiverCount(), 3);

    observer.Broadcast(ContextMenuParam{MENU_CLOSE_ALL, nullptr});
    EXPECT_EQ(log, (std::vector<int>{11, 21, 31}));
    log.clear();
    // C, reached first in reverse, makes B leave: B is not called any more.
    c.leaveOnReceive = {&b};
    observer.BroadcastReverse(ContextMenuParam{MENU_CLOSE_BELOW, nullptr});
    EXPECT_EQ(log, (std::vector<int>{32, 12}));
    EXPECT_EQ(observer.GetReceiverCount(), 2);
    {
        // A receiver destroyed while registered leaves by itself.
        Probe d(&log, 4);
        observer.AddReceiver(&d);
        EXPECT_EQ(observer.GetReceiverCount(), 3);
    }
    EXPECT_EQ(observer.GetReceiverCount(), 2);
    a.RemoveFromObservers();
    c.RemoveFromObservers();
    EXPECT_EQ(observer.GetReceiverCount(), 0);
}

TEST_F(PopupMenuTest, ATopLevelMenuOpensAtThePointWithItsEstimatedSize) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(OpenMenus().size(), 1u);
    RECT rc = {};
    ::GetWindowRect(menu->GetHWND(), &rc);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 120);
    EXPECT_EQ(rc.bottom - rc.top, 3 * 25);
    CMenuElementUI* play = ItemByText(menu->GetManager(), L"Play");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(rc.right - rc.left, menu->GetManager().GetRoot()->EstimateSize(SIZE{1024, 768}).cx);
    EXPECT_GT(rc.right - rc.left, 30 + 20);
    // The sub-items stay hidden inside their parent item.
    EXPECT_FALSE(ItemByText(menu->GetManager(), L"Playlist")->IsVisible());
}

TEST_F(PopupMenuTest, NearTheBottomRightCornerTheMenuStillOpensAtThePoint) {
    const int x = ::GetSystemMetrics(SM_CXSCREEN) - 20;
    const int y = ::GetSystemMetrics(SM_CYSCREEN) - 20;
    CMenuWnd* menu = OpenAt(x, y);
    ASSERT_NE(menu, nullptr);
    RECT rc = {};
    ::GetWindowRect(menu->GetHWND(), &rc);
    EXPECT_EQ(rc.left, x);
    EXPECT_EQ(rc.top, y);
}

TEST_F(PopupMenuTest, AClickOnALeafPostsTheChoiceAndClosesEveryMenu) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    CMenuElementUI* item = ItemByText(menu->GetManager(), L"Delete");
    ASSERT_NE(item, nullptr);
    listext::ClickAt(menu->GetHWND(), CenterOf(item));
    ASSERT_TRUE(WaitForMenus(0));
    ASSERT_EQ(owner.posted.size(), 1u);
    EXPECT_EQ(owner.posted[0].message, 500u);
    EXPECT_EQ(owner.posted[0].itemId, 502u);
    EXPECT_EQ(owner.posted[0].text, L"Delete");
}

TEST_F(PopupMenuTest, RightClicksInsideAMenuDoNothing) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    const POINT pt = CenterOf(ItemByText(menu->GetManager(), L"Play"));
    const LPARAM lParam = MAKELPARAM(pt.x, pt.y);
    ::PostMessageW(menu->GetHWND(), WM_RBUTTONDOWN, MK_RBUTTON, lParam);
    ::PostMessageW(menu->GetHWND(), WM_RBUTTONUP, 0, lParam);
    ::PostMessageW(menu->GetHWND(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(menu->GetHWND()), lParam);
    uitest::Pump();
    EXPECT_EQ(OpenMenus().size(), 1u);
    EXPECT_TRUE(owner.posted.empty());
}

TEST_F(PopupMenuTest, HoveringOpensTheSubMenuAndALeafOfTheSameMenuClosesIt) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    CMenuElementUI* addTo = ItemByText(menu->GetManager(), L"Add to");
    CMenuElementUI* play = ItemByText(menu->GetManager(), L"Play");
    CMenuElementUI* playlist = ItemByText(menu->GetManager(), L"Playlist");
    ASSERT_TRUE(addTo && play && playlist);

    listext::MoveTo(menu->GetHWND(), CenterOf(addTo));
    ASSERT_TRUE(WaitForMenus(2));
    CMenuWnd* sub = addTo->GetSubMenuWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->GetOwnerItem(), addTo);
    // The sub-items moved into the sub-menu's window, beside the parent menu.
    EXPECT_EQ(playlist->GetManager(), &sub->GetManager());
    EXPECT_TRUE(playlist->IsVisible());
    RECT parentRect = {}, subRect = {};
    ::GetWindowRect(menu->GetHWND(), &parentRect);
    ::GetWindowRect(sub->GetHWND(), &subRect);
    EXPECT_EQ(subRect.left, parentRect.right);
    POINT itemTop = {0, addTo->GetPos().top};
    ::ClientToScreen(menu->GetHWND(), &itemTop);
    EXPECT_EQ(subRect.top, itemTop.y);
    EXPECT_EQ(subRect.bottom - subRect.top, 2 * 25 + 4);

    // A leaf of the parent menu closes the sub-menu; the items go back, hidden.
    listext::MoveTo(menu->GetHWND(), CenterOf(play));
    ASSERT_TRUE(WaitForMenus(1));
    EXPECT_EQ(addTo->GetSubMenuWindow(), nullptr);
    EXPECT_EQ(playlist->GetManager(), &menu->GetManager());
    EXPECT_EQ(playlist->GetParent(), addTo);
    EXPECT_FALSE(playlist->IsVisible());
    listext::Repaint(menu->GetHWND());

    // Moving back reopens it.
    listext::MoveTo(menu->GetHWND(), CenterOf(addTo));
    ASSERT_TRUE(WaitForMenus(2));
    EXPECT_NE(addTo->GetSubMenuWindow(), nullptr);
}

TEST_F(PopupMenuTest, AClickInASubMenuPostsToTheOwnerAndClosesEveryMenu) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    CMenuElementUI* addTo = ItemByText(menu->GetManager(), L"Add to");
    listext::ClickAt(menu->GetHWND(), CenterOf(addTo));   // a click opens it as well
    ASSERT_TRUE(WaitForMenus(2));
    // The click on the parent item itself posted its own choice.
    ASSERT_EQ(owner.posted.size(), 1u);
    EXPECT_EQ(owner.posted[0].itemId, 505u);

    CMenuWnd* sub = addTo->GetSubMenuWindow();
    ASSERT_NE(sub, nullptr);
    listext::Repaint(sub->GetHWND());
    CMenuElementUI* favourites = ItemByText(sub->GetManager(), L"Favourites");
    ASSERT_NE(favourites, nullptr);
    listext::ClickAt(sub->GetHWND(), CenterOf(favourites));
    ASSERT_TRUE(WaitForMenus(0));
    ASSERT_EQ(owner.posted.size(), 2u);
    EXPECT_EQ(owner.posted[1].message, 500u);
    EXPECT_EQ(owner.posted[1].itemId, 507u);
    EXPECT_EQ(owner.posted[1].text, L"Favourites");
}

TEST_F(PopupMenuTest, EscapeClosesOnlyTheWindowThatHasTheKey) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    CMenuElementUI* addTo = ItemByText(menu->GetManager(), L"Add to");
    listext::MoveTo(menu->GetHWND(), CenterOf(addTo));
    ASSERT_TRUE(WaitForMenus(2));
    ::PostMessageW(addTo->GetSubMenuWindow()->GetHWND(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitForMenus(1));
    EXPECT_EQ(OpenMenus()[0], menu);
    EXPECT_EQ(addTo->GetSubMenuWindow(), nullptr);
}

TEST_F(PopupMenuTest, FocusLeavingTheMenusClosesThemAll) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    listext::MoveTo(menu->GetHWND(), CenterOf(ItemByText(menu->GetManager(), L"Add to")));
    ASSERT_TRUE(WaitForMenus(2));
    ::SendMessageW(menu->GetHWND(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(owner.GetHWND()), 0);
    ASSERT_TRUE(WaitForMenus(0));
    EXPECT_TRUE(owner.posted.empty());
}

TEST_F(PopupMenuTest, ASubMenuAgainstTheRightEdgeOpensLeftOfAndBelowItsParent) {
    CMenuWnd* probe = OpenAt(0, 0);
    ASSERT_NE(probe, nullptr);
    RECT probeRect = {};
    ::GetWindowRect(probe->GetHWND(), &probeRect);
    const int width = probeRect.right - probeRect.left;
    probe->Close();
    ASSERT_TRUE(WaitForMenus(0));

    CMenuWnd* menu = OpenAt(::GetSystemMetrics(SM_CXSCREEN) - width, 100);
    ASSERT_NE(menu, nullptr);
    CMenuElementUI* addTo = ItemByText(menu->GetManager(), L"Add to");
    listext::MoveTo(menu->GetHWND(), CenterOf(addTo));
    ASSERT_TRUE(WaitForMenus(2));
    RECT parentRect = {}, subRect = {};
    ::GetWindowRect(menu->GetHWND(), &parentRect);
    ::GetWindowRect(addTo->GetSubMenuWindow()->GetHWND(), &subRect);
    EXPECT_EQ(subRect.right, parentRect.left);
    EXPECT_EQ(subRect.top, parentRect.bottom);
}

TEST_F(PopupMenuTest, ASubMenuThatWouldPassTheBottomOfTheWorkAreaOpensUpwards) {
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    CMenuWnd* menu = OpenAt(100, work.bottom - 3 * 25);   // "Add to" ends at the bottom
    ASSERT_NE(menu, nullptr);
    CMenuElementUI* addTo = ItemByText(menu->GetManager(), L"Add to");
    listext::MoveTo(menu->GetHWND(), CenterOf(addTo));
    ASSERT_TRUE(WaitForMenus(2));
    RECT parentRect = {}, subRect = {};
    ::GetWindowRect(menu->GetHWND(), &parentRect);
    ::GetWindowRect(addTo->GetSubMenuWindow()->GetHWND(), &subRect);
    POINT itemTop = {0, addTo->GetPos().top};
    ::ClientToScreen(menu->GetHWND(), &itemTop);
    EXPECT_EQ(subRect.bottom, itemTop.y);
    EXPECT_EQ(subRect.top, itemTop.y - (2 * 25 + 4));
    EXPECT_EQ(subRect.left, parentRect.right);
}

// The top-level window destroyed outright (its sub-menu then never sees WM_CLOSE): the sub-menu
// still gives the items back before the parent's tree is freed.
TEST_F(PopupMenuTest, DestroyingTheTopMenuWithASubMenuOpenIsSafe) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    listext::MoveTo(menu->GetHWND(), CenterOf(ItemByText(menu->GetManager(), L"Add to")));
    ASSERT_TRUE(WaitForMenus(2));
    ::DestroyWindow(menu->GetHWND());
    ASSERT_TRUE(WaitForMenus(0));
}

// The item that owns an open sub-menu is deleted: the sub-menu gives the items back first and
// closes without touching the freed item.
TEST_F(PopupMenuTest, RemovingAnItemWhoseSubMenuIsOpenClosesTheSubMenuSafely) {
    CMenuWnd* menu = OpenAt(100, 120);
    ASSERT_NE(menu, nullptr);
    CMenuElementUI* addTo = ItemByText(menu->GetManager(), L"Add to");
    listext::MoveTo(menu->GetHWND(), CenterOf(addTo));
    ASSERT_TRUE(WaitForMenus(2));
    auto* list = static_cast<CMenuUI*>(menu->GetManager().GetRoot()->GetInterface(L"Menu"));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->Remove(addTo));   // deleted by the delayed cleanup
    ASSERT_TRUE(WaitForMenus(1));
    EXPECT_EQ(list->GetCount(), 2);
    listext::Repaint(menu->GetHWND());
}

TEST_F(PopupMenuTest, AMenuWhoseLayoutYieldsNothingClosesAgain) {
    auto* menu = new CMenuWnd(owner.GetHWND());
    EXPECT_TRUE(menu->Init(nullptr, LayoutSource(L"<Window></Window>"), nullptr, 10, 10));
    ASSERT_TRUE(WaitForMenus(0));
    EXPECT_TRUE(owner.posted.empty());
}

}  // namespace
