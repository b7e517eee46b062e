// One lean run of the real VelaMusic.exe from start to exit, short enough for the emulated 32-bit
// route: the main window, the tray menu, a seeded playlist's track played by auto-play (its tone
// captured), and a clean exit that saves the playlist files.
#include <gtest/gtest.h>

#include "audio_capture.h"
#include "local_helpers.h"
#include "main_messages.h"
#include "player_driver.h"
#include "standin_client.h"
#include "test_files.h"

using namespace e2e;

namespace {

const DWORD kSlowMs = 90000;  // the emulated route is about six times slower

std::wstring DataFile(const wchar_t* name) { return testfiles::PlayerDataFolder() + L"\\" + name; }

TEST(PlayerSmoke, StartsPlaysASeededTrackAndExitsSavingItsPlaylists) {
    standin::Reset();
    ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    for (const wchar_t* name : {L"PLDefault", L"PLILike"}) ::DeleteFileW(DataFile(name).c_str());
    const std::wstring capture = testfiles::Widen(VELA_CAPTURE);
    audiocapture::Clear(capture);
    // Auto-play on: the current track of the default list once the playlists are built.
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Set.ini"), "[Option]\r\na=0\r\nb=1\r\n[CloseSet]\r\na=0\r\nb=1\r\n"));
    ASSERT_TRUE(WritePlayListFile(DataFile(L"PLDefault"), {"1001", "1003"}));

    PlayerProcess player;
    ASSERT_TRUE(player.Start(PrepareProgramFolder(L"smoke") + L"VelaMusic.exe", L""));
    HWND main = player.WaitForMainWindow(kSlowMs);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(::IsWindowVisible(main));

    // The right click on the tray icon, again until the menu shows (the window may still be
    // busy with its start).
    HWND menu = nullptr;
    WaitFor(
        [&] {
            ::PostMessageW(main, VelaUI::WM_TRAYICON, 0, WM_RBUTTONDOWN);
            menu = player.WaitForWindow(L"MenuRightKey_Tray", 3000);
            return menu != nullptr;
        },
        kSlowMs);
    EXPECT_NE(menu, nullptr);
    if (menu != nullptr) {
        ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(menu); }, kSlowMs));
    }

    EXPECT_TRUE(WaitFor([] { return !PlayUrlRequests().empty(); }, kSlowMs));
    EXPECT_EQ(PlayUrlRequests().front(), "1001");  // the current track: the first one
    EXPECT_TRUE(WaitFor(
        [&] {
            const std::vector<std::wstring> files = audiocapture::Files(capture);
            return !files.empty() && audiocapture::SecondsOf(audiocapture::TonesOfFile(files[0]), 440) >= 1.0;
        },
        kSlowMs));

    ::DeleteFileW(DataFile(L"PLDefault").c_str());  // written again at exit
    ::PostMessageW(main, VelaUI::WM_TRAYMENU_EXIT, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(player.WaitForExit(kSlowMs, &code));
    EXPECT_EQ(code, 0u);
    const std::string saved = testfiles::ReadAll(DataFile(L"PLDefault"));
    for (const wchar_t* id : {L"1001", L"1003"}) {
        std::string encoded;
        WideToUtf8Fixed3(encoded, id);
        EXPECT_NE(saved.find("<TrackID>" + encoded + "</TrackID>"), std::string::npos);
    }
}

}  // namespace
