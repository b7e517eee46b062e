// One download job of the updater (server list, file list or one file) on a thread of its own,
// reporting to a window by posted messages, and the locked queue of jobs.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <string>

#include "quill_thread.h"
#include "win_owners.h"

// Posted by a job to its notify window. wParam: low word = chunk bytes (progress) or result code
// (done), high word = the job's kind; lParam = the job.
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

    int StartCount() const { return startCount_; }
    DWORD Received() const { return received_.load(); }

protected:
    void Run() override;

private:
    class CInetFileSession;
    DWORD Download();
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
