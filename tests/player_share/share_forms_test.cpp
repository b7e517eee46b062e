// The music share dialog: when it refuses, the reports it sends when it opens, and the share
// pages it opens in the browser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msg_share_form.h"
#include "music_share_form.h"
#include "share_subject.h"
#include "share_test_support.h"
#include "standin_client.h"
#include "test_files.h"
#include "vela_deployment.h"

using namespace VelaUI;
using formtest::DialogScript;
using sharetest::RequestLines;

namespace {

const char kMac[] = "00-1A-2B-3C-4D-5E";
const wchar_t kAccount[] = L"\x5F20\x4E09";  // 张三

// The title both share pages carry for sharetest::AwkwardTrack, percent-encoded UTF-8.
const char kEncodedTitle[] =
    "%E6%88%91%E6%AD%A3%E5%9C%A8%E6%94%B6%E5%90%AC%E9%9D%92%E5%B2%9A%E9%9F%B3%E4%B9%90%E7%9B%92%E6%8F%90%E4%BE"
    "%9B%E7%9A%84%22A%26B%20%22C%22%22%E7%9A%84%22%E6%99%B4%E5%A4%A9%20%231%22%EF%BC%8C%E4%B8%80%E8%B5%B7%E5%8E"
    "%BB%E5%90%AC%E5%90%AC%E5%90%A7%EF%BC%81%20";

// A host[:port] as the value of a query.
std::string EncodedHost(const char* host) {
    std::string out;
    for (const char* p = host; *p; ++p) out += *p == ':' ? std::string("%3A") : std::string(1, *p);
    return out;
}

// The track page of AwkwardTrack (id "9&1") as a query value: its own query value is encoded
// once, and the whole address once more.
std::string EncodedTrackPage() {
    return "http%3A%2F%2F" + EncodedHost(VELA_WEB_HOST) + "%2Faudition%2Fflplayer.html%3Fsong%3D9%25261";
}

TEST(ShareSubject, OnlyAPlayingOrPausedTrackAtAValidIndexIsShared) {
    const std::vector<TrackInfo> tracks(2);
    const std::vector<TrackInfo> none;
    struct Case {
        const char* what;
        const std::vector<TrackInfo>* tracks;
        int index;
        int state;
        const TrackInfo* expected;
    };
    const Case cases[] = {
        {"playing the first", &tracks, 0, kPlayStatePlaying, &tracks[0]},
        {"paused on the last", &tracks, 1, kPlayStatePaused, &tracks[1]},
        {"after an audition the index is -1", &tracks, -1, kPlayStatePlaying, nullptr},
        {"index past the end", &tracks, 2, kPlayStatePlaying, nullptr},
        {"stopped", &tracks, 0, 1, nullptr},
        {"idle", &tracks, 0, 8, nullptr},
        {"buffering", &tracks, 0, 9, nullptr},
        {"empty playlist", &none, 0, kPlayStatePlaying, nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(CurrentTrackToShare(*c.tracks, c.index, c.state), c.expected) << c.what;
}

TEST(SharePages, EveryQueryValueIsEncodedAndTheAddressIsOneArgument) {
    const TrackInfo track = sharetest::AwkwardTrack();
    EXPECT_EQ(MicroblogShareAddress(track.ArtistNameList, track.TrackName, track.TrackID),
              testfiles::Widen(std::string("http://") + VELA_MICROBLOG_HOST + "/share/share.php?appkey=" +
                               VELA_MICROBLOG_APPKEY + "&title=" + kEncodedTitle + "&url=" + EncodedTrackPage()));
    EXPECT_EQ(SocialShareAddress(track.ArtistNameList, track.TrackName, track.TrackID),
              testfiles::Widen(std::string("http://") + VELA_SOCIAL_HOST + "/share/buttonshare.do?link=" +
                               EncodedTrackPage() + "&title=" + kEncodedTitle));
    EXPECT_EQ(BrowserCommandLine(L"\"C:\\Program Files\\b.exe\"", L"http://h/p?a=1"),
              L"\"C:\\Program Files\\b.exe\" \"http://h/p?a=1\"");
}

class MusicShareTest : public sharetest::ShareFormTest {};

TEST_F(MusicShareTest, RefusesWithoutSignInOrTrack) {
    const TrackInfo track = sharetest::AwkwardTrack();
    struct Case {
        const char* what;
        bool signedIn;
        const TrackInfo* track;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"signed out", false, &track, L"您还没有登录,请登录后再操作"},
        {"signed out, nothing plays", false, nullptr, L"您还没有登录,请登录后再操作"},
        {"nothing to share", true, nullptr, L"您现在没有可共享的信息"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogScript script;
        script.ThenDialog(DialogScript::PressEscape());
        script.Start();
        EXPECT_EQ(RunMusicShare(owner, c.signedIn, c.track, kMac, kAccount), -1);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].firstLine, c.text);
        EXPECT_EQ(script.Seen()[0].picture, L"res='331' restype='png'");
        EXPECT_EQ(script.Seen()[0].owner, owner);
    }
    EXPECT_TRUE(standin::Requests().empty()) << "no report for a share that did not happen";
}

TEST_F(MusicShareTest, OpeningReportsTheShareEvenWhenClosedAtOnce) {
    const TrackInfo track = sharetest::AwkwardTrack();
    std::wstring label;
    DialogScript script;
    script.ThenDialog([&label](VelaDialogForm& form, HWND hWnd) {
        label = form.GetManager().FindControlByName(L"LableSinger_Song")->GetText().GetData();
        formtest::PostKey(hWnd, VK_ESCAPE);
    });
    script.Start();
    EXPECT_EQ(RunMusicShare(owner, true, &track, kMac, kAccount), 0);
    ASSERT_TRUE(script.Finished());
    EXPECT_EQ(script.Seen()[0].owner, owner);
    EXPECT_EQ(label, L"A&B \"C\"---\x6674\x5929 #1");

    // The user name as UTF-8, the track id encoded, the name in the ANSI code page (GBK) in quotes.
    EXPECT_EQ(RequestLines("/share/"),
              std::vector<std::string>{"GET /share/?method=add&MacAddress=00-1A-2B-3C-4D-5E&UserName=%E5%BC%A0%E4%B8%89"
                                       "&TrackID=9%261&TrackName=\"%C7%E7%CC%EC%20%231\" HTTP/1.1"});
    EXPECT_EQ(RequestLines("/datasta/"),
              std::vector<std::string>{"GET /datasta/?TypeID=02&ModId=09&OperationID=001&MacAddress=00-1A-2B-3C-4D-5E"
                                       "&UserName=&ChannelNo=000&VersionNo=v0.9.0.9 HTTP/1.1"});
    EXPECT_TRUE(testfiles::ReadAll(browserProgram + L".log").empty());
}

TEST_F(MusicShareTest, ShareButtonsStartTheBrowserWithThePageAndClose) {
    const TrackInfo track = sharetest::AwkwardTrack();
    const std::wstring quotedBrowser = L"\"" + browserProgram + L"\" \"";
    struct Case {
        const wchar_t* button;
        std::wstring address;
    };
    const Case cases[] = {
        {L"BtnShareSina", MicroblogShareAddress(track.ArtistNameList, track.TrackName, track.TrackID)},
        {L"BtnShareRenren", SocialShareAddress(track.ArtistNameList, track.TrackName, track.TrackID)},
    };
    size_t starts = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testfiles::Narrow(c.button));
        DialogScript script;
        script.ThenDialog(DialogScript::Click(c.button));
        script.Start();
        EXPECT_EQ(RunMusicShare(owner, true, &track, kMac, kAccount), 0);
        EXPECT_TRUE(script.Finished());
        const std::vector<std::wstring> lines = BrowserStarts(++starts);
        ASSERT_EQ(lines.size(), starts);
        // The browser saw its own path and exactly one more argument: the whole page address.
        EXPECT_EQ(lines.back(), quotedBrowser + c.address + L"\"");
    }
    EXPECT_EQ(RequestLines("/share/").size(), 2u);
}

TEST_F(MusicShareTest, SmsDialogOpensOverTheShareDialogWhichStaysOpen) {
    const TrackInfo track = sharetest::AwkwardTrack();
    HWND shareDialog = nullptr;
    DialogScript script;
    script
        .ThenDialog([&shareDialog](VelaDialogForm& form, HWND hWnd) {
            shareDialog = hWnd;
            DialogScript::Click(L"BtnShareMsg")(form, hWnd);
        })
        .ThenDialog(DialogScript::Click(L"BtnCancel"))  // the SMS dialog
        .ThenDialogAgain(DialogScript::PressEscape());   // the share dialog again
    script.Start();
    EXPECT_EQ(RunMusicShare(owner, true, &track, kMac, kAccount), 0);
    ASSERT_TRUE(script.Finished());
    ASSERT_EQ(script.Seen().size(), 3u);
    EXPECT_EQ(script.Seen()[1].owner, shareDialog);
    EXPECT_FALSE(::IsWindow(shareDialog));
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST_F(MusicShareTest, CloseButtonsAndEscEndEitherDialogWithOne) {
    struct Case {
        const char* what;
        bool sms;
        DialogScript::Action ending;
    };
    const Case cases[] = {
        {"share: close button", false, DialogScript::Click(L"BtnClose")},
        {"share: Esc", false, DialogScript::PressEscape()},
        {"SMS: close button", true, DialogScript::Click(L"BtnClose")},
        {"SMS: cancel", true, DialogScript::Click(L"BtnCancel")},
        {"SMS: Esc", true, DialogScript::PressEscape()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VelaDialogForm* form = nullptr;
        if (c.sms) {
            form = new VelaMsgShareForm(L"MsgShare.xml");
        } else {
            auto* share = new VelaMusicShareForm(L"MusicShare.xml");
            share->SetData(L"S", L"T", L"1", kMac);
            form = share;
        }
        DialogScript script;
        script.ThenDialog(c.ending);
        script.Start();
        EXPECT_EQ(VelaDialogForm::ShowDialog(form, owner), 1);
        EXPECT_TRUE(script.Finished());
    }
    EXPECT_TRUE(RequestLines("/SendLenSms.aspx").empty());
}

}  // namespace
