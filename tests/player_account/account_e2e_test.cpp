// The real VelaMusic.exe against the stand-in, driven from outside: signing in through the
// login dialog (a refused password, then Return and the OK button), the remembered account and
// password, the next start signing in by itself with the user's online playlists, signing out,
// and what the share button does while nothing can be shared.
#include <gtest/gtest.h>

#include "login_credentials.h"
#include "main_messages.h"
#include "player_driver.h"
#include "standin_catalogue.h"
#include "standin_client.h"
#include "test_files.h"

using namespace e2e;

namespace {

const WORD kLoginLayout = 204;
const WORD kMainLayout = 205;
const wchar_t kLoginClass[] = L"VelaUI::VelaLoginForm";
const wchar_t kTipClass[] = L"VelaUI::VelaCloseSetForm";
const DWORD kExitMs = 30000;
const DWORD kRequestMs = 15000;

std::wstring DataFile(const wchar_t* name) { return testfiles::PlayerDataFolder() + L"\\" + name; }

std::wstring ResultFile(const wchar_t* name) { return testfiles::FromUnixPath(VELA_RESULTS_DIR) + L"\\" + name; }

std::wstring Setting(const wchar_t* key) {
    wchar_t value[300] = {};
    ::GetPrivateProfileStringW(L"Login", key, L"<missing>", value, 300, DataFile(L"Set.ini").c_str());
    return value;
}

size_t Calls(const std::string& method) { return standin::RequestsMatching("method=" + method + "&").size(); }

std::string FirstCall(const std::string& method) {
    const std::vector<std::string> calls = standin::RequestsMatching("method=" + method + "&");
    return calls.empty() ? std::string() : calls[0].substr(0, calls[0].find("\r\n"));
}

// While signed in, the window shows the user's name and the logout button in place of the
// login and register buttons.
// What the window hides when it binds its controls.
const std::vector<LayoutChange> kSignedOut = {
    {L"TextUserName", L"visible", L"false"}, {L"BtnLogout", L"visible", L"false"},
    {L"BtnPush", L"visible", L"false"},      {L"BtnPlaySerial", L"visible", L"false"},
    {L"BtnAudition", L"visible", L"false"},
};
const std::vector<LayoutChange> kSignedIn = {
    {L"BtnPush", L"visible", L"false"},
    {L"BtnPlaySerial", L"visible", L"false"},
    {L"BtnAudition", L"visible", L"false"},
    {L"BtnLogin", L"visible", L"false"},
    {L"BtnRegAccount", L"visible", L"false"},
    {L"TextUserName", L"visible", L"true"},
    {L"BtnLogout", L"visible", L"true"},
};

// Text of the play-list tree (#333333, smoothed), and the two background colours of track rows.
int TreeText(BYTE r, BYTE g, BYTE b) { return r < 0x90 && g < 0x90 && b < 0x90 ? 1 : 0; }
int TrackRow(BYTE r, BYTE g, BYTE b) {
    if (r == 0x63 && g == 0x64 && b == 0x64) return 1;  // even rows
    if (r == 0x85 && g == 0x86 && b == 0x87) return 2;  // odd rows
    return 0;
}

class AccountE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
        for (const wchar_t* name : {L"Set.ini", L"PLDefault", L"PLILike", L"data", L"login", L"logout", L"app.xml"}) {
            ::DeleteFileW(DataFile(name).c_str());
        }
        folder = PrepareProgramFolder(L"account");
        program = folder + L"VelaMusic.exe";
    }

    HWND StartPlayer(PlayerProcess& player) {
        EXPECT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
        HWND main = player.WaitForMainWindow();
        EXPECT_NE(main, nullptr);
        ::Sleep(300);
        return main;
    }

    void EndPlayer(PlayerProcess& player) {
        ::PostMessageW(player.MainWindow(), VelaUI::WM_TRAYMENU_EXIT, 0, 0);
        DWORD code = 1;
        EXPECT_TRUE(player.WaitForExit(kExitMs, &code));
        EXPECT_EQ(code, 0u);
    }

    // Clicks an edit of the login dialog and types the text into the native edit that shows over it.
    void Type(HWND dialog, const wchar_t* edit, const wchar_t* text) {
        RECT box = {};
        ASSERT_TRUE(ControlRect(program, kLoginLayout, dialog, edit, box));
        ASSERT_TRUE(ClickControl(program, kLoginLayout, dialog, edit));
        HWND field = nullptr;
        ASSERT_TRUE(WaitFor(
            [&] {
                for (HWND c = ::FindWindowExW(dialog, nullptr, L"EditWnd", nullptr); c != nullptr;
                     c = ::FindWindowExW(dialog, c, L"EditWnd", nullptr)) {
                    RECT r = {};
                    ::GetWindowRect(c, &r);
                    POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
                    ::ScreenToClient(dialog, &centre);
                    if (::IsWindowVisible(c) && ::PtInRect(&box, centre)) {
                        field = c;
                        return true;
                    }
                }
                return false;
            },
            5000));
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result);
        ::Sleep(100);
    }

    // Presses a key in the window that has the dialog's keyboard focus (its open edit, if any).
    void PressInDialog(HWND dialog, WPARAM key) {
        HWND target = dialog;
        for (HWND child = ::FindWindowExW(dialog, nullptr, L"EditWnd", nullptr); child != nullptr;
             child = ::FindWindowExW(dialog, child, L"EditWnd", nullptr)) {
            if (::IsWindowVisible(child)) target = child;
        }
        ::PostMessageW(target, WM_KEYDOWN, key, 1);
        ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    }

    HWND OpenLoginDialog(PlayerProcess& player) {
        if (!ClickControl(program, kMainLayout, player.MainWindow(), L"BtnLogin", kSignedOut)) return nullptr;
        HWND dialog = player.WaitForWindow(kLoginClass);
        ::Sleep(200);
        return dialog;
    }

    std::wstring folder;
    std::wstring program;
};

TEST_F(AccountE2ETest, SignsInThroughTheDialogRemembersAndTheNextStartSignsInByItself) {
    testfiles::WriteAll(DataFile(L"Set.ini"), "[Login]\r\na=0\r\nb=0\r\nc=\r\n");
    {
        PlayerProcess player;
        HWND main = StartPlayer(player);
        ASSERT_NE(main, nullptr);
        HWND dialog = OpenLoginDialog(player);
        ASSERT_NE(dialog, nullptr);

        // A wrong password typed, and Return in the password box: the service's reason in a tip,
        // one request.
        Type(dialog, L"EditAccount", L"demo");
        Type(dialog, L"EditPWD", L"wrong");
        PressInDialog(dialog, VK_RETURN);
        HWND tip = player.WaitForWindow(kTipClass);
        ASSERT_NE(tip, nullptr);
        ::Sleep(300);
        SaveScreenshot(ResultFile(L"account-refused.bmp"));
        EXPECT_EQ(Calls("Sylk42.User.Login"), 1u);
        EXPECT_NE(testfiles::ReadAll(DataFile(L"login")).find("\xE7\x94\xA8\xE6\x88\xB7\xE5\x90\x8D\xE6\x88\x96"),
                  std::string::npos);  // "用户名或…", the text the tip shows
        ::PostMessageW(tip, WM_KEYDOWN, VK_ESCAPE, 1);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(tip); }, 5000));
        ASSERT_TRUE(::IsWindowVisible(dialog));
        ::Sleep(300);
        EXPECT_EQ(Calls("Sylk42.User.Login"), 1u);  // Return went no further than the dialog
        ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 1);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 5000));

        // Again with the right password, the automatic box (which takes the other along) and OK.
        dialog = OpenLoginDialog(player);
        ASSERT_NE(dialog, nullptr);
        Type(dialog, L"EditAccount", L"demo");
        Type(dialog, L"EditPWD", L"demo123");
        ASSERT_TRUE(ClickControl(program, kLoginLayout, dialog, L"CheckBoxAuto"));
        ::Sleep(300);
        ASSERT_TRUE(ClickControl(program, kLoginLayout, dialog, L"BtnOK"));
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, kRequestMs));
        EXPECT_TRUE(WaitFor([] { return Calls("Sylk42.User.GetPlayListTracks") == 1; }, kRequestMs));
        EXPECT_EQ(Calls("Sylk42.User.Login"), 2u);
        EXPECT_NE(FirstCall("Sylk42.User.GetPalyList").find("&u_uid=90001&"), std::string::npos);
        EXPECT_NE(FirstCall("Sylk42.User.GetPlayListTracks").find("&pl_id=301&"), std::string::npos);
        EXPECT_EQ(Setting(L"a"), L"1");
        EXPECT_EQ(Setting(L"b"), L"1");
        EXPECT_EQ(Setting(L"c"), L"demo");
        EXPECT_EQ(Setting(L"d"), L"demo");
        EXPECT_EQ(VelaUI::DecipherPassword(testfiles::ReadAll(DataFile(L"data"))), L"demo123");
        ::Sleep(300);
        SaveScreenshot(ResultFile(L"account-signed-in.bmp"));
        EndPlayer(player);
    }
    standin::Reset();
    {
        // The next start signs in by itself and asks for the user's playlists and their tracks.
        PlayerProcess player;
        HWND main = StartPlayer(player);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitFor([] { return Calls("Sylk42.User.GetPlayListTracks") == 1; }, kRequestMs));
        EXPECT_NE(FirstCall("Sylk42.User.Login").find("&u_name=demo&u_pwd=demo123&"), std::string::npos);
        EXPECT_EQ(Calls("Sylk42.User.GetPalyList"), 1u);
        EXPECT_EQ(FindProcessWindow(player.Id(), kTipClass), nullptr);
        // The online group, opened, under the local playlists.
        ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic", kSignedIn));
        ::Sleep(300);
        std::vector<LayoutChange> shown = kSignedIn;
        shown.push_back({L"VLMyMusic", L"visible", L"true"});
        RECT tree = {}, list = {};
        ASSERT_TRUE(ControlRect(program, kMainLayout, main, L"ListPlayListManage", tree, shown));
        ASSERT_TRUE(ControlRect(program, kMainLayout, main, L"ListPlayList", list, shown));
        list.top += 24;  // below the header
        std::vector<int> rows = DrawnRows(main, tree, 8, 120, TreeText);
        ASSERT_EQ(rows.size(), 3u);  // the two local playlists and the closed group
        ClickAt(main, tree.left + 60, rows[2]);
        ::Sleep(500);
        rows = DrawnRows(main, tree, 8, 120, TreeText);
        ASSERT_EQ(rows.size(), 4u);  // "Jazz" under the group
        ClickAt(main, tree.left + 80, rows[3]);
        ::Sleep(500);
        EXPECT_EQ(DrawnRows(main, list, 0, 3, TrackRow).size(), 2u);  // its two tracks
        SaveScreenshot(ResultFile(L"account-auto-signed-in.bmp"));

        // Signing out: the logout request, and the login button is there again.
        ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnLogout", kSignedIn));
        ASSERT_TRUE(WaitFor([] { return Calls("Sylk42.User.Logout") == 1; }, kRequestMs));
        EXPECT_NE(FirstCall("Sylk42.User.Logout").find("&tk=tok90001&"), std::string::npos);
        ::Sleep(300);
        SaveScreenshot(ResultFile(L"account-signed-out.bmp"));
        HWND dialog = OpenLoginDialog(player);
        ASSERT_NE(dialog, nullptr);
        ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 1);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 5000));
        EndPlayer(player);
    }
    // The online playlists are never saved in place of the local ones.
    EXPECT_FALSE(testfiles::Exists(DataFile(L"PLDefault")));
    EXPECT_FALSE(testfiles::Exists(DataFile(L"PLILike")));
}

// The tree holds the two local playlists and the online group with the user's playlists: with
// more of them than the tree shows, the opened group makes the tree longer than its view. Its bar
// shows, and the wheel and a click on the bar below its thumb bring the lower rows into view.
TEST_F(AccountE2ETest, ATreeLongerThanItsViewScrollsWithTheWheelAndItsBar) {
    testfiles::WriteAll(DataFile(L"Set.ini"), "[Login]\r\na=1\r\nb=1\r\nc=demo\r\n");
    ASSERT_TRUE(VelaUI::SaveRememberedPassword(testfiles::PlayerDataFolder(), L"demo123"));
    const size_t kLists = 30;  // and "Jazz"
    for (size_t i = 0; i < kLists; ++i) {
        standin::SetPlayList("90001", {std::to_string(400 + i), "List " + std::to_string(i), "", "", "", "", {"1001"}});
    }
    PlayerProcess player;
    HWND main = StartPlayer(player);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitFor([&] { return Calls("Sylk42.User.GetPlayListTracks") == kLists + 1; }, kRequestMs));
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic", kSignedIn));
    ::Sleep(300);
    std::vector<LayoutChange> shown = kSignedIn;
    shown.push_back({L"VLMyMusic", L"visible", L"true"});
    RECT tree = {};
    ASSERT_TRUE(ControlRect(program, kMainLayout, main, L"ListPlayListManage", tree, shown));
    const int width = tree.right - tree.left;
    auto rows = [&] { return DrawnRows(main, tree, 8, 120, TreeText); };
    // The bar's strip along the tree's right edge, inside its frame.
    auto thumb = [&] { return DrawnRows(main, tree, width - 7, width - 2, ScrollBarThumb); };
    ASSERT_EQ(rows().size(), 3u);  // the two local playlists and the closed group
    EXPECT_TRUE(thumb().empty());  // all of it shows

    ClickAt(main, tree.left + 60, rows()[2]);
    ASSERT_TRUE(WaitFor([&] { return thumb().size() == 1; }, 5000)) << "the opened group needs the bar";
    const std::vector<int> top = rows();
    const int topThumb = thumb()[0];

    // Three notches down: the tree glides and stops.
    const POINT at = {tree.left + 60, (tree.top + tree.bottom) / 2};
    WheelAt(main, at.x, at.y, -3);
    std::vector<int> glided;
    ASSERT_TRUE(WaitFor(
        [&] {
            const std::vector<int> now = rows();
            const bool still = now == glided;
            glided = now;
            return still && now != top;
        },
        5000));
    EXPECT_GT(thumb()[0], topThumb);

    // A click on the bar below its thumb: a page further down, to the end of this tree.
    ClickAt(main, tree.right - 4, tree.bottom - 10);
    ASSERT_TRUE(WaitFor([&] { return rows() != glided; }, 5000));
    EXPECT_GT(thumb()[0], topThumb + (tree.bottom - tree.top) / 4);
    SaveScreenshot(ResultFile(L"account-long-tree.bmp"));
    EndPlayer(player);
}

TEST_F(AccountE2ETest, TheShareButtonSaysWhyWhenNothingCanBeShared) {
    // Signed out, then signed in (automatically) with nothing playing: a tip each time, no share.
    for (bool signedIn : {false, true}) {
        SCOPED_TRACE(signedIn ? "signed in" : "signed out");
        if (signedIn) {
            testfiles::WriteAll(DataFile(L"Set.ini"), "[Login]\r\na=1\r\nb=1\r\nc=demo\r\n");
            ASSERT_TRUE(VelaUI::SaveRememberedPassword(testfiles::PlayerDataFolder(), L"demo123"));
        }
        standin::Reset();
        PlayerProcess player;
        HWND main = StartPlayer(player);
        ASSERT_NE(main, nullptr);
        if (signedIn) {
            ASSERT_TRUE(WaitFor([] { return Calls("Sylk42.User.GetPlayListTracks") == 1; }, kRequestMs));
        }
        ::Sleep(300);
        ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnWantShare", signedIn ? kSignedIn : kSignedOut));
        HWND tip = player.WaitForWindow(kTipClass);
        ASSERT_NE(tip, nullptr);
        ::Sleep(300);
        SaveScreenshot(ResultFile(signedIn ? L"share-nothing-plays.bmp" : L"share-signed-out.bmp"));
        ::PostMessageW(tip, WM_KEYDOWN, VK_ESCAPE, 1);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(tip); }, 5000));
        EXPECT_EQ(FindProcessWindow(player.Id(), L"VelaUI::VelaCloseSetForm"), nullptr);
        EXPECT_TRUE(standin::RequestsMatching("ModId=09").empty());
        EndPlayer(player);
    }
}

}  // namespace
