// Playback inside the main window in-process: the texts and states that the command thread's
// work shows, the current index of a playlist that never played, mute and the volume slider,
// the audition and web tracks that the page hands over, the command slot's hand-over and the
// engine at closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "main_form_fixture.h"
#include "main_messages.h"
#include "player_forms_util.h"
#include "rest_request.h"
#include "standin_client.h"
#include "test_files.h"
#include "track_info.h"
#include "vela_dialog.h"
#include "web_browser.h"
#include "web_test_support.h"

using namespace mainform;
using namespace VelaUI;

namespace {

TrackFields Track(const std::string& id, const std::string& name, const std::string& artist) {
    TrackFields t;
    t.texts[0] = id;
    t.texts[1] = name;
    t.texts[3] = artist;
    return t;
}

class PlaybackFormTest : public MainFormTest {
protected:
    std::wstring Title() { return Control(L"TextArtist_Sing")->GetText().GetData(); }

    // Pumps until the title shows text, keeping every text it showed meanwhile.
    bool WaitForTitle(const std::wstring& text, std::vector<std::wstring>& seen, DWORD timeoutMs = 15000) {
        return PumpUntil(
            [&] {
                const std::wstring now = Title();
                if (seen.empty() || seen.back() != now) seen.push_back(now);
                return now == text;
            },
            timeoutMs);
    }

    void PlayRow(int list, int row) {
        PlayerCommand command;
        command.code = kCommandPlayRow;
        command.clickedList = list;
        command.clickedRow = row;
        form->QueueCommand(command);
    }

    // The page's "TrackSelect" for an audition of the track.
    void Audition(const wchar_t* id, const wchar_t* name, const wchar_t* artist) {
        CWebBrowserBase* browser = form->GetWebBrowser();
        ASSERT_NE(browser, nullptr);
        webtest::AnnounceDocument(*browser, ClientPageUrl());
        webtest::Args args;
        args.Int(2).Text(id).Text(name).Text(artist).Text(L"").Int(0).Int(0).Int(1);
        ASSERT_EQ(webtest::CallExternal(browser, L"TrackSelect", args), S_OK);
    }

    std::vector<std::wstring> DefaultListIds() {
        VelaMainForm::SharedGuard guard(form->SharedLock());
        std::vector<std::wstring> ids;
        for (const TrackInfo& track : form->GetPlayList(0)->tracks) ids.push_back(track.TrackID);
        return ids;
    }
};

TEST_F(PlaybackFormTest, AnUnplayableTrackSaysSoAndTheNextOnePlays) {
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({Track("1099", "坏歌", "青岚乐队"), Track("1001", "晴天", "周杰伦")}));
    Open();
    PlayRow(0, 0);
    std::vector<std::wstring> seen;
    ASSERT_TRUE(WaitForTitle(L"周杰伦---晴天", seen)) << testfiles::Narrow(Title());
    EXPECT_NE(std::find(seen.begin(), seen.end(), L"打开坏歌失败,尝试下一首"), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), L"加载中,请稍候..."), seen.end());
    EXPECT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }));
    EXPECT_EQ(form->GetCurrentPlayList()->currentIndex, 1);
    EXPECT_TRUE(Control(L"BtnILike")->IsEnabled());
    // The stop button: the stopped state, index 0, the idle title.
    Click(L"BtnPlayStop");
    seen.clear();
    EXPECT_TRUE(WaitForTitle(L"青岚音乐，精彩生活", seen));
    EXPECT_TRUE(PumpUntil([&] { return form->GetPlayState() == 1; }));
    EXPECT_EQ(form->GetCurrentPlayList()->currentIndex, 0);
}

TEST_F(PlaybackFormTest, TheFirstPlayTakesTheFirstTrackAndPauseResumeKeepTheTitle) {
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({Track("1003", "So What", "Miles Davis"), Track("1001", "晴天", "周杰伦")}));
    Open();
    EXPECT_EQ(form->GetCurrentPlayList()->currentIndex, -1);  // nothing played yet
    EXPECT_EQ(form->GetPlayState(), 8);
    Click(L"BtnPlay");
    std::vector<std::wstring> seen;
    ASSERT_TRUE(WaitForTitle(L"Miles Davis---So What", seen));
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }));
    Click(L"BtnPlay");
    EXPECT_TRUE(PumpUntil([&] { return form->GetPlayState() == 2; }));
    Click(L"BtnPlay");
    EXPECT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }));
    seen.clear();
    EXPECT_TRUE(WaitForTitle(L"Miles Davis---So What", seen));
    // The position slider follows the item: its maximum is the duration in milliseconds.
    auto* slider = dynamic_cast<UIToolkit::CSliderUI*>(Control(L"SliderPlayProgress"));
    ASSERT_NE(slider, nullptr);
    EXPECT_NEAR(slider->GetMaxValue(), 8000, 200);
    EXPECT_TRUE(PumpUntil([&] { return slider->GetValue() > 0; }));
}

TEST_F(PlaybackFormTest, ALocalTrackPlaysFromItsFolderAndFileName) {
    // The stand-in's own file of 1004 (240 s), kept on this computer: no play URL is asked for.
    TrackFields local = Track("1004", "长夜", "青岚乐队");
    local.texts[11] = testfiles::Narrow(testfiles::FromUnixPath(VELA_BIN_DIR "/../standin/files"));
    local.texts[12] = "1004.mp3";
    local.local = true;
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({local}));
    Open();
    PlayRow(0, 0);
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }, 15000));
    auto* slider = dynamic_cast<UIToolkit::CSliderUI*>(Control(L"SliderPlayProgress"));
    ASSERT_NE(slider, nullptr);
    EXPECT_NEAR(slider->GetMaxValue(), 240000, 500);  // past what 16 bits of a slider could say
    EXPECT_EQ(Title(), L"青岚乐队---长夜");
}

TEST_F(PlaybackFormTest, MuteAndUnmuteGiveTheSliderItsValueBack) {
    Open();
    auto* volume = dynamic_cast<UIToolkit::CSliderUI*>(Control(L"SliderVol"));
    ASSERT_NE(volume, nullptr);
    volume->SetValue(37);
    Click(L"BtnSound");
    EXPECT_EQ(volume->GetValue(), 0);
    Click(L"BtnSound");
    EXPECT_EQ(volume->GetValue(), 37);
}

TEST_F(PlaybackFormTest, TracksAddedByThePageGetTheirRowsInTheShownList) {
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({Track("1001", "晴天", "周杰伦")}));
    Open();
    Click(L"BtnTabMyMusic");
    ASSERT_EQ(List(L"ListPlayList")->GetCount(), 1);
    TrackInfo added;
    added.TrackID = L"1002";
    added.TrackName = L"Blue in Green";
    added.IsDownloading = true;
    WebTrackList.assign(1, added);
    ::PostMessageW(hWnd, WM_WEB_ADD_TRACKS, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return List(L"ListPlayList")->GetCount() == 2; }));
    EXPECT_EQ(Cell(1, 0), L"2.Blue in Green");
    EXPECT_FALSE(form->GetPlayList(0)->tracks[1].IsDownloading);
    EXPECT_FALSE(WebTrackList[0].IsDownloading);
    WebTrackList.clear();
}

// Play with nothing to play leaves the title alone; an audition opens the URL that was asked for
// its own track; a failed audition says so; a web list of no known kind changes nothing.
TEST_F(PlaybackFormTest, TitlesSayWhatHappenedAndAnAuditionOpensItsOwnTrack) {
    standin::Reset();
    Open();
    const std::wstring idle = Title();
    Click(L"BtnPlay");
    Pump(500);
    EXPECT_EQ(Title(), idle);
    EXPECT_EQ(form->GetPlayState(), 8);

    Audition(L"1002", L"Blue in Green", L"Miles Davis");
    {
        // A play request of the command thread replaces the reply before the window reads the
        // page's message.
        RestReplyLock hold(RestReply::PlayUrl);
        RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, L"1003");
    }
    std::vector<std::wstring> seen;
    ASSERT_TRUE(WaitForTitle(L"Miles Davis---Blue in Green", seen)) << testfiles::Narrow(Title());
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }));
    EXPECT_FALSE(standin::RequestsMatching("GET /files/1002.mp3").empty());
    EXPECT_TRUE(standin::RequestsMatching("GET /files/1003.mp3").empty());

    {
        formtest::DialogScript answer;
        answer.ThenDialog(formtest::DialogScript::Click(L"BtnOK"));
        answer.Start();
        ::PostMessageW(hWnd, WM_WEB_ADD_ALL_2, 0, 9);
        Pump(1000);
        EXPECT_TRUE(answer.Seen().empty());
    }
    EXPECT_EQ(Title(), L"Miles Davis---Blue in Green");
    EXPECT_EQ(form->GetPlayState(), 3);

    standin::Request("POST", "/_ctl/behave?prefix=/api/rest/&b=status%3D500&count=1");
    Audition(L"1001", L"晴天", L"周杰伦");
    seen.clear();
    EXPECT_TRUE(WaitForTitle(L"打开晴天失败", seen)) << testfiles::Narrow(Title());
    EXPECT_TRUE(PumpUntil([&] { return form->GetPlayState() == 8; }));
}

// "Add all" whose request brings no tracks keeps the default list and what plays, and says so.
TEST_F(PlaybackFormTest, AddAllWithoutTracksFromTheServiceKeepsTheDefaultList) {
    standin::Reset();
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({Track("1001", "晴天", "周杰伦")}));
    Open();
    PlayRow(0, 0);
    std::vector<std::wstring> seen;
    ASSERT_TRUE(WaitForTitle(L"周杰伦---晴天", seen));
    standin::Request("POST", "/_ctl/behave?prefix=/api/rest/&b=status%3D500&count=1");
    formtest::DialogScript ok;
    ok.ThenDialog(formtest::DialogScript::Click(L"BtnOK"));
    ok.Start();
    ::PostMessageW(hWnd, WM_WEB_ADD_ALL_2, 0, 2);
    seen.clear();
    EXPECT_TRUE(WaitForTitle(L"未能获取歌曲列表,默认列表未改变", seen)) << testfiles::Narrow(Title());
    EXPECT_TRUE(ok.Finished());
    EXPECT_EQ(standin::RequestsMatching("method=Sylk42.Track.GetByArtistID&").size(), 1u);
    EXPECT_EQ(DefaultListIds(), std::vector<std::wstring>{L"1001"});
    EXPECT_EQ(form->GetPlayState(), 3);
}

// A command queued while the command thread wakes for the one before runs once: the thread
// reads the newest and the slot is empty for the second wake-up.
TEST_F(PlaybackFormTest, ACommandQueuedAsTheThreadWakesRunsOnce) {
    standin::Reset();
    testfiles::WriteAll(DataFile(L"PLDefault"),
                        PlayListFile({Track("1001", "One", "A"), Track("1002", "Two", "B"), Track("1003", "Three", "C")}));
    Open();
    PlayerCommand next;
    next.code = kCommandNext;
    {
        VelaMainForm::SharedGuard hold(form->SharedLock());
        form->QueueCommand(next);  // the thread wakes and waits for the lock to read it
        ::Sleep(300);
        form->QueueCommand(next);
    }
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }, 15000));
    Pump(1500);
    EXPECT_EQ(standin::RequestsMatching("Sylk42.Track.GetTrackPlayUrl").size(), 1u);
    EXPECT_EQ(form->GetCurrentPlayList()->currentIndex, 0);
}

// The close waits for the command thread for a while only. When the thread is still inside a
// slow play request then, the engine stays as it is: the thread comes back to it later and must
// find it, and, the window being gone, leaves it alone.
TEST_F(PlaybackFormTest, ClosingWhileAPlayRequestHangsLeavesTheEngineToTheCommandThread) {
    standin::Reset();
    testfiles::WriteAll(DataFile(L"PLDefault"), PlayListFile({Track("1001", "晴天", "周杰伦")}));
    Open();
    // A reply that keeps coming for about 15.6 s: 4 s before its header, then its body (some 160
    // bytes) at 14 bytes a second. The close hides the window first (Wine waits some 4 s for a
    // window manager there), then waits 10 s for each worker.
    standin::Request("POST", "/_ctl/behave?prefix=/api/rest/&b=delay%3D4000%3Bslow%3D14&count=1");
    PlayRow(0, 0);
    ASSERT_TRUE(PumpUntil([] { return !standin::RequestsMatching("Sylk42.Track.GetTrackPlayUrl").empty(); }));
    const DWORD start = ::GetTickCount();
    CloseWith(WM_CLOSE);
    EXPECT_GE(::GetTickCount() - start, 9500u);  // the thread was still waiting for the reply
    Pump(3000);  // the reply has ended meanwhile
    EXPECT_TRUE(standin::RequestsMatching("GET /files/1001.mp3").empty());
}

// Messages that any program on the desktop can post carry no pointer the window follows: the
// time text is the window's own, from the position and the engine's duration, and "add all"
// takes its list from what the page asked for.
TEST_F(PlaybackFormTest, PlayerMessagesFromOutsideCarryNoPointerItFollows) {
    Open();
    const std::wstring forgedText = L"forged";
    ::SendMessageW(hWnd, WM_PLAYER_PROGRESS, 0, 65000);
    ::SendMessageW(hWnd, WM_PLAYER_PROGRESS, 1, reinterpret_cast<LPARAM>(forgedText.c_str()));
    EXPECT_STREQ(Control(L"LablePlayTime")->GetText().GetData(), L"01:05 / 00:00");

    // Every question is answered yes.
    int asked = 0;
    HWND answered = nullptr;
    Script answer({[&] {
        HWND tip = FindThreadWindow(L"VelaUI::VelaCloseSetForm");
        if (tip != nullptr && tip != answered) {
            answered = tip;
            ++asked;
            ClickControl(tip, FormOf<VelaDialogForm>(tip)->GetManager(), L"BtnOK");
        }
        return false;
    }});
    ASSERT_NE(form->GetWebBrowser(), nullptr);
    std::unique_ptr<std::wstring> forgedId(new std::wstring(L"66"));
    ::PostMessageW(hWnd, WM_WEB_ADD_ALL, reinterpret_cast<WPARAM>(forgedId.get()), 2);
    form->GetWebBrowser()->OnClientCall(2, 2, L"12");  // the page asks for artist 12's tracks
    EXPECT_TRUE(PumpUntil([] { return !standin::RequestsMatching("artistID=12").empty(); }, 15000));
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(hWnd) != FALSE; }));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(standin::RequestsMatching("artistID=66").empty());
}

}  // namespace
