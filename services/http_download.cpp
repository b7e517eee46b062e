#include "http_download.h"

#include <cstring>

#include "http_download_url.h"
#include "local_helpers.h"

CHttpDownload::CHttpDownload(DWORD receiveTimeoutMs) : m_get(new CHttpGet(receiveTimeoutMs)) {}

CHttpDownload::~CHttpDownload() = default;

bool CHttpDownload::HttpDownload(const char* url, const char* targetPath, int& /*reserved*/, int& fileSize,
                                 const char* proxyHost, int proxyPort, int threadCount) {
    if (!url || !targetPath) return false;
    std::string utf8Url;
    AnsiToUtf8(utf8Url, url, static_cast<int>(std::strlen(url)));
    return Download(utf8Url, AnsiToWide(targetPath), fileSize, proxyHost ? proxyHost : "", proxyPort, threadCount);
}

bool CHttpDownload::HttpDownload(const std::wstring& url, const std::wstring& targetPath, int& fileSize,
                                 const std::string& proxyHost, int proxyPort, int threadCount) {
    return Download(WideToUtf8(url), targetPath, fileSize, proxyHost, proxyPort, threadCount);
}

bool CHttpDownload::Download(const std::string& utf8Url, const std::wstring& targetPath, int& fileSize,
                             const std::string& proxyHost, int proxyPort, int threadCount) {
    HttpTarget target;
    std::string directory;
    std::string file;
    if (targetPath.empty() || !SplitHttpUrl(utf8Url, target.host, target.port, directory, file)) return false;
    target.directory = PercentEncodeUrlText(directory);
    target.file = PercentEncodeUrlText(file);
    if (threadCount < 1) threadCount = 1;
    if (threadCount > CHttpGet::kMaxThreads) threadCount = CHttpGet::kMaxThreads;
    if (proxyHost.empty()) return m_get->DownloadDirect(target, targetPath, fileSize, threadCount);
    return m_get->DownloadViaProxy(target, targetPath, fileSize, proxyHost, proxyPort, threadCount);
}

bool CHttpDownload::Stop() {
    m_get->Stop();
    return true;
}

bool CHttpDownload::GetSpeed(int& kilobytesPerSecond) const {
    kilobytesPerSecond = m_get->GetSpeed();
    return true;
}

bool CHttpDownload::GetDownloadedBytes(int& bytes) const {
    bytes = m_get->GetDownloadedBytes();
    return true;
}
