// Downloads of the stand-in's track files as the download manager runs them: the download URL
// from the service, then a download thread watched the way the monitor watches it. Rows that
// run, finish, are paused and resumed, and fail.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "download_item.h"
#include "download_thread.h"
#include "standin_client.h"
#include "standin_tracks.h"
#include "test_files.h"

using namespace VelaUI;

namespace {

class DownloadRuns : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        folder_ = testfiles::FreshDir(L"dlruns");
    }
    void TearDown() override {
        thread_.Stop();
        standin::Reset();  // releases a stalled reply
        testfiles::RemoveTree(folder_);
    }

    // Starts the item's download as the start procedure does: URL from the service, then the
    // thread with the record.
    void Start(DownloadItem& item) {
        const std::wstring url = RequestDownloadUrl(item.TrackID);
        ASSERT_FALSE(url.empty());
        ASSERT_TRUE(thread_.Start(DownloadTrackRecord(nullptr, item, url, folder_)));
        item.Status = DownloadStatus::Downloading;
    }

    // Looks at the download every 100 ms, as the monitor does every period, until it is no
    // longer running or the time is up.
    DownloadOutcome WatchUntilEnd(DownloadItem& item, DWORD timeoutMs = 30000) {
        const DWORD start = GetTickCount();
        for (;;) {
            DownloadOutcome outcome = RefreshDownloadItem(item, thread_);
            if (outcome != DownloadOutcome::Running || GetTickCount() - start > timeoutMs) return outcome;
            Sleep(100);
        }
    }

    std::wstring Target(const DownloadItem& item) const { return folder_ + L"\\" + DownloadFileName(item.TrackName); }

    std::wstring folder_;
    CDownloadThread thread_;
};

DownloadItem ItemFor(const std::wstring& id, const std::wstring& name) {
    TrackInfo track;
    track.TrackID = id;
    track.TrackName = name;
    return MakeDownloadItem(track);
}

TEST_F(DownloadRuns, TheServiceNamesTheTracksFileAndNothingForAnUnknownTrack) {
    EXPECT_EQ(RequestDownloadUrl(L"1002"), testfiles::Widen(standin::TrackFileUrl("1002")));
    EXPECT_EQ(RequestDownloadUrl(L"999999"), L"");
    EXPECT_EQ(standin::RequestsMatching("GetTrackDownUrl").size(), 2u);
}

// The UI thread and the monitor ask for download URLs at the same time; each gets the URL of
// its own track, never the other's reply or none.
TEST_F(DownloadRuns, StartsOnTwoThreadsNeverReadEachOthersReply) {
    std::atomic<int> wrong{0};
    auto ask = [&](const wchar_t* id, const std::string& expected) {
        for (int i = 0; i < 15; ++i) {
            if (RequestDownloadUrl(id) != testfiles::Widen(expected)) ++wrong;
        }
    };
    std::thread a(ask, L"1001", standin::TrackFileUrl("1001"));
    std::thread b(ask, L"1003", standin::TrackFileUrl("1003"));
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(DownloadRuns, AFinishedDownloadIsCompleteAndItsFileTheServicesToTheByte) {
    // The track's own audio file, as the stand-in plays it too.
    const std::string audio = standin::Request("GET", "/files/1001.mp3").body;
    ASSERT_GT(audio.size(), 10000u);
    ASSERT_TRUE(standin::TrackFileBytes("1001") == audio);
    DownloadItem item = ItemFor(L"1001", L"\u6674\u5929");
    Start(item);
    ASSERT_EQ(WatchUntilEnd(item), DownloadOutcome::Completed);
    EXPECT_EQ(item.Status, L"complete");
    EXPECT_EQ(item.Progress, L"\u5DF2\u5B8C\u6210");
    EXPECT_EQ(item.FileSize, std::to_wstring(audio.size() / 1024) + L"KB");
    EXPECT_TRUE(testfiles::ReadAll(Target(item)) == audio);
}

// A slow download shows progress while it runs; paused, it keeps its part file; resumed, it
// goes on from there and completes.
TEST_F(DownloadRuns, ARunningDownloadShowsProgressAndResumesAfterAPause) {
    standin::SetTrackFile("1002", 400000, {}, "slow=60000");
    DownloadItem item = ItemFor(L"1002", L"Blue in Green");
    Start(item);
    Sleep(2500);
    ASSERT_EQ(RefreshDownloadItem(item, thread_), DownloadOutcome::Running);
    EXPECT_EQ(item.Status, L"downloading");
    EXPECT_EQ(item.FileSize, L"390KB");
    const int percent = _wtoi(item.Progress.c_str());
    EXPECT_GT(percent, 1);
    EXPECT_LT(percent, 100);
    EXPECT_EQ(item.Progress, std::to_wstring(percent) + L"%");
    EXPECT_EQ(item.Speed.substr(item.Speed.size() - 4), L"KB/s");
    EXPECT_GT(_wtoi(item.Speed.c_str()), 0);

    // Pause: the thread is stopped; the part file stays.
    thread_.Stop();
    item.Status = DownloadStatus::Pause;
    const std::wstring part = Target(item) + L"_0";
    ASSERT_TRUE(testfiles::Exists(part));
    const std::string partBytes = testfiles::ReadAll(part);
    EXPECT_GT(partBytes.size(), 60000u);
    EXPECT_FALSE(testfiles::Exists(Target(item)));

    // Resume: only the rest is asked for.
    standin::SetTrackFile("1002", 0, {}, "");
    Start(item);
    ASSERT_EQ(WatchUntilEnd(item), DownloadOutcome::Completed);
    EXPECT_TRUE(testfiles::ReadAll(Target(item)) == standin::TrackFileBytes("1002"));
    const std::vector<std::string> ranged = standin::RequestsMatching("/trackfile/1002.mp3");
    ASSERT_FALSE(ranged.empty());
    EXPECT_NE(ranged.back().find("Range: bytes=" + std::to_string(partBytes.size()) + "-"), std::string::npos);
}

// A download that breaks off after it started is noticed: the item stops running and can be
// resumed ("pause"), its texts as far as they got. So is one whose folder is gone (a removed
// drive): its file cannot be made.
TEST_F(DownloadRuns, AFailedDownloadStopsRunningAndIsResumable) {
    const struct {
        const char* what;
        std::vector<std::string> plan;
        std::string then;
        const wchar_t* size;
        const wchar_t* progress;
        bool folderGone;
    } cases[] = {
        {"refused at once", {}, "status=404", L"0KB", L"0%", false},
        {"refused after the probe", {""}, "status=500", L"195KB", L"1%", false},
        {"cut short", {""}, "cut=50000", L"195KB", nullptr, false},
        {"folder gone", {}, "", L"195KB", L"1%", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        standin::SetTrackFile("1003", 200000, c.plan, c.then);
        if (c.folderGone) testfiles::RemoveTree(folder_);
        DownloadItem item = ItemFor(L"1003", L"So What");
        Start(item);
        EXPECT_EQ(WatchUntilEnd(item), DownloadOutcome::Failed);
        EXPECT_EQ(item.Status, L"pause");
        EXPECT_EQ(item.FileSize, c.size);
        if (c.progress != nullptr) {
            EXPECT_EQ(item.Progress, c.progress);
        }
        EXPECT_NE(item.Progress, L"\u5DF2\u5B8C\u6210");
        EXPECT_EQ(item.Speed, L"0KB/s");
        EXPECT_FALSE(testfiles::Exists(Target(item)));
        thread_.Stop();
        ::CreateDirectoryW(folder_.c_str(), nullptr);
    }
}

}  // namespace
