// The real VelaMusic.exe and its download list: the items of "Dmanage" come back as rows after a
// start, and the closing sequence writes them back, every one "waiting", the rest as it was; a
// list that cannot be read outlives a run. The rows' icons, where a user sees them at the
// window's default size, start, pause, resume and delete downloads at the limit of one; a
// waiting download starts when a pause frees its place; two tracks of one name get files of their
// own; downloads cut by the server resume to whole files; a download running at the close
// resumes after a new start; as the stand-in's request log and the download folder show.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "download_list_file.h"
#include "local_helpers.h"
#include "main_messages.h"
#include "player_driver.h"
#include "standin_client.h"
#include "standin_tracks.h"
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

BOOL CALLBACK CollectShownChild(HWND child, LPARAM data) {
    if (!::IsWindowVisible(child)) return TRUE;
    RECT rc = {};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, ::GetAncestor(child, GA_ROOT), reinterpret_cast<POINT*>(&rc), 2);
    reinterpret_cast<std::vector<RECT>*>(data)->push_back(rc);
    return TRUE;
}

// The shown child windows of a window (the embedded page's), in its client coordinates.
std::vector<RECT> ShownChildWindows(HWND parent) {
    std::vector<RECT> shown;
    ::EnumChildWindows(parent, CollectShownChild, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

bool Inside(const RECT& rc, const RECT& area) {
    return rc.left >= area.left && rc.top >= area.top && rc.right <= area.right && rc.bottom <= area.bottom;
}

// A list that cannot be read (here one XML error) is left as it is by a run that added nothing.
TEST(PlayerDownloadsE2E, AListThatCannotBeReadOutlivesARun) {
    standin::Reset();
    ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    for (const wchar_t* name : {L"Set.ini", L"PLDefault", L"PLILike"}) ::DeleteFileW(DataFile(name).c_str());
    const std::string broken = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n" +
                               TrackElement({L"1002", L"Blue in Green", L"Miles Davis", L"waiting", L"41%", L"390KB",
                                             L"", L"", L"", L""}) +
                               "<Track>\n    <TrackID>1003</TrackName>\n</Track>\n";
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Dmanage"), broken));
    const std::wstring program = PrepareProgramFolder(L"downloadsbroken") + L"VelaMusic.exe";
    PlayerProcess player;
    ASSERT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
    HWND main = player.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::PostMessageW(main, VelaUI::WM_TRAYMENU_EXIT, 0, 0);
    ASSERT_TRUE(player.WaitForExit(30000));
    EXPECT_TRUE(testfiles::ReadAll(DataFile(L"Dmanage")) == broken);
    ::DeleteFileW(DataFile(L"Dmanage").c_str());
}

TEST(PlayerDownloadsE2E, TheDownloadListComesBackAfterARestartAndIsKeptWaiting) {
    standin::Reset();
    ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    for (const wchar_t* name : {L"Set.ini", L"PLDefault", L"PLILike", L"Dmanage"})
        ::DeleteFileW(DataFile(name).c_str());
    const std::vector<std::vector<std::wstring>> tracks = {
        {L"1001", L"\u6674\u5929", L"\u5468\u6770\u4F26", L"complete", L"\u5DF2\u5B8C\u6210", L"292KB", L"", L"", L"",
         L""},
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
    // The client page keeps to its inset on the recommend tab and is gone on the other one.
    RECT client = {};
    ::GetClientRect(main, &client);
    const RECT inset = {client.left + 42, client.top + 138, client.right - 9, client.bottom - 33};
    for (const RECT& rc : ShownChildWindows(main)) {
        EXPECT_TRUE(Inside(rc, inset)) << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
    }
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic"));
    ::Sleep(300);
    EXPECT_TRUE(ShownChildWindows(main).empty());
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

// The downloads view of a running player, clicked from outside where a user sees a row's icons:
// at the window's default size they sit in the list's "操作" column, without sideways scrolling.
class DownloadsView {
public:
    DownloadsView(const std::wstring& program, HWND main) : m_main(main) {
        const std::vector<LayoutChange> myMusic = {{L"VLMyMusic", L"visible", L"true"}};
        EXPECT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic"));
        ::Sleep(300);
        EXPECT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabDownManage", myMusic));
        ::Sleep(300);
        const std::vector<LayoutChange> shown = {{L"VLMyMusic", L"visible", L"true"},
                                                 {L"Container_PlayList", L"visible", L"false"},
                                                 {L"Container_DownManage", L"visible", L"true"}};
        EXPECT_TRUE(ControlRect(program, kMainLayout, main, L"ListDownloadManage", m_list, shown));
    }
    // child 6: the status icon, 7: the delete icon.
    void ClickIcon(int row, int child) {
        const int x = m_list.left + (child == 6 ? 605 : 629);  // the icons' centres in a row
        const int y = m_list.top + 24 + 25 * row + 10;
        EXPECT_LT(x, m_list.right - 8);  // also clear of a vertical bar
        ClickAt(m_main, x, y);
        ::Sleep(400);
    }

private:
    HWND m_main;
    RECT m_list = {};
};

bool Requested(const std::string& text) { return !standin::RequestsMatching(text).empty(); }

// Whether the player asked the service for the download URL of the track.
bool DownloadUrlAsked(const std::string& id) {
    for (const std::string& request : standin::RequestsMatching("GetTrackDownUrl")) {
        if (request.find("ProductID=" + id) != std::string::npos) return true;
    }
    return false;
}

TEST(PlayerDownloadsE2E, RowIconsStartPauseResumeAndDeleteAtTheLimit) {
    standin::Reset();
    ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    for (const wchar_t* name : {L"PLDefault", L"PLILike", L"Dmanage"}) ::DeleteFileW(DataFile(name).c_str());
    const std::wstring folder = testfiles::FreshDir(L"e2edownloads");
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Set.ini"),
                                    "[Option]\r\nf=" + testfiles::ToAnsi(folder) + "\r\ng=1\r\n[CloseSet]\r\nb=1\r\n"));
    std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
    file += TrackElement({L"1002", L"Blue in Green", L"Miles Davis", L"waiting", L"", L"", L"", L"", L"", L""});
    file += TrackElement({L"1003", L"So What", L"Miles Davis", L"waiting", L"", L"", L"", L"", L"", L""});
    // Another track of the same name.
    file += TrackElement({L"1004", L"Blue in Green", L"Bill Evans", L"waiting", L"", L"", L"", L"", L"", L""});
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Dmanage"), file));
    standin::SetTrackFile("1002", 400000, {}, "slow=40000");
    standin::SetTrackFile("1003", 400000, {}, "slow=40000");
    const std::wstring program = PrepareProgramFolder(L"downloadicons") + L"VelaMusic.exe";

    PlayerProcess player;
    ASSERT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
    HWND main = player.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::Sleep(300);
    DownloadsView view(program, main);
    SaveScreenshot(ResultFile(L"player-downloads-icons.bmp"));

    view.ClickIcon(0, 6);  // start the first
    ASSERT_TRUE(WaitFor([] { return Requested("/trackfile/1002.mp3"); }, 5000));
    view.ClickIcon(1, 6);  // no place for the second: it waits
    ::Sleep(2500);
    EXPECT_FALSE(Requested("ProductID=1003"));

    const std::wstring part = folder + L"\\Blue in Green.mp3_0";
    ASSERT_TRUE(WaitFor([&] { return testfiles::ReadAll(part).size() > 20000; }, 8000));
    view.ClickIcon(0, 6);  // pause: the place goes free
    ::Sleep(300);
    const size_t partSize = testfiles::ReadAll(part).size();
    view.ClickIcon(1, 6);  // the second starts now
    EXPECT_TRUE(WaitFor([] { return Requested("/trackfile/1003.mp3"); }, 5000));
    ::Sleep(1000);
    EXPECT_EQ(testfiles::ReadAll(part).size(), partSize);  // the paused one rests

    view.ClickIcon(1, 7);  // delete the running second: its place goes free, its file stays
    ::Sleep(300);
    EXPECT_TRUE(testfiles::Exists(folder + L"\\So What.mp3_0"));
    standin::SetTrackFile("1002", 0, {}, "");
    view.ClickIcon(0, 6);  // resume from the part file
    const std::wstring target = folder + L"\\Blue in Green.mp3";
    ASSERT_TRUE(WaitForFile(target, 20000));
    EXPECT_TRUE(testfiles::ReadAll(target) == standin::TrackFileBytes("1002"));
    const std::vector<std::string> ranged = standin::RequestsMatching("/trackfile/1002.mp3");
    EXPECT_NE(ranged.back().find("Range: bytes=" + std::to_string(partSize)), std::string::npos);

    // The other "Blue in Green" gets a file of its own; the first one's stays.
    ASSERT_TRUE(WaitFor(
        [&] {
            if (DownloadUrlAsked("1004")) return true;
            view.ClickIcon(1, 6);  // "waiting" again until the monitor has freed the first one's place
            return DownloadUrlAsked("1004");
        },
        10000));
    const std::wstring second = folder + L"\\Blue in Green (2).mp3";
    ASSERT_TRUE(WaitForFile(second, 20000));
    EXPECT_TRUE(testfiles::ReadAll(second) == standin::TrackFileBytes("1004"));
    EXPECT_TRUE(testfiles::ReadAll(target) == standin::TrackFileBytes("1002"));

    ::PostMessageW(main, VelaUI::WM_TRAYMENU_EXIT, 0, 0);
    ASSERT_TRUE(player.WaitForExit(30000));
    std::vector<VelaUI::DownloadItem> saved;
    ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].TrackID, L"1002");
    EXPECT_EQ(saved[0].Status, L"waiting");
    EXPECT_EQ(saved[1].FileName, L"Blue in Green (2).mp3");

    // After a new start, deleting the last items and closing removes the file.
    PlayerProcess again;
    ASSERT_TRUE(again.Start(program, L"", testfiles::FreshDir(L"cwd")));
    main = again.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::Sleep(300);
    DownloadsView emptied(program, main);
    emptied.ClickIcon(1, 7);
    emptied.ClickIcon(0, 7);
    ::PostMessageW(main, VelaUI::WM_TRAYMENU_EXIT, 0, 0);
    ASSERT_TRUE(again.WaitForExit(30000));
    EXPECT_FALSE(testfiles::Exists(DataFile(L"Dmanage")));
    ::DeleteFileW(DataFile(L"Set.ini").c_str());
    testfiles::RemoveTree(folder);
}

// "BtnToDown" at the limit of one while a download runs: the track waits ("readying") until the
// running download is paused, then starts by itself. Each file is the stand-in's to the byte,
// and the list written at the exit holds every row. On the way the downloads view shows rows in
// several states, each row whole at the window's default size.
TEST(PlayerDownloadsE2E, ADownloadThatWaitsForAPlaceStartsWhenAPauseFreesIt) {
    standin::Reset();
    ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    for (const wchar_t* name : {L"PLDefault", L"PLILike", L"Dmanage"}) ::DeleteFileW(DataFile(name).c_str());
    const std::wstring folder = testfiles::FreshDir(L"e2eplaydownload");
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Set.ini"),
                                    "[Option]\r\nf=" + testfiles::ToAnsi(folder) + "\r\ng=1\r\n[CloseSet]\r\nb=1\r\n"));
    std::string list = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
    list += TrackElement({L"1001", L"\u6674\u5929", L"\u5468\u6770\u4F26", L"waiting", L"12%", L"35KB", L"0KB/s", L"",
                          L"", L""});
    list += TrackElement({L"1002", L"Blue in Green", L"Miles Davis", L"waiting", L"", L"", L"", L"", L"", L""});
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Dmanage"), list));
    ASSERT_TRUE(WritePlayListFile(DataFile(L"PLDefault"), {"1003"}));
    standin::SetTrackFile("1002", 300000, {}, "slow=30000");
    standin::SetTrackFile("1003", 300000, {}, "slow=100000");
    const std::wstring program = PrepareProgramFolder(L"playdownload") + L"VelaMusic.exe";
    const std::vector<LayoutChange> myMusic = {{L"VLMyMusic", L"visible", L"true"}};
    // The window hides "BtnPush", so the buttons left of it sit further right than laid out.
    const std::vector<LayoutChange> playBar = {{L"VLMyMusic", L"visible", L"true"}, {L"BtnPush", L"visible", L"false"}};

    PlayerProcess player;
    ASSERT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
    HWND main = player.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::Sleep(300);
    DownloadsView view(program, main);
    view.ClickIcon(1, 6);  // the first download takes the one place
    const std::wstring part = folder + L"\\Blue in Green.mp3_0";
    ASSERT_TRUE(WaitFor([&] { return testfiles::ReadAll(part).size() > 30000; }, 10000));

    // The track of the play list becomes current, and the download button asks for it.
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabPlayList", myMusic));
    ::Sleep(300);
    RECT row = {};
    ASSERT_TRUE(ListRowRect(program, kMainLayout, main, L"ListPlayList", 1, 0, row, myMusic));
    DoubleClickAt(main, (row.left + row.right) / 2, (row.top + row.bottom) / 2);
    ASSERT_TRUE(WaitFor([] { return PlayUrlRequests() == std::vector<std::string>{"1003"}; }, 15000));
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnToDown", playBar));
    ::Sleep(500);
    EXPECT_FALSE(DownloadUrlAsked("1003"));  // no place: it waits
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabDownManage", myMusic));
    ::Sleep(2500);  // a monitor period: the running row shows its progress
    SaveScreenshot(ResultFile(L"player-downloads-queued.bmp"));  // waiting, downloading, readying

    view.ClickIcon(1, 6);  // pause: the waiting track starts
    ASSERT_TRUE(WaitFor([] { return DownloadUrlAsked("1003"); }, 5000));
    ASSERT_TRUE(WaitFor([&] { return testfiles::ReadAll(folder + L"\\track 1003.mp3_0").size() > 30000; }, 10000));
    ::Sleep(2000);
    SaveScreenshot(ResultFile(L"player-downloads-paused.bmp"));  // waiting, pause, downloading
    const std::wstring queued = folder + L"\\track 1003.mp3";
    std::string bytes;
    ASSERT_TRUE(WaitForFile(queued, 20000, &bytes));
    EXPECT_TRUE(bytes == standin::TrackFileBytes("1003"));
    ::Sleep(2500);
    SaveScreenshot(ResultFile(L"player-downloads-complete.bmp"));  // waiting, pause, complete

    standin::SetTrackFile("1002", 0, {}, "");
    view.ClickIcon(1, 6);  // resume
    const std::wstring first = folder + L"\\Blue in Green.mp3";
    ASSERT_TRUE(WaitForFile(first, 20000, &bytes));
    EXPECT_TRUE(bytes == standin::TrackFileBytes("1002"));
    EXPECT_FALSE(testfiles::Exists(part));
    ::Sleep(2500);

    ::PostMessageW(main, VelaUI::WM_TRAYMENU_EXIT, 0, 0);
    ASSERT_TRUE(player.WaitForExit(30000));
    std::vector<VelaUI::DownloadItem> saved;
    ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
    ASSERT_EQ(saved.size(), 3u);
    const wchar_t* const ids[] = {L"1001", L"1002", L"1003"};
    for (size_t i = 0; i < saved.size(); ++i) EXPECT_EQ(saved[i].TrackID, ids[i]) << i;
    EXPECT_EQ(saved[2].TrackName, L"track 1003");
    EXPECT_EQ(saved[1].Progress, L"\u5DF2\u5B8C\u6210");  // "已完成"
    EXPECT_EQ(saved[2].Progress, L"\u5DF2\u5B8C\u6210");
    EXPECT_EQ(saved[2].FileSize, L"292KB");
    for (const wchar_t* name : {L"Set.ini", L"PLDefault", L"Dmanage"}) ::DeleteFileW(DataFile(name).c_str());
    testfiles::RemoveTree(folder);
}

// Whether the stand-in was asked for the track's file from this byte on.
bool RangeAsked(const std::string& id, size_t from) {
    for (const std::string& request : standin::RequestsMatching("/trackfile/" + id + ".mp3")) {
        if (request.find("Range: bytes=" + std::to_string(from) + "-") != std::string::npos) return true;
    }
    return false;
}

// A fresh data folder for a run: the download list given, "Set.ini" with the download folder,
// the limit and the close settings given, no playlists.
void SeedDataFolder(const std::vector<std::string>& trackIds, const std::vector<std::wstring>& names,
                    const std::wstring& folder, int limit, const std::string& closeSet) {
    ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    for (const wchar_t* name : {L"PLDefault", L"PLILike"}) ::DeleteFileW(DataFile(name).c_str());
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Set.ini"), "[Option]\r\nf=" + testfiles::ToAnsi(folder) + "\r\ng=" +
                                                              std::to_string(limit) + "\r\n[CloseSet]\r\n" + closeSet));
    std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
    for (size_t i = 0; i < trackIds.size(); ++i) {
        file += TrackElement(
            {testfiles::Widen(trackIds[i]), names[i], L"Miles Davis", L"waiting", L"", L"", L"", L"", L"", L""});
    }
    ASSERT_TRUE(testfiles::WriteAll(DataFile(L"Dmanage"), file));
}

// Three downloads at once, each cut by the server midway: each row turns resumable (its status
// icon starts it again), each resume asks from where its file stopped, and every file ends the
// stand-in's to the byte, its row "已完成".
TEST(PlayerDownloadsE2E, DownloadsCutMidwayResumeToWholeFiles) {
    standin::Reset();
    const std::wstring folder = testfiles::FreshDir(L"e2ecutdownloads");
    const std::vector<std::string> ids = {"1002", "1003", "1004"};
    const std::vector<std::wstring> names = {L"Blue in Green", L"So What", L"Freddie"};
    SeedDataFolder(ids, names, folder, 3, "b=1\r\n");
    const size_t cutAt = 100000;
    for (const std::string& id : ids) standin::SetTrackFile(id, 300000, {"", "slow=100000;cut=100000"}, "");
    const std::wstring program = PrepareProgramFolder(L"cutdownloads") + L"VelaMusic.exe";

    PlayerProcess player;
    ASSERT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
    HWND main = player.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::Sleep(300);
    DownloadsView view(program, main);
    for (int row = 0; row < 3; ++row) view.ClickIcon(row, 6);
    for (size_t i = 0; i < ids.size(); ++i) {
        const std::wstring part = folder + L"\\" + names[i] + L".mp3_0";
        EXPECT_TRUE(WaitFor([&] { return testfiles::ReadAll(part).size() == cutAt; }, 10000)) << ids[i];
    }
    ::Sleep(2500);  // a monitor period: the cut downloads are seen to have stopped
    SaveScreenshot(ResultFile(L"player-downloads-cut.bmp"));
    for (int row = 0; row < 3; ++row) view.ClickIcon(row, 6);  // resume
    for (size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(ids[i]);
        EXPECT_TRUE(WaitFor([&] { return RangeAsked(ids[i], cutAt); }, 5000));
        std::string bytes;
        EXPECT_TRUE(WaitForFile(folder + L"\\" + names[i] + L".mp3", 20000, &bytes));
        EXPECT_TRUE(bytes == standin::TrackFileBytes(ids[i]));
        EXPECT_FALSE(testfiles::Exists(folder + L"\\" + names[i] + L".mp3_0"));
    }
    ::Sleep(2500);  // a monitor period: the rows show their completion
    SaveScreenshot(ResultFile(L"player-downloads-cut-resumed.bmp"));

    ::PostMessageW(main, VelaUI::WM_TRAYMENU_EXIT, 0, 0);
    ASSERT_TRUE(player.WaitForExit(30000));
    std::vector<VelaUI::DownloadItem> saved;
    ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
    ASSERT_EQ(saved.size(), ids.size());
    for (size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(saved[i].Progress, L"\u5DF2\u5B8C\u6210") << i;  // "已完成"
        EXPECT_EQ(saved[i].FileSize, L"292KB") << i;
    }
    for (const wchar_t* name : {L"Set.ini", L"Dmanage"}) ::DeleteFileW(DataFile(name).c_str());
    testfiles::RemoveTree(folder);
}

// What the list kept for the next run says of a download stopped by the close: "已完成" once its
// file is whole, else the percentage its part file holds (the last bytes before the stop aside).
void ExpectKeptProgress(const std::wstring& progress, const std::wstring& folder, const std::string& id,
                        const std::wstring& name) {
    const std::string whole = testfiles::ReadAll(folder + L"\\" + name + L".mp3");
    const std::string expected = standin::TrackFileBytes(id);
    if (!whole.empty()) {
        EXPECT_TRUE(whole == expected);
        EXPECT_EQ(progress, L"\u5DF2\u5B8C\u6210");
        return;
    }
    const size_t held = testfiles::ReadAll(folder + L"\\" + name + L".mp3_0").size();
    ASSERT_FALSE(progress.empty());
    ASSERT_EQ(progress.back(), L'%');
    EXPECT_NEAR(std::stoi(progress), static_cast<int>(held * 100 / expected.size() + 1), 1) << held;
}

// A download that runs while the player closes, by the close dialog's "exit" and then by
// Alt+F4 shortly before its end: the player ends promptly, the list kept for the next run says
// where the download stood, and after a new start the item is "waiting" and its status icon
// resumes it from where its file stopped, until the file is whole.
TEST(PlayerDownloadsE2E, ADownloadRunningAtTheCloseResumesAfterARestart) {
    standin::Reset();
    const std::wstring folder = testfiles::FreshDir(L"e2eclosedownload");
    SeedDataFolder({"1002"}, {L"Blue in Green"}, folder, 1, "a=0\r\nb=0\r\n");
    const size_t size = 400000;
    standin::SetTrackFile("1002", size, {}, "slow=40000");
    const std::wstring program = PrepareProgramFolder(L"closedownload") + L"VelaMusic.exe";
    const std::wstring part = folder + L"\\Blue in Green.mp3_0";

    struct CloseWay {
        const char* name;
        size_t closeAt;  // the part file's size when the player is closed
        std::function<void(PlayerProcess&)> close;
    };
    const CloseWay ways[] = {
        {"close dialog", 80000,
         [&](PlayerProcess& player) {
             HWND dialog = OpenCloseDialog(player);
             ASSERT_NE(dialog, nullptr);
             ASSERT_TRUE(AnswerCloseDialog(program, dialog, {L"RadioExit"}));
         }},
        {"Alt+F4", size - 30000, [](PlayerProcess& player) { PressAltF4(player.MainWindow()); }},
        {"tray menu's exit", 0,
         [](PlayerProcess& player) { ::PostMessageW(player.MainWindow(), VelaUI::WM_TRAYMENU_EXIT, 0, 0); }},
    };
    size_t held = 0;  // what the part file held when the player closed last
    for (const CloseWay& way : ways) {
        SCOPED_TRACE(way.name);
        if (way.closeAt == 0) standin::SetTrackFile("1002", 0, {}, "");  // the last run at full speed
        PlayerProcess player;
        ASSERT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
        HWND main = player.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        ::Sleep(300);
        DownloadsView view(program, main);
        view.ClickIcon(0, 6);
        EXPECT_TRUE(WaitFor([&] { return RangeAsked("1002", held); }, 5000));
        if (way.closeAt == 0) {
            ASSERT_TRUE(WaitFor([&] { return !testfiles::Exists(part); }, 20000));
        } else {
            ASSERT_TRUE(WaitFor([&] { return testfiles::ReadAll(part).size() > way.closeAt; }, 15000));
        }
        way.close(player);
        DWORD code = 1;
        ASSERT_TRUE(player.WaitForExit(15000, &code));
        EXPECT_EQ(code, 0u);
        held = testfiles::ReadAll(part).size();
        std::vector<VelaUI::DownloadItem> saved;
        ASSERT_TRUE(VelaUI::LoadDownloadItems(DataFile(L"Dmanage"), saved));
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(saved[0].Status, L"waiting");
        EXPECT_EQ(saved[0].FileName, L"Blue in Green.mp3");
        ExpectKeptProgress(saved[0].Progress, folder, "1002", L"Blue in Green");
    }
    EXPECT_TRUE(testfiles::ReadAll(folder + L"\\Blue in Green.mp3") == standin::TrackFileBytes("1002"));
    for (const wchar_t* name : {L"Set.ini", L"Dmanage"}) ::DeleteFileW(DataFile(name).c_str());
    testfiles::RemoveTree(folder);
}

}  // namespace
