// The right-click menus: the tray menu's items, its always-on-top text, closing, fitting to the
// work area; the track list's menu and the main window's handling of its items.
#include <gtest/gtest.h>

#include "main_form_fixture.h"
#include "menu_right_key.h"
#include "player_forms_util.h"
#include "standin_client.h"
#include "standin_tracks.h"
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

TrackFields Track(const char* id, const char* name) {
    TrackFields track;
    track.texts[0] = id;
    track.texts[1] = name;
    return track;
}

// Whether the stand-in was asked for a URL of that kind ("Play", "Down") for the track.
bool UrlAsked(const char* kind, const std::string& id) {
    for (const std::string& request : standin::RequestsMatching(std::string("GetTrack") + kind + "Url")) {
        const size_t at = request.find("ProductID=" + id);
        if (at != std::string::npos && std::string("& ").find(request[at + 10 + id.size()]) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The track list's menu acts on the playlist the list shows, which need not be the one that
// plays: it opens for a shown list with tracks; "播放" plays that row of it; "删除" of the
// playing row plays the track that follows; "下载" downloads the row's track, once while it is
// being downloaded. Each step is the notification the menu sends.
TEST_F(MenuTest, TheTrackListMenuActsOnTheShownPlaylist) {
    const std::wstring folder = testfiles::FreshDir(L"menudownloads");
    WriteSettings("[Option]\r\nf=" + testfiles::Narrow(folder) + "\r\ng=1\r\n");
    testfiles::WriteAll(DataFile(L"PLILike"),
                        PlayListFile({Track("1003", "Three"), Track("1004", "Four"), Track("1005", "Five")}));
    standin::Reset();
    standin::SetTrackFile("1003", 300000, {}, "slow=50000");
    Open();
    Click(L"BtnTabMyMusic");
    form->SelectPlayList(1, true);  // "我喜欢的" shows; the empty "默认列表" stays current
    UIToolkit::CListUI* list = List(L"ListPlayList");
    ASSERT_EQ(list->GetCount(), 3);
    ASSERT_EQ(form->GetCurrentPlayList(), form->GetPlayList(0));
    UIToolkit::CWindowManagerUI& manager = form->GetManager();

    manager.SendNotify(list, L"menu");
    HWND menu = FindThreadWindow(L"MenuRightKey_PlayList");
    ASSERT_NE(menu, nullptr);
    ::PostMessageW(menu, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(menu); }));

    list->SelectItem(1);
    manager.SendNotify(list, L"menu_PlayList", 2);
    ASSERT_TRUE(PumpUntil([] { return UrlAsked("Play", "1004"); }, 10000));
    EXPECT_EQ(form->GetCurrentPlayList(), form->GetPlayList(1));
    EXPECT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }, 10000));

    manager.SendNotify(list, L"menu_PlayList", 4);
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_TRUE(PumpUntil([] { return UrlAsked("Play", "1005"); }, 10000));
    {
        VelaMainForm::SharedGuard guard(form->SharedLock());
        ASSERT_EQ(form->GetPlayList(1)->tracks.size(), 2u);
        EXPECT_EQ(form->GetPlayList(1)->tracks[1].TrackID, L"1005");
        EXPECT_EQ(form->GetPlayList(1)->currentIndex, 1);
    }

    list->SelectItem(0);
    manager.SendNotify(list, L"menu_PlayList", 3);
    EXPECT_TRUE(UrlAsked("Down", "1003"));
    std::vector<DownloadItem> items = form->GetDownloadItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].TrackID, L"1003");
    EXPECT_EQ(items[0].Status, L"downloading");
    {
        VelaMainForm::SharedGuard guard(form->SharedLock());
        const TrackInfo& track = form->GetPlayList(1)->tracks[0];
        EXPECT_TRUE(track.IsDownloading);
        EXPECT_EQ(track.FilePath, folder);
        EXPECT_EQ(track.FileName, L"Three.mp3");
        EXPECT_NE(track.FileURL.find(L"/trackfile/1003.mp3"), std::wstring::npos);
    }
    manager.SendNotify(list, L"menu_PlayList", 3);  // already being downloaded
    EXPECT_EQ(form->GetDownloadItems().size(), 1u);
    CloseWith(WM_CLOSE);
    standin::Reset();
    testfiles::RemoveTree(folder);
}

}  // namespace
