// Playback inside the main window in-process: the texts and states that the command thread's
// work shows, the current index of a playlist that never played, mute and the volume slider,
// and the audition and web tracks that the page hands over.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "main_form_fixture.h"
#include "main_messages.h"
#include "standin_client.h"
#include "vela_dialog.h"
#include "web_browser.h"
#include "test_files.h"
#include "track_info.h"

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
