// The real VelaMusic.exe and its download list: the items of "Dmanage" come back as rows after a
// start, and the closing sequence writes them back, every one "waiting", the rest as it was.
#include <gtest/gtest.h>

#include "download_list_file.h"
#include "local_helpers.h"
#include "main_messages.h"
#include "player_driver.h"
#include "standin_client.h"
#include "test_files.h"

using namespace e2e;

namespace {

const WORD kMainLayout = 205;

std::wstring DataFile(const wchar_t* name) { return testfiles::PlayerDataFolder() + L"\\" + name; }

std::wstring ResultFile(const wchar_t* name) { return testfiles::FromUnixPath(VELA_RESULTS_DIR) + L"\\" + name; }

// One "Track" element as the player writes it, with the status given.
std::string TrackElement(const std::vector<std::wstring>& values) {
    static const char* const kNames[10] = {"TrackID",  "TrackName", "ArtistName", "Status",   "Progress",
                                           "FileSize", "Speed",     "FilePath",   "FileName", "FileURL"};
    std::string element = "<Track>\n";
    for (size_t i = 0; i < 10; ++i) {
        std::string encoded;
        WideToUtf8Fixed3(encoded, values[i]);
        element += std::string("    <") + kNames[i] + ">" + encoded + "</" + kNames[i] + ">\n";
    }
    return element + "</Track>\n";
}

TEST(PlayerDownloadsE2E, TheDownloadListComesBackAfterARestartAndIsKeptWaiting) {
    standin::Reset();
    ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    for (const wchar_t* name : {L"Set.ini", L"PLDefault", L"PLILike", L"Dmanage"}) ::DeleteFileW(DataFile(name).c_str());
    const std::vector<std::vector<std::wstring>> tracks = {
        {L"1001", L"\u6674\u5929", L"\u5468\u6770\u4F26", L"complete", L"\u5DF2\u5B8C\u6210", L"292KB", L"", L"", L"", L""},
        {L"1002", L"Blue in Green", L"Miles Davis", L"downloading", L"41%", L"390KB", L"35KB/s", L"", L"", L""},
        {L"1003", L"So What", L"Miles Davis", L"pause", L"7%", L"195KB", L"0KB/s", L"c:\\x", L"x.mp3", L"http://x/"},
    };
    std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
    for (const auto& track : tracks) file += TrackElement(track);
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Dmanage"), file));

    const std::wstring program = PrepareProgramFolder(L"downloads") + L"VelaMusic.exe";
    PlayerProcess player;
    ASSERT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
    HWND main = player.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::Sleep(300);
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic"));
    ::Sleep(300);
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabDownManage", {{L"VLMyMusic", L"visible", L"true"}}));
    ::Sleep(500);
    SaveScreenshot(ResultFile(L"player-downloads.bmp"));
    // Nothing starts by itself.
    EXPECT_TRUE(standin::RequestsMatching("GetTrackDownUrl").empty());

    ::PostMessageW(main, VelaUI::WM_TRAYMENU_EXIT, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(player.WaitForExit(30000, &code));
    EXPECT_EQ(code, 0u);
    std::vector<VelaUI::DownloadItem> saved;
    ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
    ASSERT_EQ(saved.size(), tracks.size());
    for (size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        const VelaUI::DownloadItem& item = saved[i];
        EXPECT_EQ(item.Status, L"waiting");
        const std::vector<std::wstring> fields = {item.TrackID,  item.TrackName, item.ArtistName, L"",
                                                  item.Progress, item.FileSize,  item.Speed,      item.FilePath,
                                                  item.FileName, item.FileURL};
        for (size_t f = 0; f < 10; ++f) {
            if (f != 3) {
                EXPECT_EQ(fields[f], tracks[i][f]) << f;
            }
        }
    }
    ::DeleteFileW(DataFile(L"Dmanage").c_str());
}

}  // namespace
