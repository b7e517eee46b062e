// The thread base class and the download thread: start and stop, resuming, stalls, failures
// and the progress text the download manager reads.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "download_test_support.h"
#include "download_thread.h"
#include "http_download.h"
#include "message_pump.h"
#include "standin_client.h"
#include "test_files.h"
#include "vela_thread.h"

namespace {

using testfiles::Exists;
using testfiles::ReadAll;
using testfiles::Widen;

const wchar_t kDone[] = L"\u5DF2\u5B8C\u6210";

using testpump::PumpUntil;

unsigned Downloaded(const CDownloadThread& thread) {
    unsigned bytes = 0;
    thread.GetDownloadedBytes(bytes);
    return bytes;
}

std::wstring Progress(const CDownloadThread& thread) {
    std::wstring text;
    thread.GetProgressText(text);
    return text;
}

struct ProgressCase {
    const char* label;
    bool completed;
    unsigned downloaded;
    unsigned total;
    const wchar_t* text;
};

TEST(DownloadProgress, TextFollowsBytesAndCompletion) {
    const ProgressCase cases[] = {
        {"size unknown", false, 0, 0, L"0%"},
        {"nothing yet", false, 0, 1000, L"1%"},
        {"half", false, 500, 1000, L"51%"},
        {"two bytes short", false, 998, 1000, L"100%"},
        {"one byte short", false, 999, 1000, L"100%"},
        {"all bytes, not yet joined", false, 1000, 1000, L"100%"},
        {"complete", true, 1000, 1000, kDone},
        {"large sizes do not overflow", false, 0x7FFFFFFFu, 0xFFFFFFFFu, L"50%"},
    };
    for (const ProgressCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(FormatDownloadProgress(c.completed, c.downloaded, c.total), c.text);
    }
}

// A worker that runs until it is asked to stop.
class WaitingThread : public CVelaThread {
public:
    ~WaitingThread() override { Stop(); }
    unsigned Run() override {
        runs.fetch_add(1);
        WaitForSingleObject(StopEvent(), INFINITE);
        return 7;
    }
    std::atomic<int> runs{0};
};

TEST(VelaThread, StartsOnceStopsAndStartsAgain) {
    WaitingThread thread;
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.Stop()) << "nothing to stop yet";
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_FALSE(thread.Start()) << "a running thread is not started twice";
    EXPECT_TRUE(thread.Stop());
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.Stop());
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(PumpUntil([&] { return thread.runs.load() == 2; }, 5000));
    EXPECT_EQ(thread.runs.load(), 2);
}

// A worker that ends by itself, with the exit code that also means "still active".
class OneShotThread : public CVelaThread {
public:
    ~OneShotThread() override { Stop(); }
    unsigned Run() override {
        runs.fetch_add(1);
        return STILL_ACTIVE;
    }
    std::atomic<int> runs{0};
};

TEST(VelaThread, ThreadThatEndedByItselfIsNotRunningAndStartsAgain) {
    OneShotThread thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(PumpUntil([&] { return !thread.IsRunning(); }, 5000)) << "its exit code is no sign of life";
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(PumpUntil([&] { return thread.runs.load() == 2; }, 5000));
    EXPECT_TRUE(thread.Stop()) << "an ended thread is held until it is stopped";
    EXPECT_FALSE(thread.Stop());
}

// A worker whose body throws.
class ThrowingThread : public CVelaThread {
public:
    ~ThrowingThread() override { Stop(); }
    unsigned Run() override {
        runs.fetch_add(1);
        throw std::runtime_error("the body failed");
    }
    std::atomic<int> runs{0};
};

TEST(VelaThread, AThrowingBodyEndsItsThreadNotTheProgram) {
    ThrowingThread thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(PumpUntil([&] { return thread.runs.load() == 1 && !thread.IsRunning(); }, 5000));
    ASSERT_TRUE(thread.Start()) << "the ended thread leaves the object usable";
    EXPECT_TRUE(PumpUntil([&] { return thread.runs.load() == 2 && !thread.IsRunning(); }, 5000));
    EXPECT_TRUE(thread.Stop());
}

class DownloadThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        folder_ = testfiles::FreshDir(L"dlthread");
    }

    TrackInfo Track(const std::string& name, const std::string& url) const {
        TrackInfo track;
        track.TrackID = L"1";
        track.TrackName = Widen(name);
        track.FileURL = Widen(url);
        track.FilePath = folder_;
        track.FileName = Widen(name);
        return track;
    }

    std::wstring Target(const std::string& name) const { return folder_ + L"\\" + Widen(name); }

    std::wstring folder_;
};

TEST_F(DownloadThreadTest, StopKeepsThePartAndTheNextStartResumesIt) {
    const std::string name = "stop.bin";
    const std::string source = dltest::MakeBytes(400000, 3);
    const std::string url = dltest::PutSource(name, source);
    dltest::PlanRequests(name, "|slow=200000");  // the first range request trickles
    CDownloadThread thread;
    ASSERT_TRUE(thread.Start(Track(name, url)));
    ASSERT_TRUE(PumpUntil([&] { return Downloaded(thread) >= 60000; }, 10000));
    EXPECT_NE(Progress(thread), kDone);
    DWORD before = GetTickCount();
    EXPECT_TRUE(thread.Stop());
    EXPECT_LT(GetTickCount() - before, 2000u);
    EXPECT_EQ(thread.GetState(), DownloadState::Failed);
    EXPECT_FALSE(Exists(Target(name)));
    const std::string part = ReadAll(Target(name) + L"_0");
    ASSERT_GE(part.size(), 60000u);
    ASSERT_LT(part.size(), source.size());
    EXPECT_TRUE(part == source.substr(0, part.size()));

    ASSERT_TRUE(thread.Start(Track(name, url)));
    ASSERT_TRUE(PumpUntil([&] { return !thread.IsRunning(); }, 20000));
    EXPECT_EQ(thread.GetState(), DownloadState::Completed);
    EXPECT_EQ(Progress(thread), kDone);
    EXPECT_TRUE(ReadAll(Target(name)) == source);
    EXPECT_FALSE(Exists(Target(name) + L"_0"));
    std::vector<std::string> requests = dltest::RequestSummary(name);
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[3], "main@" + std::to_string(part.size())) << "the resumed request starts after the part";
}

TEST_F(DownloadThreadTest, BeforeTheProbeAnswersTextIsZeroAndASecondStartIsRefused) {
    const std::string name = "pending.bin";
    const std::string source = dltest::MakeBytes(30000, 12);
    const std::string url = dltest::PutSource(name, source);
    dltest::PlanRequests(name, "delay=1500|");
    CDownloadThread thread;
    ASSERT_TRUE(thread.Start(Track(name, url)));
    Sleep(300);
    EXPECT_EQ(thread.GetState(), DownloadState::Running);
    EXPECT_EQ(Progress(thread), L"0%");
    unsigned total = 1;
    thread.GetTotalBytes(total);
    EXPECT_EQ(total, 0u);
    // A second start while the first download runs changes nothing of it.
    EXPECT_FALSE(thread.Start(Track("other.bin", url)));
    ASSERT_TRUE(PumpUntil([&] { return !thread.IsRunning(); }, 20000));
    EXPECT_EQ(Progress(thread), kDone);
    EXPECT_TRUE(ReadAll(Target(name)) == source);
    EXPECT_FALSE(Exists(Target("other.bin")));
}

TEST_F(DownloadThreadTest, ResumedDownloadCountsThePartAndCompletes) {
    const std::string name = "resumed.bin";
    const std::string source = dltest::MakeBytes(100000, 4);
    const std::string url = dltest::PutSource(name, source);
    ASSERT_TRUE(testfiles::WriteAll(Target(name) + L"_0", source.substr(0, 90000)));
    CDownloadThread thread;
    ASSERT_TRUE(thread.Start(Track(name, url)));
    ASSERT_TRUE(PumpUntil([&] { return !thread.IsRunning(); }, 20000));
    EXPECT_EQ(Progress(thread), kDone);
    unsigned total = 0;
    thread.GetTotalBytes(total);
    EXPECT_EQ(total, 100000u);
    EXPECT_EQ(Downloaded(thread), 100000u);
    EXPECT_TRUE(ReadAll(Target(name)) == source);
}

TEST_F(DownloadThreadTest, StallEndsAtStopOrAtTheReceiveTimeOut) {
    const std::string name = "stall.bin";
    const std::string source = dltest::MakeBytes(200000, 5);
    const std::string url = dltest::PutSource(name, source);
    dltest::PlanRequests(name, "|stall=30000");
    {
        CDownloadThread thread;
        ASSERT_TRUE(thread.Start(Track(name, url)));
        ASSERT_TRUE(PumpUntil([&] { return Downloaded(thread) >= 30000; }, 10000));
        Sleep(300);
        DWORD before = GetTickCount();
        EXPECT_TRUE(thread.Stop());
        EXPECT_LT(GetTickCount() - before, 2000u);
        EXPECT_EQ(thread.GetState(), DownloadState::Failed);
    }
    // Without a stop, a silent server fails the download once the time-out passes.
    ASSERT_TRUE(DeleteFileW((Target(name) + L"_0").c_str()));
    dltest::PlanRequests(name, "|stall=50000");
    CHttpDownload download(1000);
    int fileSize = 0;
    DWORD before = GetTickCount();
    EXPECT_FALSE(download.HttpDownload(Widen(url), Target(name), fileSize, "", 0, 1));
    EXPECT_LT(GetTickCount() - before, 10000u);
    EXPECT_FALSE(Exists(Target(name)));
    EXPECT_EQ(ReadAll(Target(name) + L"_0").size(), 50000u);
}

TEST_F(DownloadThreadTest, SpeedWhileRunningAndNoWaitOnDestruction) {
    const std::string name = "slow.bin";
    const std::string url = dltest::PutSource(name, dltest::MakeBytes(500000, 6));
    dltest::PlanRequests(name, "", "slow=50000");
    std::unique_ptr<CDownloadThread> thread(new CDownloadThread());
    ASSERT_TRUE(thread->Start(Track(name, url)));
    // The speed is measured about once a second over all ranges: 50000 B/s is some 48 KB/s.
    int speed = 0;
    ASSERT_TRUE(PumpUntil([&] { return thread->GetSpeed(speed) && speed > 0; }, 5000));
    EXPECT_GT(speed, 20);
    EXPECT_LT(speed, 100);
    DWORD before = GetTickCount();
    thread.reset();
    EXPECT_LT(GetTickCount() - before, 2000u);
}

TEST_F(DownloadThreadTest, FailuresAreVisible) {
    const std::string name = "missing.bin";
    const std::string url = dltest::PutSource(name, dltest::MakeBytes(1000, 8));
    dltest::PlanRequests(name, "", "status=404");
    struct FailCase {
        const char* label;
        std::string url;
    } cases[] = {{"empty URL", ""}, {"404", url}, {"nobody listening", "http://127.0.0.1:1/x.bin"}};
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.label);
        CDownloadThread thread;
        EXPECT_EQ(thread.GetState(), DownloadState::Idle);
        ASSERT_TRUE(thread.Start(Track(name, c.url)));
        ASSERT_TRUE(PumpUntil([&] { return !thread.IsRunning(); }, 20000));
        EXPECT_EQ(thread.GetState(), DownloadState::Failed);
        EXPECT_EQ(Progress(thread), L"0%");
        EXPECT_FALSE(Exists(Target(name)));
    }
}

TEST_F(DownloadThreadTest, NameOutsideTheCodePageIsKept) {
    const std::string name = "a b \xE4\xBD\xA0\xE5\xA5\xBD \xC3\x9F.mp3";  // "ß" is not in code page 936
    const std::string source = dltest::MakeBytes(20000, 9);
    const std::string url = dltest::PutSource(name, source);
    if (!dltest::FileSystemTakesName(folder_, Widen(name))) GTEST_SKIP() << "the file system here takes no such name";
    CDownloadThread thread;
    ASSERT_TRUE(thread.Start(Track(name, url)));
    ASSERT_TRUE(PumpUntil([&] { return !thread.IsRunning(); }, 20000));
    EXPECT_EQ(thread.GetState(), DownloadState::Completed);
    EXPECT_TRUE(ReadAll(Target(name)) == source);
}

}  // namespace
