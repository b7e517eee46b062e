// The segmented downloader's entry point: downloads one URL into a target file through byte
// ranges fetched in parallel into part files beside the target, resumable from those parts.
// The target appears only when every byte of the file arrived; until then it is left alone.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "http_download_get.h"

class CHttpDownload {
public:
    // A connection that stays silent this long fails its request.
    static const DWORD kDefaultReceiveTimeoutMs = 30000;

    explicit CHttpDownload(DWORD receiveTimeoutMs = kDefaultReceiveTimeoutMs);
    virtual ~CHttpDownload();
    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    // Runs the whole download on the calling thread. url and targetPath are texts of the ANSI
    // code page; reserved is not used; fileSize receives the file's length once the probe
    // answered; proxyHost empty (or null) for none; threadCount from 1 to 50. True when the target
    // file holds the whole file.
    bool HttpDownload(const char* url, const char* targetPath, int& reserved, int& fileSize,
                      const char* proxyHost, int proxyPort, int threadCount);
    // The same with UTF-16 texts, so that no character is lost to the code page.
    bool HttpDownload(const std::wstring& url, const std::wstring& targetPath, int& fileSize,
                      const std::string& proxyHost, int proxyPort, int threadCount);

    // Makes the download end soon (from any thread); a stopped downloader stays stopped.
    bool Stop();

    // Counters that any thread may read while the download runs.
    bool GetSpeed(int& kilobytesPerSecond) const;
    bool GetDownloadedBytes(int& bytes) const;
    int GetFileSize() const { return m_get->GetFileSize(); }

private:
    bool Download(const std::string& utf8Url, const std::wstring& targetPath, int& fileSize,
                  const std::string& proxyHost, int proxyPort, int threadCount);

    std::unique_ptr<CHttpGet> m_get;
};
