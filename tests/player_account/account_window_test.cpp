// The account in the main window: signing in (the login dialog, the automatic login at start)
// shows the user and the online playlists after the local ones; signing out takes them away;
// what a refused logout, a failed automatic login and the share and push buttons tell the user.
#include <gtest/gtest.h>

#include "account.h"
#include "browser_key.h"
#include "login_credentials.h"
#include "main_form_fixture.h"
#include "main_messages.h"
#include "player_forms_util.h"
#include "share_subject.h"
#include "standin_catalogue.h"
#include "standin_client.h"
#include "stat_report.h"
#include "test_files.h"
#include "vela_deployment.h"

using namespace mainform;
using namespace VelaUI;
using UIToolkit::CControlUI;

namespace {

const wchar_t kLoginClass[] = L"VelaUI::VelaLoginForm";

TrackFields LocalTrack(const std::string& id, const std::string& name) {
    TrackFields t;
    t.texts[0] = id;
    t.texts[1] = name;
    return t;
}

std::vector<std::wstring> TreeRows(UIToolkit::CListUI* tree) {
    std::vector<std::wstring> rows;
    for (int i = 0; tree != nullptr && i < tree->GetCount(); ++i) {
        auto* node = reinterpret_cast<UIToolkit::PlayListNode*>(tree->GetItemAt(i)->GetTag());
        rows.push_back(node != nullptr ? node->GetData().text.GetData() : L"?");
    }
    return rows;
}

// The request lines of the REST calls of a method, and whether the stand-in found every one
// of them signed right.
std::vector<std::string> RestCalls(const std::string& method, bool* allSigned = nullptr) {
    std::vector<std::string> lines;
    if (allSigned != nullptr) *allSigned = true;
    for (const std::string& entry : standin::RequestsMatching("method=" + method + "&")) {
        lines.push_back(entry.substr(0, entry.find("\r\n")));
        if (allSigned != nullptr && entry.find("signature=ok") == std::string::npos) *allSigned = false;
    }
    return lines;
}

class AccountWindowTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        standin::Reset();
        ClearAccount();
        for (const wchar_t* name : {L"data", L"login", L"logout"}) ::DeleteFileW(DataFile(name).c_str());
        // The demo user's playlists: "Jazz" of two tracks of our own and an empty one.
        standin::SetTrack({"7001", "Seven", "Artist", "", "Album", "", "03:21", "", ""});
        standin::SetTrack({"7002", "Eight", "Artist", "", "Album", "", "01:05", "", ""});
        standin::SetPlayList("90001", {"301", "Jazz", "Cool jazz", "2010-05-01", "2", "", {"7001", "7002"}});
        standin::SetPlayList("90001", {"302", "Empty", "", "", "0", "", {}});
    }
    void TearDown() override {
        MainFormTest::TearDown();
        formtest::DestroyDialogWindows();
        ClearAccount();
    }

    // Signs the demo user in as the login dialog does, then tells the window.
    void SignIn() {
        Account.AccountName = L"demo";
        Account.Password = L"demo123";
        ASSERT_TRUE(SendLoginRequest());
        ::PostMessageW(hWnd, WM_LOGIN_OK, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return form->GetPlayListCount() == 4; }, 15000));
    }
    std::wstring Text(const wchar_t* name) { return Control(name)->GetText().GetData(); }
    bool Visible(const wchar_t* name) { return Control(name) != nullptr && Control(name)->IsVisible(); }
    // Runs an action that shows one tip and answers it with Esc; the tip's first line.
    std::wstring TipOf(const std::function<void()>& action) {
        formtest::DialogScript script;
        script.ThenDialog(formtest::DialogScript::PressEscape());
        script.Start();
        action();
        EXPECT_TRUE(PumpUntil([&] { return script.Finished() && ::IsWindowEnabled(hWnd); }, 15000));
        Pump(50);
        return script.Seen().empty() ? L"<no tip>" : script.Seen()[0].firstLine;
    }
    // Creates the window as the player does, without waiting for a number of playlists.
    void Create() {
        form = new VelaMainForm(L"MainForm.xml");
        hWnd = form->Create(nullptr, L"VelaMusic", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 900, 600);
        ASSERT_NE(hWnd, nullptr);
        ::ShowWindow(hWnd, SW_SHOW);
        ::UpdateWindow(hWnd);
    }
};

TEST_F(AccountWindowTest, SigningInShowsTheUserAndTheOnlinePlayListsAfterTheLocalOnesAndSigningOutRemovesThem) {
    Open();
    EXPECT_TRUE(Visible(L"BtnLogin"));
    EXPECT_FALSE(Visible(L"BtnLogout"));
    SignIn();

    EXPECT_EQ(Text(L"TextUserName"), L"Demo");
    EXPECT_TRUE(Visible(L"TextUserName"));
    EXPECT_TRUE(Visible(L"BtnLogout"));
    EXPECT_FALSE(Visible(L"BtnLogin"));
    EXPECT_FALSE(Visible(L"BtnRegAccount"));
    EXPECT_EQ(TreeRows(List(L"ListPlayListManage")),
              (std::vector<std::wstring>{L"默认列表", L"我喜欢的", L"我的播放列表", L"Jazz", L"Empty"}));
    for (int i : {2, 3}) {
        PlayListInfo* online = form->GetPlayList(i);
        ASSERT_NE(online, nullptr);
        EXPECT_EQ(online->index, i);
        EXPECT_EQ(online->id, L"");  // never saved
        EXPECT_EQ(online->currentIndex, -1);
    }
    EXPECT_EQ(form->GetPlayList(2)->meta.PlayListTitle, L"Jazz");
    EXPECT_EQ(form->GetPlayList(2)->meta.PlayListDesc, L"Cool jazz");
    EXPECT_EQ(form->GetPlayList(2)->meta.PlayListCreateDate, L"2010-05-01");
    ASSERT_EQ(form->GetPlayList(2)->tracks.size(), 2u);
    EXPECT_EQ(form->GetPlayList(2)->tracks[1].TrackName, L"Eight");
    EXPECT_TRUE(form->GetPlayList(3)->tracks.empty());
    bool signedRight = false;
    EXPECT_EQ(RestCalls("Sylk42.User.GetPalyList", &signedRight).size(), 1u);
    EXPECT_NE(RestCalls("Sylk42.User.GetPalyList")[0].find("&u_uid=90001&"), std::string::npos);
    EXPECT_TRUE(signedRight);
    const std::vector<std::string> trackCalls = RestCalls("Sylk42.User.GetPlayListTracks", &signedRight);
    ASSERT_EQ(trackCalls.size(), 2u);
    EXPECT_NE(trackCalls[0].find("&pl_id=301&"), std::string::npos);
    EXPECT_NE(trackCalls[1].find("&pl_id=302&"), std::string::npos);
    EXPECT_TRUE(signedRight);

    // The group opens on a click; "Jazz" shows its tracks with their durations.
    Click(L"BtnTabMyMusic");
    UIToolkit::CListUI* tree = List(L"ListPlayListManage");
    formtest::PostClick(hWnd, tree->GetItemAt(2));
    ASSERT_TRUE(PumpUntil([&] { return tree->GetItemAt(3)->IsVisible(); }));
    Pump(50);
    formtest::PostClick(hWnd, tree->GetItemAt(3));
    ASSERT_TRUE(PumpUntil([&] { return form->GetShownPlayListIndex() == 2; }));
    EXPECT_EQ(List(L"ListPlayList")->GetCount(), 2);
    EXPECT_EQ(Cell(0, 0), L"1.Seven");
    EXPECT_EQ(Cell(0, 3), L"03:21");
    EXPECT_EQ(Cell(1, 3), L"01:05");

    // Signing out: the user's buttons go back, the online playlists go, playlist 0 shows.
    Click(L"BtnLogout");
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayListCount() == 2; }));
    ASSERT_EQ(RestCalls("Sylk42.User.Logout").size(), 1u);
    EXPECT_NE(RestCalls("Sylk42.User.Logout")[0].find("&tk=tok90001&"), std::string::npos);
    EXPECT_TRUE(Visible(L"BtnLogin"));
    EXPECT_TRUE(Visible(L"BtnRegAccount"));
    EXPECT_FALSE(Visible(L"BtnLogout"));
    EXPECT_FALSE(Visible(L"TextUserName"));
    EXPECT_EQ(Text(L"TextUserName"), L"");
    EXPECT_EQ(Account.UserID, L"");
    EXPECT_EQ(Account.Token, L"");
    EXPECT_EQ(TreeRows(tree), (std::vector<std::wstring>{L"默认列表", L"我喜欢的"}));
    EXPECT_EQ(form->GetShownPlayListIndex(), 0);
    EXPECT_EQ(List(L"ListPlayList")->GetCount(), 0);
    EXPECT_EQ(form->GetCurrentPlayList(), form->GetPlayList(0));

    // Signed in again: built anew, after the local playlists again.
    SignIn();
    EXPECT_EQ(form->GetPlayList(2)->index, 2);
    EXPECT_EQ(form->GetPlayList(3)->index, 3);
    EXPECT_EQ(TreeRows(tree).size(), 5u);
    CloseWith(WM_CLOSE);
    EXPECT_FALSE(testfiles::Exists(DataFile(L"PLDefault")));
}

TEST_F(AccountWindowTest, SigningOutWhileAnOnlinePlayListPlaysStopsItAndPlayListZeroIsCurrent) {
    // "Jazz" holds two of the stand-in's audio tracks, so that it really plays.
    standin::SetPlayList("90001", {"301", "Jazz", "", "", "2", "", {"1001", "1002"}});
    Open();
    SignIn();
    PlayerCommand play;
    play.code = kCommandPlayRow;
    play.clickedList = 2;
    play.clickedRow = 1;
    form->QueueCommand(play);
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayState() == 3; }, 15000));
    ASSERT_EQ(form->GetCurrentPlayList(), form->GetPlayList(2));

    Click(L"BtnLogout");
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayListCount() == 2; }));
    EXPECT_EQ(form->GetCurrentPlayList(), form->GetPlayList(0));
    EXPECT_TRUE(PumpUntil([&] { return form->GetPlayState() == 1; }, 10000));
    // Nothing of the deleted playlist starts again afterwards.
    Pump(1500);
    EXPECT_EQ(form->GetPlayState(), 1);
    EXPECT_EQ(form->GetCurrentPlayList(), form->GetPlayList(0));
    CloseWith(WM_CLOSE);
}

TEST_F(AccountWindowTest, UserAndPlayListIdsArePercentEncodedAndSignedAsTheyAre) {
    standin::SetAccount({"odd", "pw", "9&u_uid=1 #", "Odd", "tk odd", "", "", "", ""});
    standin::SetPlayList("9&u_uid=1 #", {"a&b c", "Odd list", "", "", "", "", {"7001"}});
    Open();
    Account.AccountName = L"odd";
    Account.Password = L"pw";
    ASSERT_TRUE(SendLoginRequest());
    ::PostMessageW(hWnd, WM_LOGIN_OK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayListCount() == 3; }, 15000));
    bool signedRight = false;
    const std::vector<std::string> lists = RestCalls("Sylk42.User.GetPalyList", &signedRight);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_NE(lists[0].find("&u_uid=9%26u_uid%3D1%20%23&"), std::string::npos) << lists[0];
    const std::vector<std::string> tracks = RestCalls("Sylk42.User.GetPlayListTracks", &signedRight);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_NE(tracks[0].find("&pl_id=a%26b%20c&"), std::string::npos) << tracks[0];
    EXPECT_TRUE(signedRight);
    EXPECT_EQ(form->GetPlayList(2)->meta.PlayListTitle, L"Odd list");
    EXPECT_EQ(form->GetPlayList(2)->tracks.size(), 1u);
}

TEST_F(AccountWindowTest, AutomaticLoginBuildsTheLocalPlayListsFirstAndTheyAreSavedAsTheyWere) {
    const std::string defaults = PlayListFile({LocalTrack("1", "一")});
    const std::string favourites = PlayListFile({LocalTrack("2", "二"), LocalTrack("3", "三")});
    testfiles::WriteAll(DataFile(L"PLDefault"), defaults);
    testfiles::WriteAll(DataFile(L"PLILike"), favourites);
    WriteSettings("[Login]\r\na=1\r\nb=1\r\nc=demo\r\n");
    ASSERT_TRUE(SaveRememberedPassword(testfiles::PlayerDataFolder(), L"demo123"));
    Create();
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayListCount() == 4; }, 15000));
    Pump(300);  // the first paint's "windowinit" has come too
    ASSERT_EQ(form->GetPlayListCount(), 4);
    EXPECT_EQ(form->GetPlayList(0)->id, L"PLDefault");
    EXPECT_EQ(form->GetPlayList(0)->tracks.size(), 1u);
    EXPECT_EQ(form->GetPlayList(1)->id, L"PLILike");
    EXPECT_EQ(form->GetPlayList(1)->tracks.size(), 2u);
    EXPECT_EQ(form->GetPlayList(2)->meta.PlayListTitle, L"Jazz");
    EXPECT_EQ(form->GetCurrentPlayList(), form->GetPlayList(0));
    EXPECT_EQ(Text(L"TextUserName"), L"Demo");
    EXPECT_EQ(RestCalls("Sylk42.User.Login").size(), 1u);
    ::DeleteFileW(DataFile(L"PLDefault").c_str());
    ::DeleteFileW(DataFile(L"PLILike").c_str());
    CloseWith(WM_CLOSE);
    EXPECT_EQ(testfiles::ReadAll(DataFile(L"PLDefault")), defaults);
    EXPECT_EQ(testfiles::ReadAll(DataFile(L"PLILike")), favourites);
}

TEST_F(AccountWindowTest, AFailedAutomaticLoginSaysWhyBeforeTheWindowShows) {
    const struct {
        const char* what;
        const wchar_t* password;  // remembered; null: no "data"
        const wchar_t* firstLine;
        size_t requests;
        const char* reply = "";  // the login's whole reply, when given
    } cases[] = {
        {"wrong password", L"nope", L"自动登录失败：用户名或密码错误", 1},
        {"no remembered password", nullptr, L"自动登录失败：密码不能为空", 0},
        {"refused without a text", L"demo123", L"自动登录失败：发生未知错误,请稍后重试", 1, "<rsp stat=\"fail\"/>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        standin::Reset();
        ClearAccount();
        ::DeleteFileW(DataFile(L"data").c_str());
        WriteSettings("[Login]\r\na=1\r\nb=1\r\nc=demo\r\n");
        if (*c.reply != '\0')
            standin::Control("reply", std::string("method=Sylk42.User.Login&xml=") + standin::Escape(c.reply));
        if (c.password != nullptr) {
            ASSERT_TRUE(SaveRememberedPassword(testfiles::PlayerDataFolder(), c.password));
        }
        formtest::DialogScript script;
        script.ThenDialog(formtest::DialogScript::PressEscape());
        script.Start();
        Create();
        ASSERT_TRUE(PumpUntil([&] { return script.Finished() && form->GetPlayListCount() == 2; }, 15000));
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].firstLine, c.firstLine);
        EXPECT_EQ(script.Seen()[0].owner, hWnd);
        EXPECT_EQ(RestCalls("Sylk42.User.Login").size(), c.requests);
        Pump(200);
        EXPECT_EQ(form->GetPlayListCount(), 2);
        EXPECT_TRUE(Visible(L"BtnLogin"));
        EXPECT_TRUE(RestCalls("Sylk42.User.GetPalyList").empty());
        CloseWith(WM_CLOSE);
    }
}

TEST_F(AccountWindowTest, ALogoutThatIsNotConfirmedKeepsTheUserAndSaysWhy) {
    const struct {
        const char* what;
        const char* behaviour;  // of the stand-in's REST replies, once
        standin::Account account;
        const wchar_t* text;
        const char* reply = "";  // the logout's whole reply, when given
    } cases[] = {
        {"refused", "", {"frozen", "pw", "79", "F", "tk79", "", "", "503", "\xE6\x9C\x8D\xE5\x8A\xA1\xE5\xBF\x99"},
         L"服务忙"},
        {"no reply", "status=500", {"quiet", "pw", "80", "Q", "tk80", "", "", "", ""}, L"网络连接超时, 请重试"},
        // Without a text of the service's the tip still says that it failed.
        {"refused without a text", "", {"mute", "pw", "81", "M", "tk81", "", "", "503", ""},
         L"发生未知错误,请稍后重试"},
        {"no root element", "", {"bare", "pw", "82", "B", "tk82", "", "", "", ""}, L"发生未知错误,请稍后重试",
         "<?xml version=\"1.0\"?><!-- nothing -->"},
    };
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        standin::SetAccount(c.account);
        Account.AccountName = testfiles::Widen(c.account.name);
        Account.Password = L"pw";
        ASSERT_TRUE(SendLoginRequest());
        ::PostMessageW(hWnd, WM_LOGIN_OK, 0, 0);
        // This user has no online playlists: the group alone shows.
        ASSERT_TRUE(PumpUntil([&] { return Visible(L"BtnLogout") && TreeRows(List(L"ListPlayListManage")).size() == 3; },
                              15000));
        if (*c.behaviour != '\0') {
            standin::Control("behave", "prefix=/api/rest/&count=1&b=" + standin::Escape(c.behaviour));
        }
        if (*c.reply != '\0')
            standin::Control("reply", std::string("method=Sylk42.User.Logout&xml=") + standin::Escape(c.reply));
        EXPECT_EQ(TipOf([&] { Click(L"BtnLogout"); }), c.text);
        standin::Control("reply", "method=Sylk42.User.Logout");  // the service's own answers again
        EXPECT_TRUE(Visible(L"BtnLogout"));
        EXPECT_FALSE(Visible(L"BtnLogin"));
        EXPECT_EQ(Account.Token, testfiles::Widen(c.account.token));
        EXPECT_EQ(TreeRows(List(L"ListPlayListManage")).size(), 3u);  // the user's (empty) group stays
        // Signed out for the next case: the service agrees this time.
        standin::SetAccount({c.account.name, "pw", c.account.userId, c.account.userName, c.account.token, "", "", "", ""});
        ::PostMessageW(hWnd, WM_TRAYMENU_LOGIN, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return Visible(L"BtnLogin") && TreeRows(List(L"ListPlayListManage")).size() == 2; }));
    }
}

TEST_F(AccountWindowTest, TheTrayMessageSignsInThroughTheDialogAndOutAgain) {
    Open();
    formtest::DialogScript script;
    script.Then(kLoginClass, [](VelaDialogForm& dialog, HWND hDialog) {
        dialog.GetManager().FindControlByName(L"EditAccount")->SetText(L"demo");
        dialog.GetManager().FindControlByName(L"EditPWD")->SetText(L"demo123");
        formtest::PostClick(hDialog, dialog.GetManager().FindControlByName(L"BtnOK"));
    });
    script.Start();
    ::PostMessageW(hWnd, WM_TRAYMENU_LOGIN, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished() && form->GetPlayListCount() == 4; }, 15000));
    EXPECT_EQ(Text(L"TextUserName"), L"Demo");
    EXPECT_EQ(RestCalls("Sylk42.User.Login").size(), 1u);
    ::PostMessageW(hWnd, WM_TRAYMENU_LOGIN, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayListCount() == 2 && Visible(L"BtnLogin"); }, 15000));
    EXPECT_EQ(RestCalls("Sylk42.User.Logout").size(), 1u);
    // Message 1097 builds nothing for a user who is not signed in.
    ::PostMessageW(hWnd, WM_LOAD_ONLINE_PLAYLISTS, 0, 0);
    Pump(300);
    EXPECT_EQ(form->GetPlayListCount(), 2);
    EXPECT_TRUE(RestCalls("Sylk42.User.GetPalyList").size() == 1u);
}

TEST_F(AccountWindowTest, ShareAndPushSayWhyThereIsNothingToShare) {
    Open();
    EXPECT_EQ(TipOf([&] { Click(L"BtnWantShare"); }), L"您还没有登录,请登录后再操作");
    EXPECT_EQ(TipOf([&] { EXPECT_EQ(form->ShowPushForm(), 0); }), L"您还没有登录,请您先登录再使用");
    SignIn();
    // Signed in, but nothing plays.
    EXPECT_EQ(TipOf([&] { Click(L"BtnWantShare"); }), L"您现在没有可共享的信息");
    // The window has no push client: the service is never ready.
    EXPECT_EQ(TipOf([&] { EXPECT_EQ(form->ShowPushForm(), 0); }), L"正在启动推送服务,请您稍后重试");
    EXPECT_FALSE(Visible(L"BtnPush"));
    EXPECT_TRUE(standin::RequestsMatching("ModId=09").empty());  // no share was reported
}

// Signed in and playing, the share button opens the dialog; the share and the statistics reports
// reach the service before it shows, also when it is closed at once. Its two page buttons start
// the browser named in the registry with the share page, every value of its query encoded.
TEST_F(AccountWindowTest, ShareButtonWhilePlayingReportsAndOpensTheSharePages) {
    // The browser: a recorder that writes its command line, in a folder whose name has a blank.
    const std::wstring dir = testfiles::FreshDir(L"sharebrowser");
    const std::wstring folder = dir + L"\\Web Browser";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring browser = folder + L"\\browser.exe";
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring recorder = self;
    recorder = recorder.substr(0, recorder.rfind(L'\\')) + L"\\vela_update_recorder.exe";
    ASSERT_TRUE(::CopyFileW(recorder.c_str(), browser.c_str(), FALSE));
    testfiles::ScopedBrowserPath browserKey;
    ASSERT_TRUE(browserKey.Set(browser));
    auto browserStarts = [&](size_t count) {
        std::vector<std::wstring> lines;
        PumpUntil([&] {
            lines.clear();
            const std::string log = testfiles::ReadAll(browser + L".log");
            size_t start = 0;
            for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
                lines.push_back(testfiles::Widen(log.substr(start, end - start)));
            return lines.size() >= count;
        }, 10000);
        return lines;
    };

    standin::SetPlayList("90001", {"301", "Jazz", "", "", "2", "", {"1001", "1002"}});
    Open();
    SignIn();
    PlayerCommand play;
    play.code = kCommandPlayRow;
    play.clickedList = 2;
    play.clickedRow = 1;  // 1002 "Blue in Green" by "Miles Davis"
    form->QueueCommand(play);
    ASSERT_TRUE(PumpUntil([&] { return form->GetPlayState() == kPlayStatePlaying; }, 15000));

    std::string mac;
    GetMacAddress(mac);
    const std::vector<std::string> shareReport{
        "GET /share/?method=add&MacAddress=" + mac +
        "&UserName=demo&TrackID=1002&TrackName=\"Blue%20in%20Green\" HTTP/1.1"};
    const std::vector<std::string> statReport{"GET /datasta/?TypeID=02&ModId=09&OperationID=001&MacAddress=" + mac +
                                              "&UserName=&ChannelNo=000&VersionNo=v0.9.0.9 HTTP/1.1"};
    auto requestLines = [](const std::string& prefix) {
        std::vector<std::string> lines;
        for (const std::string& entry : standin::RequestsMatching("GET " + prefix))
            lines.push_back(entry.substr(0, entry.find("\r\n")));
        return lines;
    };

    std::wstring label;
    formtest::DialogScript script;
    script.ThenDialog([&label](VelaDialogForm& dialog, HWND hDialog) {
        label = dialog.GetManager().FindControlByName(L"LableSinger_Song")->GetText().GetData();
        formtest::PostKey(hDialog, VK_ESCAPE);
    });
    script.Start();
    Click(L"BtnWantShare");
    ASSERT_TRUE(PumpUntil([&] { return script.Finished() && ::IsWindowEnabled(hWnd); }, 15000));
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].owner, hWnd);
    EXPECT_EQ(label, L"Miles Davis---Blue in Green");
    EXPECT_EQ(requestLines("/share/"), shareReport);
    EXPECT_EQ(requestLines("/datasta/?TypeID=02&ModId=09&"), statReport);
    EXPECT_TRUE(testfiles::ReadAll(browser + L".log").empty());

    // The title as both pages carry it: 我正在收听青岚音乐盒提供的"Miles Davis"的"Blue in Green"，一起去听听吧！
    const std::string title =
        "%E6%88%91%E6%AD%A3%E5%9C%A8%E6%94%B6%E5%90%AC%E9%9D%92%E5%B2%9A%E9%9F%B3%E4%B9%90%E7%9B%92%E6%8F%90%E4%BE"
        "%9B%E7%9A%84%22Miles%20Davis%22%E7%9A%84%22Blue%20in%20Green%22%EF%BC%8C%E4%B8%80%E8%B5%B7%E5%8E"
        "%BB%E5%90%AC%E5%90%AC%E5%90%A7%EF%BC%81%20";
    std::string host = VELA_WEB_HOST;
    for (size_t colon; (colon = host.find(':')) != std::string::npos;) host.replace(colon, 1, "%3A");
    const std::string page = "http%3A%2F%2F" + host + "%2Faudition%2Fflplayer.html%3Fsong%3D1002";
    const struct {
        const wchar_t* button;
        std::string address;
    } cases[] = {
        {L"BtnShareSina", std::string("http://") + VELA_MICROBLOG_HOST + "/share/share.php?appkey=" +
                              VELA_MICROBLOG_APPKEY + "&title=" + title + "&url=" + page},
        {L"BtnShareRenren",
         std::string("http://") + VELA_SOCIAL_HOST + "/share/buttonshare.do?link=" + page + "&title=" + title},
    };
    size_t starts = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testfiles::Narrow(c.button));
        formtest::DialogScript pageScript;
        pageScript.ThenDialog(formtest::DialogScript::Click(c.button));
        pageScript.Start();
        Click(L"BtnWantShare");
        ASSERT_TRUE(PumpUntil([&] { return pageScript.Finished() && ::IsWindowEnabled(hWnd); }, 15000));
        const std::vector<std::wstring> lines = browserStarts(++starts);
        ASSERT_EQ(lines.size(), starts);
        // The browser's own path and one argument more: the whole page address.
        EXPECT_EQ(lines.back(), L"\"" + browser + L"\" \"" + testfiles::Widen(c.address) + L"\"");
        EXPECT_EQ(requestLines("/share/").size(), starts + 1);
    }
    EXPECT_EQ(form->GetPlayState(), kPlayStatePlaying);
    CloseWith(WM_CLOSE);
    testfiles::RemoveTree(dir);
}

}  // namespace
