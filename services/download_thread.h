// One track download on a thread of its own, through the segmented downloader, with the speed,
// size and progress text that the download manager shows.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "http_download.h"
#include "track_info.h"
#include "vela_thread.h"

// Where a download stands.
enum class DownloadState {
    Idle,       // never started
    Running,    // the thread works on it
    Completed,  // the thread ended and the target file holds the whole file
    Failed      // the thread ended without the whole file (error or stop); part files stay
};

// The progress text of a download: "已完成" once completed; otherwise "0%" while the size is
// unknown, else the percentage downloaded plus one, at most 100, followed by "%".
std::wstring FormatDownloadProgress(bool completed, unsigned downloaded, unsigned total);

class CDownloadThread : public CVelaThread {
public:
    CDownloadThread() = default;
    ~CDownloadThread() override;

    // Downloads the track's FileURL into FilePath + "\" + FileName. False when a download of this
    // object still runs or the thread cannot be made.
    bool Start(TrackInfo track);
    unsigned Run() override;
    // Interrupts the transfer, waits for the thread and deletes the downloader.
    bool Stop() override;

    bool GetSpeed(int& kilobytesPerSecond) const;
    bool GetDownloadedBytes(unsigned& bytes) const;
    bool GetTotalBytes(unsigned& bytes) const;
    bool GetProgressText(std::wstring& text) const;
    DownloadState GetState() const { return m_state.load(); }

private:
    TrackInfo m_track;
    mutable CSectionLock m_downloadLock;  // guards the downloader pointer against Stop
    std::unique_ptr<CHttpDownload> m_download;
    std::atomic<DownloadState> m_state{DownloadState::Idle};
};
