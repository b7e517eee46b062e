// The updater's dialog: server list, file list and the queue of download jobs, run one at a
// time in queue order: the next starts as soon as one has finished, and a 100 ms timer starts
// any that is waiting. Every step goes into the log list.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>

#include "inet_file.h"
#include "inet_session.h"
#include "servers.h"
#include "update_files.h"
#include "win_app.h"
#include "win_controls.h"

constexpr UINT WM_TRAY_NOTIFY = WM_USER + 102;

class CPatchRunnerDlg : public CDialog {
public:
    CPatchRunnerDlg(std::wstring serverListUrl, bool autoMode);
    ~CPatchRunnerDlg() override;

    void GetServerList(const std::wstring& url);
    void OnUpdateNow();
    void AddLog(const std::wstring& text, DWORD_PTR itemData);
    void RefillServerCombo();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM w, LPARAM l, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void DoDataExchange();
    void OnPaint();
    void OnTimer(UINT_PTR id);
    // Starts the head of the queue when no job runs and it has not been started; under lock_.
    void StartNextJob();
    LRESULT OnDownloadProgress(WPARAM w, LPARAM l);
    LRESULT OnDownloadComplete(WPARAM w, LPARAM l);
    // Acts on the end of a job and takes it out of the queue.
    void FinishJob(CInetFile* job, DWORD code);
    void OnServerListArrived(CInetFile* job, DWORD code);
    void OnFileListArrived(CInetFile* job, DWORD code);
    // Loads a downloaded file list and queues one job per file that needs an update.
    void QueueListedFiles(CInetFile* job);
    void OnFileArrived(CInetFile* job, DWORD code);
    void InstallDownloadedFile(CInetFile* job);
    void QueueListJob(int kind, const std::wstring& url, const std::wstring& serverName);
    // The fields every job of this dialog shares.
    CInetFile* NewJob(int kind);
    void EnableControls(bool enable);
    void RemoveTrayIcon();

    std::wstring serverListUrl_;
    bool autoMode_;

    HICON icon_ = nullptr;
    CButton autoSelectButton_;
    CButton updateNowButton_;
    CProgressCtrl currentProgress_;
    CProgressCtrl totalProgress_;
    CComboBox serverCombo_;
    DWORD filesToUpdate_ = 0;
    DWORD totalLength_ = 0;
    DWORD downloadedBytes_ = 0;  // of the file jobs that have ended since the last list request
    CSectionLock lock_;
    // One WinINet session for every job of the run; null when it could not be opened (each job
    // then tries its own). Outlives the job queue.
    std::unique_ptr<CInternetSession> session_;
    CServers servers_;
    CUpdateFiles files_;
    CInetFiles jobs_;
    CListBox log_;
    DWORD maxRunningJobs_ = 5;
    DWORD runningJobs_ = 0;
    bool trayShown_ = false;
    NOTIFYICONDATAW tray_{};
    unsigned trayFrame_ = 0;
};

// Whole percent 0..100 of part in whole (0 for an empty whole), for any 32-bit byte counts.
int ProgressPercent(uint32_t part, uint32_t whole);

// "%s" formatting of one wide text into a pattern (the log lines).
std::wstring FormatText(const wchar_t* pattern, ...);
