#include "inet_file.h"

#include <new>
#include <vector>

#include "inet_session.h"
#include "win_files.h"

namespace {

const wchar_t kConnectFailedText[] = L"连接服务器失败, 请选择其他服务器进行尝试";
// Largest read of a reply body: what WinINet has at hand is taken at once, up to this.
const DWORD kReadBytes = 64 * 1024;
// Bytes of a body of unknown length between two progress messages.
const uint64_t kUnknownLengthStep = 64 * 1024;

// The local file of a job, created anew for writing.
class LocalFile {
public:
    explicit LocalFile(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}

    bool IsOpen() const { return handle_.IsValid(); }
    bool Write(const void* data, DWORD size) { return WriteAllBytes(handle_.Get(), data, size); }
    // False when closing reports that the file could not be written whole.
    bool Close() { return handle_.Close(); }

private:
    CScopedHandle handle_;
};

// Content-Length as a number; false when absent or not a plain decimal number.
bool ParseContentLength(const std::wstring& text, uint64_t& value) {
    value = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == L' ') ++i;
    size_t start = i;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (value > (UINT64_MAX - 9) / 10) return false;
        value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
    }
    return i > start;
}

}  // namespace

std::wstring JobResultText(DWORD code) {
    switch (code) {
    case kJobBadUrl: return L"URL解析错误, 请选择其他服务器进行尝试";
    case kJobInternetFailed: return L"服务器拒绝连接, 请选择其他服务器进行尝试";
    case kJobRedirectFailed: return L"重定向失败, 请选择其他服务器进行尝试";
    case kJobRedirectUrlBad: return L"重定向URL解析错误, 请选择其他服务器进行尝试";
    case kJobNotHttp: return L"不是HTTP连接, 请选择其他服务器进行尝试";
    case kJobHttpStatus: return L"取得服务器文件失败, 请选择其他服务器进行尝试";
    case kJobCreateFileFailed: return L"创建本地文件失败";
    case kJobCancelled: return L"主动取消连接";
    case kJobUrlWrong: return L"URL不正确";
    case kJobWriteFailed: return L"写入本地文件失败";
    case kJobBodyShort: return L"下载的数据不完整, 请选择其他服务器进行尝试";
    default: return kConnectFailedText;
    }
}

// The session of the jobs; status notifications are accepted and ignored.
class CInetFile::CInetFileSession : public CInternetSession {
public:
    CInetFileSession() : CInternetSession(L"PatchRun - MFC App", 1) {}

protected:
    void OnStatusCallback(DWORD_PTR, DWORD, void*, DWORD) override {}
};

std::unique_ptr<CInternetSession> NewJobSession() { return std::make_unique<CInetFile::CInetFileSession>(); }

bool ProgressStepChanged(uint64_t before, uint64_t after, DWORD expectedLength) {
    // The first bytes always show: the tray's tip and animation start with them.
    if (before == 0 && after > 0) return true;
    if (expectedLength == 0) return before / kUnknownLengthStep != after / kUnknownLengthStep;
    uint64_t was = before * 100 / expectedLength, is = after * 100 / expectedLength;
    // Past the expected length the bar stays full.
    return (was < 100 ? was : 100) != (is < 100 ? is : 100);
}

CInetFile::CInetFile() : errorText_(kConnectFailedText) {}

CInetFile::~CInetFile() {
    cancel_ = true;
    WaitThread();
}

bool CInetFile::Start() {
    ++startCount_;
    WaitThread();
    cancel_ = false;
    return StartThread();
}

void CInetFile::ThrowError(DWORD code) {
    errorText_ = JobResultText(code);
    throw CInetFileException(code);
}

std::wstring CInetFile::LocalFileName() const {
    return kind == kJobFile ? target + L".update" : target;
}

void CInetFile::Post(UINT message, DWORD low) {
    if (!notifyWindow) return;
    WPARAM w = MAKEWPARAM(static_cast<WORD>(low), static_cast<WORD>(kind));
    PostMessageW(notifyWindow, message, w, reinterpret_cast<LPARAM>(this));
}

void CInetFile::Run() {
    DWORD result = Download();
    Post(WM_JOB_DONE, result);
}

DWORD CInetFile::Download() {
    try {
        if (session) return DownloadThrough(*session);
        CInetFileSession own;
        DWORD result = DownloadThrough(own);
        own.Close();
        return result;
    } catch (const CInternetException&) {
        return kJobInternetFailed;
    } catch (const std::bad_alloc&) {
        return kJobInternetFailed;
    }
}

DWORD CInetFile::DownloadThrough(CInternetSession& through) {
    DWORD result = kJobOk;
    bool wroteFile = false;
    try {
        try {
            ParsedUrl parts;
            if (!ParseUrl(url, parts) || parts.scheme != INTERNET_SCHEME_HTTP) ThrowError(kJobBadUrl);
            if (statusCallback) through.EnableStatusCallback(true);

            CHttpConnection connection(through, parts.server, parts.port);
            CHttpFile request(connection, L"GET", parts.object, INTERNET_FLAG_RELOAD);
            request.AddRequestHeaders(L"Accept: */*\r\nUser-Agent: PatchRun_Quill\r\n",
                                      HTTP_ADDREQ_FLAG_ADD_IF_NEW);
            request.SendRequest();
            if (request.QueryStatusCode() != HTTP_STATUS_OK) ThrowError(kJobHttpStatus);

            // WinINet ends a body that the server cut short like a complete one, so the length
            // announced by the reply (and, for a file, the list's) is checked after reading.
            std::wstring lengthText;
            uint64_t announced = 0;
            bool hasLength = request.QueryInfo(HTTP_QUERY_CONTENT_LENGTH, lengthText) &&
                             ParseContentLength(lengthText, announced);

            LocalFile file(LocalFileName());
            if (!file.IsOpen()) ThrowError(kJobCreateFileFailed);
            wroteFile = true;

            received_ = 0;
            uint64_t total = 0;
            uint64_t posted = 0;
            std::vector<char> buffer(kReadBytes);
            for (;;) {
                // What has arrived is read at once (so that a cancel is seen soon); with nothing
                // at hand, the read waits for the next bytes or the end.
                DWORD available = request.DataAvailable();
                DWORD want = available > 0 && available < kReadBytes ? available : kReadBytes;
                DWORD got = request.Read(buffer.data(), want);
                if (got == 0) break;
                if (!file.Write(buffer.data(), got)) ThrowError(kJobWriteFailed);
                total += got;
                received_ = static_cast<DWORD>(total);
                if (ProgressStepChanged(posted, total, expectedLength)) {
                    uint64_t chunk = total - posted;
                    Post(WM_JOB_PROGRESS, chunk < 0xFFFF ? static_cast<DWORD>(chunk) : 0xFFFF);
                    posted = total;
                }
                if (cancel_) {
                    result = kJobCancelled;
                    break;
                }
            }
            if (!file.Close()) ThrowError(kJobWriteFailed);
            if (result == kJobOk) {
                if ((hasLength && total < announced) || total < expectedLength) ThrowError(kJobBodyShort);
            }
        } catch (const CInetFileException& e) {
            result = e.Code();
        }
    } catch (const CInternetException&) {
        result = kJobInternetFailed;
    } catch (const std::bad_alloc&) {
        result = kJobInternetFailed;
    }
    // What a failed or cancelled job wrote is of no use and must not be left in the install
    // folder (the file closed when its scope ended).
    if (result != kJobOk && wroteFile) DeleteFileW(LocalFileName().c_str());
    return result;
}

CInetFiles::~CInetFiles() { Clear(); }

void CInetFiles::Add(CInetFile* job) {
    CSectionGuard guard(lock_);
    jobs_.push_back(job);
}

size_t CInetFiles::GetCount() {
    CSectionGuard guard(lock_);
    return jobs_.size();
}

CInetFile* CInetFiles::GetHead() {
    CSectionGuard guard(lock_);
    return jobs_.empty() ? nullptr : jobs_.front();
}

void CInetFiles::Remove(CInetFile* job) {
    CSectionGuard guard(lock_);
    bool found = false;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if (*it == job) {
            it = jobs_.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    if (found) delete job;
}

void CInetFiles::Clear() {
    CSectionGuard guard(lock_);
    while (!jobs_.empty()) {
        CInetFile* job = jobs_.front();
        jobs_.pop_front();
        delete job;
    }
}
