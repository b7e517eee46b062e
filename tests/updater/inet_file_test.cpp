// Download jobs against the stand-in: progress and completion messages, result codes, the local
// file they leave, cancellation, restarts and the idle signal of the thread base.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "inet_file.h"
#include "inet_session.h"
#include "standin_client.h"
#include "test_files.h"

namespace {

std::wstring Url(const std::string& path) { return testfiles::Widen(standin::BaseUrl() + path); }

// A message-only window that collects what a job posts.
class JobListener {
public:
    JobListener() { hwnd_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr); }
    ~JobListener() { DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }

    struct Done {
        DWORD code = 0xFFFF;
        int kind = -1;
    };
    // Pumps until WM_JOB_DONE arrives (or the time is up).
    Done WaitDone(DWORD timeoutMs = 30000) {
        Done done;
        DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            MSG msg;
            while (PeekMessageW(&msg, hwnd_, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_JOB_PROGRESS) chunks.push_back(LOWORD(msg.wParam));
                if (msg.message == WM_JOB_DONE) {
                    done.code = LOWORD(msg.wParam);
                    done.kind = HIWORD(msg.wParam);
                    return done;
                }
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_POSTMESSAGE);
        }
        return done;
    }
    std::vector<WORD> chunks;

private:
    HWND hwnd_;
};

std::unique_ptr<CInetFile> MakeJob(JobListener& listener, int kind, const std::wstring& url, const std::wstring& target) {
    auto job = std::make_unique<CInetFile>();
    job->statusCallback = true;
    job->kind = kind;
    job->notifyWindow = listener.hwnd();
    job->url = url;
    job->target = target;
    return job;
}

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
}

}  // namespace

// Progress goes out only when the shown percentage moves: a small file gives one message, a
// large one at most one per percent, and the bytes they carry add up to the body.
TEST(InetFile, FetchesWithTheRequestedHeadersAndPostsProgressPerShownPercent) {
    standin::Reset();
    const std::string body = Bytes(2500);
    standin::PutFile("job.bin", body);
    const std::string large = Bytes(1000000);
    standin::PutFile("large.bin", large);
    std::wstring dir = testfiles::FreshDir(L"jobs");
    JobListener listener;

    auto file = MakeJob(listener, kJobFile, Url("/files/job.bin"), dir + L"\\job.bin");
    file->expectedLength = 2500;
    ASSERT_TRUE(file->Start());
    JobListener::Done done = listener.WaitDone();
    EXPECT_EQ(done.code, 0u);
    EXPECT_EQ(done.kind, kJobFile);
    ASSERT_FALSE(listener.chunks.empty());
    EXPECT_LE(listener.chunks.size(), 2u);  // the body may come in two reads, never in more steps
    unsigned sum = 0;
    for (WORD chunk : listener.chunks) sum += chunk;
    EXPECT_EQ(sum, 2500u);
    EXPECT_EQ(file->Received(), 2500u);
    EXPECT_EQ(testfiles::ReadAll(dir + L"\\job.bin.update"), body);
    EXPECT_FALSE(testfiles::Exists(dir + L"\\job.bin"));

    listener.chunks.clear();
    auto big = MakeJob(listener, kJobFile, Url("/files/large.bin"), dir + L"\\large.bin");
    big->expectedLength = 1000000;
    ASSERT_TRUE(big->Start());
    EXPECT_EQ(listener.WaitDone().code, 0u);
    EXPECT_LE(listener.chunks.size(), 101u);  // the first bytes, then each whole percent
    sum = 0;
    for (WORD chunk : listener.chunks) sum += chunk;
    EXPECT_EQ(sum, 1000000u);  // a percent of this file is less than one read
    EXPECT_TRUE(testfiles::ReadAll(dir + L"\\large.bin.update") == large);

    // A list job writes its target itself.
    listener.chunks.clear();
    auto list = MakeJob(listener, kJobFileList, Url("/files/job.bin"), dir + L"\\list.xml");
    ASSERT_TRUE(list->Start());
    done = listener.WaitDone();
    EXPECT_EQ(done.code, 0u);
    EXPECT_EQ(done.kind, kJobFileList);
    EXPECT_EQ(testfiles::ReadAll(dir + L"\\list.xml"), body);

    std::vector<std::string> log = standin::RequestsMatching("/files/job.bin");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].rfind("GET /files/job.bin HTTP/1.0", 0), 0u) << log[0];
    EXPECT_NE(log[0].find("Accept: */*"), std::string::npos) << log[0];
    EXPECT_NE(log[0].find("User-Agent: "), std::string::npos) << log[0];
}

TEST(InetFile, ProgressStepsAreTheFirstBytesThenWholePercentsOr64KiBWithoutALength) {
    const struct {
        uint64_t before, after;
        DWORD expected;
        bool changed;
    } cases[] = {
        {0, 1, 1000, true},          // the first bytes always show
        {0, 1, 0, true},
        {1, 9, 1000, false},         // 0% to 0%
        {9, 10, 1000, true},         // to 1%
        {10, 19, 1000, false},
        {990, 1000, 1000, true},     // to 100%
        {1000, 5000, 1000, false},   // more than expected: the bar stays full
        {0, 4294967295u, 4294967295u, true},
        {1, 65535, 0, false},        // no length: a step is 64 KiB
        {65535, 65536, 0, true},
        {65536, 131071, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressStepChanged(c.before, c.after, c.expected), c.changed)
            << c.before << " -> " << c.after << " of " << c.expected;
    }
}

TEST(InetFile, FailuresGiveTheirResultCodes) {
    standin::Reset();
    standin::PutFile("f.bin", Bytes(5000));
    std::wstring dir = testfiles::FreshDir(L"jobfail");
    struct Case {
        const char* what;
        std::wstring url;
        std::wstring target;
        DWORD expectedLength;
        DWORD code;
    } cases[] = {
        {"404", Url("/files/nothing.bin"), dir + L"\\a.bin", 0, kJobHttpStatus},
        {"500", Url("/files/f.bin?_b=status=500"), dir + L"\\b.bin", 0, kJobHttpStatus},
        {"https", L"https://127.0.0.1:1/x.bin", dir + L"\\c.bin", 0, kJobBadUrl},
        {"ftp", L"ftp://127.0.0.1/x.bin", dir + L"\\d.bin", 0, kJobBadUrl},
        {"not a url", L"no url at all", dir + L"\\e.bin", 0, kJobBadUrl},
        {"missing folder", Url("/files/f.bin"), dir + L"\\no such folder\\f.bin", 0, kJobCreateFileFailed},
        {"body cut short", Url("/files/f.bin?_b=cut=3000"), dir + L"\\g.bin", 0, kJobBodyShort},
        {"shorter than listed", Url("/files/f.bin"), dir + L"\\h.bin", 6000, kJobBodyShort},
        {"nobody listening", L"http://127.0.0.1:9/x.bin", dir + L"\\i.bin", 0, kJobInternetFailed},
    };
    for (const Case& c : cases) {
        JobListener listener;
        auto job = MakeJob(listener, kJobFile, c.url, c.target);
        job->expectedLength = c.expectedLength;
        ASSERT_TRUE(job->Start()) << c.what;
        EXPECT_EQ(listener.WaitDone().code, c.code) << c.what;
        // A failed WinINet call keeps the job's initial text; the others bring their own.
        std::wstring text = c.code == kJobInternetFailed ? L"连接服务器失败, 请选择其他服务器进行尝试" : JobResultText(c.code);
        EXPECT_EQ(job->GetErrorText(), text) << c.what;
        // A failed job removes what it wrote: a cut-short body never stays beside the installed files.
        EXPECT_FALSE(testfiles::Exists(c.target + L".update")) << c.what;
        EXPECT_FALSE(testfiles::Exists(c.target)) << c.what;
    }
}

// The jobs of a run go through one session, one after another; a failed job leaves it usable.
TEST(InetFile, JobsOfARunShareOneSession) {
    standin::Reset();
    standin::PutFile("s1.bin", Bytes(3000));
    standin::PutFile("s2.bin", Bytes(70000));
    std::wstring dir = testfiles::FreshDir(L"jobsession");
    std::unique_ptr<CInternetSession> session = NewJobSession();
    ASSERT_NE(session, nullptr);
    const struct {
        const char* path;
        DWORD code;
    } runs[] = {{"/files/s1.bin", 0}, {"/files/none.bin", kJobHttpStatus}, {"/files/s2.bin", 0}, {"/files/s1.bin", 0}};
    int index = 0;
    for (const auto& run : runs) {
        JobListener listener;
        auto job = MakeJob(listener, kJobFile, Url(run.path), dir + L"\\f" + std::to_wstring(index++));
        job->session = session.get();
        ASSERT_TRUE(job->Start());
        EXPECT_EQ(listener.WaitDone().code, run.code) << run.path;
    }
    EXPECT_EQ(testfiles::ReadAll(dir + L"\\f2.update"), Bytes(70000));
    EXPECT_EQ(testfiles::ReadAll(dir + L"\\f3.update"), Bytes(3000));
}

TEST(InetFile, DeletingARunningJobCancelsItAfterTheCurrentChunk) {
    standin::Reset();
    standin::PutFile("slow.bin", Bytes(200000));
    std::wstring dir = testfiles::FreshDir(L"jobcancel");
    JobListener listener;
    auto job = MakeJob(listener, kJobFile, Url("/files/slow.bin?_b=slow=20000"), dir + L"\\s.bin");
    ASSERT_TRUE(job->Start());
    Sleep(500);
    job.reset();  // returns only when the thread has ended

    MSG msg;
    DWORD code = 0xFFFF;
    while (PeekMessageW(&msg, listener.hwnd(), 0, 0, PM_REMOVE)) {
        if (msg.message == WM_JOB_DONE) code = LOWORD(msg.wParam);
    }
    EXPECT_EQ(code, static_cast<DWORD>(kJobCancelled));
    // The part written before the cancel is gone with the job.
    EXPECT_FALSE(testfiles::Exists(dir + L"\\s.bin.update"));
    EXPECT_FALSE(testfiles::Exists(dir + L"\\s.bin"));
}

TEST(InetFile, ASecondStartWaitsForTheFirstRun) {
    standin::Reset();
    standin::PutFile("twice.bin", Bytes(3000));
    std::wstring dir = testfiles::FreshDir(L"jobtwice");
    JobListener listener;
    auto job = MakeJob(listener, kJobFile, Url("/files/twice.bin?_b=delay=300"), dir + L"\\t.bin");
    ASSERT_TRUE(job->Start());
    ASSERT_TRUE(job->Start());
    EXPECT_EQ(job->StartCount(), 2);
    EXPECT_EQ(listener.WaitDone().code, 0u);
    EXPECT_EQ(listener.WaitDone().code, 0u);
    EXPECT_EQ(standin::RequestsMatching("/files/twice.bin").size(), 2u);
}

namespace {

class QuickThread : public CQuillThread {
public:
    ~QuickThread() override { WaitThread(); }
    bool failCreation = false;
    int runs = 0;

    bool throwInRun = false;

protected:
    void Run() override {
        ++runs;
        if (throwInRun) throw std::runtime_error("the run failed");
    }
    HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE routine, void* param, DWORD* id) override {
        return failCreation ? nullptr : CQuillThread::CreateWorkerThread(routine, param, id);
    }
};

}  // namespace

TEST(QuillThread, IdleAfterEveryRunAlsoAQuickOneOrOneThatCouldNotStart) {
    QuickThread thread;
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(thread.StartThread());
        thread.WaitThread();  // would hang if the run's "idle" had been overwritten
        EXPECT_FALSE(thread.IsBusy());
    }
    EXPECT_EQ(thread.runs, 50);

    thread.failCreation = true;
    EXPECT_FALSE(thread.StartThread());
    EXPECT_FALSE(thread.IsBusy());
    thread.WaitThread();
    EXPECT_EQ(thread.runs, 50);
}

TEST(QuillThread, ARunThatThrowsEndsIdleAndTheProgramGoesOn) {
    QuickThread thread;
    thread.throwInRun = true;
    ASSERT_TRUE(thread.StartThread());
    thread.WaitThread();  // would hang if the throw had skipped the "idle"
    EXPECT_FALSE(thread.IsBusy());
    EXPECT_EQ(thread.runs, 1);
    ASSERT_TRUE(thread.StartThread());
    thread.WaitThread();
    EXPECT_EQ(thread.runs, 2);
}
