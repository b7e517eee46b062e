// The right-click menus: the tray menu's items, its always-on-top text, closing, fitting to the
// work area; the track list's menu.
#include <gtest/gtest.h>

#include "main_form_fixture.h"
#include "menu_right_key.h"
#include "player_forms_util.h"
#include "test_files.h"

using namespace mainform;
using namespace VelaUI;

namespace {

class MenuTest : public MainFormTest {
protected:
    HWND OpenTrayMenu(int x, int y) {
        (new MenuRightKey_Tray(L"Menu_RightKeyTray.xml"))->ShowAt(hWnd, x, y);
        HWND menu = FindThreadWindow(L"MenuRightKey_Tray");
        Pump(50);
        return menu;
    }
    static UIToolkit::CControlUI* Item(HWND menu, const wchar_t* name) {
        auto* m = FormOf<MenuRightKeyBase>(menu);
        return m != nullptr ? m->GetManager().FindControlByName(name) : nullptr;
    }
};

TEST_F(MenuTest, AlwaysOnTopTogglesTheFlagTheTextAndTheWindow) {
    Open();
    for (bool on : {true, false}) {
        HWND menu = OpenTrayMenu(200, 200);
        ASSERT_NE(menu, nullptr);
        EXPECT_STREQ(Item(menu, L"LableMenuElement_3")->GetText().GetData(), TopmostItemText(!on));
        formtest::PostClick(menu, Item(menu, L"MenuElement_3"));
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(menu); }));
        EXPECT_EQ(IsAlwaysOnTop(), on);
        EXPECT_TRUE(PumpUntil([&] { return ((::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) == on; }));
    }
}

TEST_F(MenuTest, EscAndTheLossOfTheFocusCloseWithoutAChoice) {
    Open();
    HWND menu = OpenTrayMenu(100, 100);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(::GetForegroundWindow(), menu);  // opened from the tray it takes the foreground
    formtest::PostKey(menu, VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(menu); }));
    menu = OpenTrayMenu(100, 100);
    ASSERT_NE(menu, nullptr);
    ::SetFocus(hWnd);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(menu); }));
    EXPECT_FALSE(IsAlwaysOnTop());
    EXPECT_TRUE(::IsWindowVisible(hWnd));
}

TEST_F(MenuTest, TheMenuStaysInsideTheWorkArea) {
    Open();
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    struct Case {
        const char* what;
        int x, y;
        int left, top;  // expected; -1: as requested
    };
    // The tray menu is 155 by 172.
    const Case cases[] = {
        {"inside", 100, 100, 100, 100},
        {"too low by 72", 100, static_cast<int>(work.bottom) - 100, 100, static_cast<int>(work.bottom) - 172},
        {"bottom-right corner", static_cast<int>(work.right) - 5, static_cast<int>(work.bottom) - 5,
         static_cast<int>(work.right) - 155, static_cast<int>(work.bottom) - 172},
    };
    for (const Case& c : cases) {
        HWND menu = OpenTrayMenu(c.x, c.y);
        ASSERT_NE(menu, nullptr) << c.what;
        RECT rc = {};
        ::GetWindowRect(menu, &rc);
        EXPECT_EQ(rc.left, c.left) << c.what;
        EXPECT_EQ(rc.top, c.top) << c.what;
        EXPECT_EQ(rc.right - rc.left, 155) << c.what;
        ::PostMessageW(menu, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(menu); }));
    }
}

TEST_F(MenuTest, WithoutAnOwnerNoMenuOpens) {
    (new MenuRightKey_Tray(L"Menu_RightKeyTray.xml"))->ShowAt(nullptr, 10, 10);
    (new MenuRightKey_PlayList(L"Menu_RightKeyPlayList.xml"))->ShowAt(nullptr, 10, 10);
    EXPECT_EQ(FindThreadWindow(L"MenuRightKey_Tray"), nullptr);
    EXPECT_EQ(FindThreadWindow(L"MenuRightKey_PlayList"), nullptr);
}

TEST_F(MenuTest, DeleteInTheTrackListMenuRemovesTheRowAndTheTrack) {
    TrackFields a, b, c;
    a.texts[0] = "1";
    b.texts[0] = "2";
    c.texts[0] = "3";
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({a, b, c}));
    Open();
    Click(L"BtnTabMyMusic");
    UIToolkit::CListUI* list = List(L"ListPlayList");
    ASSERT_EQ(list->GetCount(), 3);
    {
        VelaMainForm::SharedGuard guard(form->SharedLock());
        form->GetPlayList(0)->currentIndex = 2;
    }
    list->SelectItem(1);
    (new MenuRightKey_PlayList(L"Menu_RightKeyPlayList.xml"))->ShowAt(list, 200, 200);
    HWND menu = FindThreadWindow(L"MenuRightKey_PlayList");
    ASSERT_NE(menu, nullptr);
    Pump(50);
    formtest::PostClick(menu, Item(menu, L"MenuElement_4"));
    EXPECT_TRUE(PumpUntil([&] { return list->GetCount() == 2; }));
    PlayListInfo* playlist = form->GetPlayList(0);
    ASSERT_EQ(playlist->tracks.size(), 2u);
    EXPECT_EQ(playlist->tracks[1].TrackID, L"3");
    EXPECT_EQ(playlist->currentIndex, 1);  // still the third track
}

}  // namespace
