// The main window: creation and binding, dispatch, frame, tabs, tray, close behaviour and the
// closing sequence.
#include <gtest/gtest.h>

#include "failing_alloc.h"
#include "main_form_fixture.h"
#include "main_messages.h"
#include "vela_dialog.h"
#include "menu_right_key.h"
#include "player_forms_util.h"
#include "stat_report.h"
#include "test_files.h"
#include "track_info.h"

using namespace mainform;
using namespace VelaUI;
using UIToolkit::CControlUI;

namespace {

TEST_F(MainFormTest, BindsItsControlsAndShowsTheRecommendTab) {
    Open();
    wchar_t cls[64] = {};
    ::GetClassNameW(hWnd, cls, 64);
    EXPECT_STREQ(cls, L"VelaUI::VelaMainForm");
    EXPECT_EQ(::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CAPTION, 0);
    for (const wchar_t* hidden : {L"TextUserName", L"BtnLogout", L"BtnPlaySerial", L"BtnAudition", L"BtnPush"}) {
        EXPECT_FALSE(Control(hidden)->IsVisible()) << testfiles::Narrow(hidden);
    }
    EXPECT_FALSE(Control(L"BtnPush")->IsEnabled());
    EXPECT_STREQ(Control(L"LablePlayTime")->GetText().GetData(), L"00:00");
    EXPECT_STREQ(Control(L"TextInfoDynamicShare")->GetText().GetData(), L"");
    EXPECT_EQ(dynamic_cast<UIToolkit::CSliderUI*>(Control(L"SliderVol"))->GetValue(), 100);
    EXPECT_FALSE(Control(L"ListPlayList")->IsContextMenuEnabled());
    EXPECT_FALSE(Control(L"ListDownloadManage")->IsContextMenuEnabled());
    // The web page's tab is the first one shown: "my music" stays hidden until chosen.
    EXPECT_FALSE(Control(L"VLMyMusic")->IsVisible());
}

TEST_F(MainFormTest, CaptionBandDragsAndEdgesSizeTheWindow) {
    Open();
    Pump(50);
    RECT client = {};
    ::GetClientRect(hWnd, &client);
    const RECT close = Control(L"BtnClose")->GetPos();
    const RECT name = Control(L"TextArtist_Sing")->GetPos();
    struct Case {
        const char* where;
        int x, y;
        LRESULT hit;
    };
    const Case cases[] = {
        {"empty part of the title band", 400, 17, HTCAPTION},
        {"close button in the band", (close.left + close.right) / 2, (close.top + close.bottom) / 2, HTCLIENT},
        {"top-left corner", 1, 1, HTTOPLEFT},
        {"top edge", 400, 1, HTTOP},
        {"right edge", client.right - 2, 300, HTRIGHT},
        {"bottom-right corner", client.right - 2, client.bottom - 2, HTBOTTOMRIGHT},
        {"below the band", 400, (name.top + name.bottom) / 2, HTCLIENT},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(::SendMessageW(hWnd, WM_NCHITTEST, 0, formtest::ScreenPoint(hWnd, c.x, c.y)), c.hit) << c.where;
    }
    // Maximised, the edges no longer size it; the band still drags.
    ::ShowWindow(hWnd, SW_MAXIMIZE);
    Pump(100);
    EXPECT_EQ(::SendMessageW(hWnd, WM_NCHITTEST, 0, formtest::ScreenPoint(hWnd, 400, 1)), HTCAPTION);
}

TEST_F(MainFormTest, TheRoundRegionFollowsTheWindowSize) {
    Open();
    ::SetWindowPos(hWnd, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER);
    Pump(50);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(hWnd, region), ERROR);
    RECT box = {};
    ::GetRgnBox(region, &box);
    ::DeleteObject(region);
    EXPECT_GE(box.right, 999);
    EXPECT_GE(box.bottom, 699);
}

TEST_F(MainFormTest, TabsShowTheirContainers) {
    Open();
    Click(L"BtnTabMyMusic");
    EXPECT_TRUE(Control(L"VLMyMusic")->IsVisible());
    EXPECT_TRUE(Control(L"Container_PlayList")->IsVisible());
    EXPECT_FALSE(Control(L"Container_DownManage")->IsVisible());
    Click(L"BtnTabDownManage");
    EXPECT_TRUE(Control(L"Container_DownManage")->IsVisible());
    EXPECT_TRUE(Control(L"Container_DownManage")->IsEnabled());
    EXPECT_FALSE(Control(L"Container_PlayList")->IsVisible());
    EXPECT_FALSE(Control(L"Container_PlayList")->IsEnabled());
    Click(L"BtnTabPlayList");
    EXPECT_TRUE(Control(L"Container_PlayList")->IsVisible());
    Click(L"BtnTabMusicRecommend");
    EXPECT_FALSE(Control(L"VLMyMusic")->IsVisible());
}

TEST_F(MainFormTest, AnEmptySearchSaysSo) {
    Open();
    std::wstring said;
    Script script({[&] {
        HWND box = FindThreadWindow(L"#32770", L"提示");
        if (box == nullptr) return false;
        wchar_t text[128] = {};
        ::GetDlgItemTextW(box, 0xFFFF, text, 128);
        said = text;
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    }});
    Control(L"EditSearch")->SetText(L"");
    Click(L"BtnSearch");
    EXPECT_TRUE(PumpUntil([&] { return script.Done(); }));
    EXPECT_EQ(said, L"歌曲名不能为空，请重新输入");
}

TEST_F(MainFormTest, TrayMessagesHideShowAndStayOnTop) {
    Open();
    ::SendMessageW(hWnd, WM_CLOSESET_OK, 1, 0);
    EXPECT_FALSE(::IsWindowVisible(hWnd));
    ::SendMessageW(hWnd, WM_TRAYICON, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(::IsWindowVisible(hWnd));
    SetAlwaysOnTop(true);
    ::SendMessageW(hWnd, WM_TRAYMENU_TOPMOST, 0, 0);
    EXPECT_NE(::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SetAlwaysOnTop(false);
    ::SendMessageW(hWnd, WM_TRAYMENU_TOPMOST, 0, 0);
    EXPECT_EQ(::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // Messages of other concerns go on to the manager untouched.
    EXPECT_EQ(::SendMessageW(hWnd, WM_MAIN_UNHANDLED_FIRST, 0, 0), 0);
}

TEST_F(MainFormTest, TheMinimiseButtonMinimises) {
    Open();
    Click(L"BtnMin");
    EXPECT_TRUE(PumpUntil([&] { return ::IsIconic(hWnd) != FALSE; }));
}

// What the close button does by the saved choice; "do not ask" counts for any non-zero value.
struct CloseButtonCase {
    const char* what;
    const char* closeSet;  // [CloseSet] lines
    bool asks;
    bool hides;            // when it does not ask: hides (true) or closes
};

void PrintTo(const CloseButtonCase& c, std::ostream* os) { *os << c.what; }

class CloseButtonTest : public MainFormTest, public ::testing::WithParamInterface<CloseButtonCase> {};

TEST_P(CloseButtonTest, FollowsTheSavedChoice) {
    const CloseButtonCase& c = GetParam();
    WriteSettings(std::string("[Option]\r\ng=1\r\n[CloseSet]\r\n") + c.closeSet);
    Open();
    bool asked = false;
    Script script({[&] {
        HWND dialog = FindThreadWindow(L"VelaUI::VelaCloseSetForm");
        if (dialog == nullptr) return false;
        asked = true;
        ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 1);
        return true;
    }});
    Click(L"BtnClose");
    if (c.asks) {
        EXPECT_TRUE(PumpUntil([&] { return script.Done(); }));
        EXPECT_TRUE(asked);
        EXPECT_TRUE(::IsWindowVisible(hWnd));
    } else if (c.hides) {
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hWnd); }));
        EXPECT_TRUE(::IsWindow(hWnd));
    } else {
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hWnd); }, 20000));
    }
    EXPECT_FALSE(asked && !c.asks);
}

INSTANTIATE_TEST_SUITE_P(
    Main, CloseButtonTest,
    ::testing::Values(CloseButtonCase{"asks", "a=1\r\nb=0\r\n", true, false},
                      CloseButtonCase{"hides without asking", "a=1\r\nb=1\r\n", false, true},
                      CloseButtonCase{"exits without asking", "a=0\r\nb=1\r\n", false, false},
                      CloseButtonCase{"any non-zero does not ask", "a=0\r\nb=2\r\n", false, false}));

TEST_F(MainFormTest, TheCloseDialogsAnswerIsActedOn) {
    Open();
    Script script({[&] {
                       HWND dialog = FindThreadWindow(L"VelaUI::VelaCloseSetForm");
                       auto* closeSet = FormOf<VelaDialogForm>(dialog);
                       if (closeSet == nullptr) return false;
                       SelectOption(closeSet->GetManager().FindControlByName(L"RadioTray"), true);
                       return ClickControl(dialog, closeSet->GetManager(), L"BtnOK");
                   }});
    Click(L"BtnClose");
    EXPECT_TRUE(PumpUntil([&] { return script.Done() && !::IsWindowVisible(hWnd); }));
    EXPECT_TRUE(::IsWindow(hWnd));
    EXPECT_EQ(ReadSetting(L"CloseSet", L"a"), L"1");
    EXPECT_EQ(ReadSetting(L"Option", L"e"), L"1");
}

// Every way of closing runs the whole closing sequence: the playlists are written.
struct ClosingCase {
    const char* what;
    UINT message;
    WPARAM wParam;
};

void PrintTo(const ClosingCase& c, std::ostream* os) { *os << c.what; }

class ClosingTest : public MainFormTest, public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(ClosingTest, SavesThePlayListsAndEnds) {
    const ClosingCase& c = GetParam();
    TrackFields track;
    track.texts[0] = "42";
    track.texts[1] = "晴天";
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({track}));
    Open();
    {
        VelaMainForm::SharedGuard guard(form->SharedLock());
        form->GetPlayList(0)->tracks[0].TrackName = L"七里香";
    }
    CloseWith(c.message, c.wParam);
    // The heartbeat thread ended before the window went.
    EXPECT_FALSE(g_StatReportInfo.Running);
    track.texts[1] = "七里香";
    EXPECT_EQ(testfiles::ReadAll(DataFile(L"PLDefault")), PlayListFile({track}));
}

INSTANTIATE_TEST_SUITE_P(Main, ClosingTest,
                         ::testing::Values(ClosingCase{"WM_CLOSE", WM_CLOSE, 0},
                                           ClosingCase{"Alt+F4", WM_SYSCOMMAND, SC_CLOSE},
                                           ClosingCase{"tray exit", WM_TRAYMENU_EXIT, 0},
                                           ClosingCase{"close dialog's exit", WM_CLOSESET_OK, 0}));

TEST_F(MainFormTest, ExitWhileAModalDialogRunsEndsTheDialogFirst) {
    Open();
    HWND options = nullptr;
    Script script({[&] {
        options = FindThreadWindow(L"VelaUI::VelaOptionForm");
        if (options == nullptr) return false;
        ::PostMessageW(hWnd, WM_TRAYMENU_EXIT, 0, 0);
        return true;
    }});
    ::PostMessageW(hWnd, WM_TRAYMENU_OPTIONS, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hWnd); }, 20000));
    EXPECT_NE(options, nullptr);
    EXPECT_FALSE(::IsWindow(options));
    form = nullptr;
}

struct WindowCount {
    const wchar_t* cls;
    int n;
};

BOOL CALLBACK CountVisibleWindowOfClass(HWND w, LPARAM p) {
    auto* c = reinterpret_cast<WindowCount*>(p);
    wchar_t cls[128] = {};
    ::GetClassNameW(w, cls, 128);
    if (::IsWindowVisible(w) && std::wstring(cls) == c->cls) ++c->n;
    return TRUE;
}

int CountThreadWindows(const wchar_t* className) {
    WindowCount count = {className, 0};
    ::EnumThreadWindows(::GetCurrentThreadId(), CountVisibleWindowOfClass, reinterpret_cast<LPARAM>(&count));
    return count.n;
}

// Asks every visible window of the thread but the main one to close.
BOOL CALLBACK CloseOtherVisibleWindow(HWND w, LPARAM main) {
    if (w != reinterpret_cast<HWND>(main) && ::IsWindowVisible(w)) ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    return TRUE;
}

// While a dialog of the window runs, neither the tray icon nor the tray menu's items open
// another over it: the second would enable the window again under the first when it ended, and
// the window could then be closed from under the first dialog.
TEST_F(MainFormTest, NoSecondDialogOpensWhileOneRuns) {
    Open();
    HWND options = nullptr;
    int optionForms = -1, otherDialogs = -1, menus = -1;
    bool windowEnabled = true;
    Script script({[&] {
                       options = FindThreadWindow(L"VelaUI::VelaOptionForm");
                       if (options == nullptr) return false;
                       ::PostMessageW(hWnd, WM_TRAYICON, 0, WM_RBUTTONDOWN);
                       ::PostMessageW(hWnd, WM_TRAYICON, 0, WM_LBUTTONDOWN);
                       ::PostMessageW(hWnd, WM_TRAYMENU_OPTIONS, 0, 0);
                       ::PostMessageW(hWnd, WM_TRAYMENU_ABOUT, 0, 0);
                       ::PostMessageW(hWnd, WM_TRAYMENU_LOGIN, 0, 0);
                       return true;
                   },
                   [&] {
                       // Timers come after every posted message: these have all been handled, in
                       // a nested dialog's loop if one opened.
                       optionForms = CountThreadWindows(L"VelaUI::VelaOptionForm");
                       // The about dialog has the class that most dialogs share.
                       otherDialogs = CountThreadWindows(kSharedDialogClass) +
                                      CountThreadWindows(L"VelaUI::VelaLoginForm");
                       menus = CountThreadWindows(L"MenuRightKey_Tray");
                       windowEnabled = ::IsWindowEnabled(hWnd) != FALSE;
                       // Whatever opened is closed again, so that every modal loop ends.
                       ::EnumThreadWindows(::GetCurrentThreadId(), CloseOtherVisibleWindow,
                                           reinterpret_cast<LPARAM>(hWnd));
                       return true;
                   }});
    ::PostMessageW(hWnd, WM_TRAYMENU_OPTIONS, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return script.Done() && !::IsWindow(options); }, 10000));
    EXPECT_EQ(optionForms, 1);
    EXPECT_EQ(otherDialogs, 0);
    EXPECT_EQ(menus, 0);
    EXPECT_FALSE(windowEnabled);
    EXPECT_TRUE(::IsWindowVisible(hWnd));
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(hWnd) != FALSE; }));
    // Once it has ended, the tray opens the dialogs again.
    Script again({[&] {
        HWND about = FindThreadWindow(kSharedDialogClass);
        if (about == nullptr) return false;
        ::PostMessageW(about, WM_KEYDOWN, VK_ESCAPE, 1);
        return true;
    }});
    ::PostMessageW(hWnd, WM_TRAYMENU_ABOUT, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return again.Done() && ::IsWindowEnabled(hWnd); }, 10000));
}

// Out of memory inside the closing sequence ends the sequence there; the message still goes on
// to the default processing, so the window is destroyed and the program ends as it should.
TEST_F(MainFormTest, AnExceptionInTheClosingSequenceStillDestroysTheWindow) {
    const size_t kTracks = 37;
    Open();
    {
        VelaMainForm::SharedGuard guard(form->SharedLock());
        TrackInfo track;
        track.TrackID = L"42";
        track.TrackName = L"晴天";
        form->GetPlayList(0)->tracks.assign(kTracks, track);
    }
    // Saving the default list copies its tracks first: that allocation fails.
    failingalloc::FailNextOnThisThread(kTracks * sizeof(TrackInfo));
    ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    const bool gone = PumpUntil([&] { return !::IsWindow(hWnd); }, 20000);
    const bool failed = failingalloc::HasFailed();
    failingalloc::Disarm();
    EXPECT_TRUE(failed);
    EXPECT_TRUE(gone);
    // The sequence ended at the failed save: the default list was not written.
    EXPECT_FALSE(testfiles::Exists(DataFile(L"PLDefault")));
    form = nullptr;
}

}  // namespace
