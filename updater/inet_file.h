// One download job of the updater (server list, file list or one file) on a thread of its own,
// reporting to a window by posted messages, and the locked queue of jobs.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "quill_thread.h"
#include "win_owners.h"

// Posted by a job to its notify window. wParam: low word = bytes since the last progress message,
// at most 0xFFFF (progress), or result code (done), high word = the job's kind; lParam = the job.
// Progress is posted only when the job's shown percentage changes (ProgressStepChanged); the
// bytes received so far are the job's Received().
constexpr UINT WM_JOB_PROGRESS = WM_USER + 100;
constexpr UINT WM_JOB_DONE = WM_USER + 101;

enum JobKind : int { kJobServerList = 0, kJobFileList = 1, kJobFile = 2 };

// Result codes of a run.
enum JobResult : DWORD {
    kJobOk = 0,
    kJobBadUrl = 1,
    kJobInternetFailed = 2,
    kJobRedirectFailed = 3,
    kJobRedirectUrlBad = 4,
    kJobNotHttp = 5,
    kJobHttpStatus = 6,
    kJobCreateFileFailed = 7,
    kJobCancelled = 8,
    kJobUrlWrong = 9,
    kJobWriteFailed = 10,
    kJobBodyShort = 11,
    kJobThreadFailed = 12,
};

// The text that goes with a result code.
std::wstring JobResultText(DWORD code);

class CInternetSession;

// The WinINet session of the updater's jobs ("PatchRun - MFC App", the system's access
// settings); throws CInternetException when it cannot be opened.
std::unique_ptr<CInternetSession> NewJobSession();

// Whether receiving moved a job from before to after bytes to another shown step: the first
// bytes, then the whole percentage of expectedLength, or, with no length expected, another 64 KiB.
bool ProgressStepChanged(uint64_t before, uint64_t after, DWORD expectedLength);

class CInetFile : public CQuillThread {
public:
    class CInetFileException {
    public:
        explicit CInetFileException(DWORD code) : code_(code) {}
        DWORD Code() const { return code_; }

    private:
        DWORD code_;
    };

    CInetFile();
    ~CInetFile() override;

    // Starts a run (after waiting for the previous one); false when no thread could be created.
    bool Start();
    std::wstring GetErrorText() const { return errorText_; }
    [[noreturn]] void ThrowError(DWORD code);

    // The local file a run writes: the target, with ".update" appended for a file job.
    std::wstring LocalFileName() const;

    // Set before Start and not changed while the job runs.
    bool statusCallback = false;
    int kind = kJobFile;
    std::wstring target;
    std::wstring displayName;
    std::wstring url;
    HWND notifyWindow = nullptr;
    std::wstring serverName;
    DWORD expectedLength = 0;
    bool Register = false;
    bool ZipFile = false;
    bool ForceOverwrite = false;
    bool Execute = false;
    std::wstring ExecutePar;
    // The session that the job's requests go through, shared by the jobs of one run (they run
    // one at a time) and outliving them; null: the job opens a session of its own.
    CInternetSession* session = nullptr;

    int StartCount() const { return startCount_; }
    DWORD Received() const { return received_.load(); }

    // The session kind that the jobs open (see NewJobSession).
    class CInetFileSession;

protected:
    void Run() override;

private:
    DWORD Download();
    DWORD DownloadThrough(CInternetSession& through);
    void Post(UINT message, DWORD low);

    std::wstring errorText_;
    std::atomic<bool> cancel_{false};
    int startCount_ = 0;
    std::atomic<DWORD> received_{0};
};

// The job queue, in insertion order; it owns its jobs.
class CInetFiles {
public:
    CInetFiles() = default;
    ~CInetFiles();
    CInetFiles(const CInetFiles&) = delete;
    CInetFiles& operator=(const CInetFiles&) = delete;

    void Add(CInetFile* job);
    size_t GetCount();
    CInetFile* GetHead();
    // Takes every occurrence of the job out and deletes it (waiting for its thread).
    void Remove(CInetFile* job);
    void Clear();

private:
    std::list<CInetFile*> jobs_;
    CSectionLock lock_;
};
