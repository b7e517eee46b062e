#include "download_thread.h"

std::wstring FormatDownloadProgress(bool completed, unsigned downloaded, unsigned total) {
    if (completed) return L"\u5DF2\u5B8C\u6210";  // "已完成"
    if (total == 0) return L"0%";
    unsigned long long percent = static_cast<unsigned long long>(downloaded) * 100 / total + 1;
    if (percent > 100) percent = 100;
    return std::to_wstring(percent) + L"%";
}

CDownloadThread::~CDownloadThread() { Stop(); }

bool CDownloadThread::Start(TrackInfo track) {
    if (IsRunning()) return false;
    m_track = std::move(track);
    {
        CSectionGuard hold(m_downloadLock);
        m_download.reset(new CHttpDownload());
    }
    m_state.store(DownloadState::Running);
    if (CVelaThread::Start()) return true;
    m_state.store(DownloadState::Failed);
    return false;
}

unsigned CDownloadThread::Run() {
    const std::wstring& url = m_track.FileURL;
    const std::wstring& folder = m_track.FilePath;
    const std::wstring& name = m_track.FileName;
    std::wstring target = folder;
    if (!target.empty() && target.back() != L'\\' && target.back() != L'/') target += L'\\';
    target += name;
    bool done = false;
    if (!url.empty() && !name.empty()) {
        CHttpDownload* download;
        {
            CSectionGuard hold(m_downloadLock);
            download = m_download.get();
        }
        // Stop deletes the downloader only after this thread ended.
        int fileSize = 0;
        done = download && download->HttpDownload(url, target, fileSize, std::string(), 0, 1);
    }
    m_state.store(done ? DownloadState::Completed : DownloadState::Failed);
    return 0;
}

bool CDownloadThread::Stop() {
    {
        CSectionGuard hold(m_downloadLock);
        if (m_download) m_download->Stop();
    }
    bool stopped = CVelaThread::Stop();
    CSectionGuard hold(m_downloadLock);
    m_download.reset();
    return stopped;
}

bool CDownloadThread::GetSpeed(int& kilobytesPerSecond) const {
    CSectionGuard hold(m_downloadLock);
    kilobytesPerSecond = 0;
    if (m_download) m_download->GetSpeed(kilobytesPerSecond);
    return true;
}

bool CDownloadThread::GetDownloadedBytes(unsigned& bytes) const {
    CSectionGuard hold(m_downloadLock);
    int downloaded = 0;
    if (m_download) m_download->GetDownloadedBytes(downloaded);
    bytes = downloaded > 0 ? static_cast<unsigned>(downloaded) : 0;
    return true;
}

bool CDownloadThread::GetTotalBytes(unsigned& bytes) const {
    CSectionGuard hold(m_downloadLock);
    int total = m_download ? m_download->GetFileSize() : 0;
    bytes = total > 0 ? static_cast<unsigned>(total) : 0;
    return true;
}

bool CDownloadThread::GetProgressText(std::wstring& text) const {
    unsigned downloaded = 0;
    unsigned total = 0;
    GetTotalBytes(total);
    GetDownloadedBytes(downloaded);
    text = FormatDownloadProgress(GetState() == DownloadState::Completed, downloaded, total);
    return true;
}
