// The real VelaMusic.exe against the stand-in, driven from outside: signing in through the
// login dialog (a refused password, then Return and the OK button), the remembered account and
// password, the next start signing in by itself with the user's online playlists, signing out,
// and what the share button does while nothing can be shared.
#include <gtest/gtest.h>

#include "login_credentials.h"
#include "main_messages.h"
#include "player_driver.h"
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
    // The dialog shows the remembered account and password (typing into it is tested in-process).
    testfiles::WriteAll(DataFile(L"Set.ini"), "[Login]\r\na=1\r\nb=0\r\nc=demo\r\n");
    ASSERT_TRUE(VelaUI::SaveRememberedPassword(testfiles::PlayerDataFolder(), L"wrong"));
    {
        PlayerProcess player;
        HWND main = StartPlayer(player);
        ASSERT_NE(main, nullptr);
        HWND dialog = OpenLoginDialog(player);
        ASSERT_NE(dialog, nullptr);

        // A wrong password and Return: the service's reason in a tip, one request.
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

        // The right password remembered; the automatic box (which takes the other along) and OK.
        ASSERT_TRUE(VelaUI::SaveRememberedPassword(testfiles::PlayerDataFolder(), L"demo123"));
        dialog = OpenLoginDialog(player);
        ASSERT_NE(dialog, nullptr);
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
