#include "http_fetch.h"

#include "local_helpers.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

const int kBlockBytes = 1024;
const int kDownloadTimeoutMs = 5000;

// How the end of the body is known: its announced length (lengthKnown), else the last chunk of a
// chunked body or the server's close. False for a body that cannot be taken: an unreadable or too
// large length, or a transfer coding other than chunks alone (such a body is never decoded).
bool ReadBodyFraming(const CHttpSocket& socket, bool& lengthKnown, unsigned long long& length) {
    lengthKnown = false;
    length = 0;
    std::string field;
    if (socket.BodyChunked()) return true;  // chunks frame the body, whatever length is announced
    if (socket.GetHeaderValue("Transfer-Encoding", field) && field != "identity") return false;
    lengthKnown = socket.GetContentLengthField(length);
    if (lengthKnown) return length <= kMaxFetchBodyBytes;
    return !socket.GetHeaderValue("Content-Length", field);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CTargetFile

CTargetFile::CTargetFile() : m_expectedSize(0) {}

CTargetFile::~CTargetFile() = default;

void CTargetFile::SetFile(const std::wstring& path, unsigned long expectedSize) {
    Close();
    m_path = path;
    m_expectedSize = expectedSize;
}

bool CTargetFile::Open() {
    if (IsOpen()) return true;
    if (m_path.empty()) return false;
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    m_file.Reset(CreateFileW(m_path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (m_file.IsValid()) return true;
    m_file.Reset(CreateFileW(m_path.c_str(), access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsValid()) return false;
    if (m_expectedSize != 0) {
        // Give the new file its whole size at once, so that blocks are written in place.
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(m_expectedSize);
        LARGE_INTEGER start = {};
        if (!SetFilePointerEx(m_file.Get(), size, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file.Get()) ||
            !SetFilePointerEx(m_file.Get(), start, nullptr, FILE_BEGIN)) {
            Close();
            DeleteFileW(m_path.c_str());
            return false;
        }
    }
    return true;
}

bool CTargetFile::WriteAt(const void* data, unsigned long& count, unsigned long long offset) {
    const unsigned long wanted = count;
    count = 0;
    if (!Open()) return false;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN)) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(m_file.Get(), data, wanted, &written, nullptr);
    count = written;
    return ok && written == wanted;
}

bool CTargetFile::Truncate(unsigned long long length) {
    if (!IsOpen()) return false;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN) && SetEndOfFile(m_file.Get());
}

void CTargetFile::Close() { m_file.Close(); }

// ---------------------------------------------------------------------------------------------
// HttpPost

bool HttpPost::FetchToMemory(const std::string& url, char*& body) {
    if (body) return Get(url, body, kBlockBytes);
    if (!OpenGet(url)) return false;
    // Any status counts, error pages too; but an answer that ended or stalled before the end of
    // its header (or never came) has no body to give.
    if (!HeaderComplete()) {
        Close();
        return false;
    }
    unsigned long long announced = 0;
    bool lengthKnown = false;
    if (!ReadBodyFraming(*this, lengthKnown, announced)) {
        Close();
        return false;
    }
    std::vector<char> data;
    bool complete = true;
    try {
        if (lengthKnown) data.reserve(static_cast<size_t>(announced));
        char block[kBlockBytes];
        for (;;) {
            size_t want = kBlockBytes;
            if (lengthKnown) {
                if (data.size() >= announced) break;
                if (announced - data.size() < want) want = static_cast<size_t>(announced - data.size());
            } else if (data.size() >= kMaxFetchBodyBytes) {
                complete = false;  // too large to keep
                break;
            }
            int got = Receive(block, static_cast<int>(want));
            if (got <= 0) {
                // The end of a body without length is the server's close; a time-out is not.
                complete = !lengthKnown && got == 0;
                break;
            }
            data.insert(data.end(), block, block + got);
        }
        Close();
        if (!complete) return false;
        char* result = new char[data.size() + 2];
        if (!data.empty()) std::memcpy(result, data.data(), data.size());
        result[data.size()] = '\0';
        result[data.size() + 1] = '\0';
        body = result;
        return true;
    } catch (const std::bad_alloc&) {
        Close();
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// MusicDown

MusicDown::MusicDown() : m_contentLength(0) {}

MusicDown::~MusicDown() { Close(); }

bool MusicDown::SetTargetFile(const std::wstring& path) {
    m_targetFile = path;
    return true;
}

bool MusicDown::ReceiveBodyToFile(CTargetFile& file, bool lengthKnown, unsigned long long& written) {
    written = 0;
    char block[kBlockBytes];
    for (;;) {
        size_t want = kBlockBytes;
        if (lengthKnown) {
            if (written >= m_contentLength) return true;
            if (m_contentLength - written < want) want = static_cast<size_t>(m_contentLength - written);
        } else if (written >= kMaxFetchBodyBytes) {
            return false;
        }
        int got = Receive(block, static_cast<int>(want));
        if (got <= 0) return !lengthKnown && got == 0;
        unsigned long count = static_cast<unsigned long>(got);
        if (!file.WriteAt(block, count, written)) return false;
        written += count;
    }
}

bool MusicDown::DownloadToFile(const std::wstring& url, int /*unused*/) {
    m_contentLength = 0;
    std::wstring scheme, host, path;
    unsigned short port = 80;
    if (!CHttpRequest::SplitUrl(url, scheme, host, path, port)) return false;
    const std::string ansiHost = WideToAnsi(host), ansiPath = WideToAnsi(path);
    const std::string userAgent = WideToAnsi(m_userAgentText), accept = WideToAnsi(m_acceptText);
    int length = 0;
    if (!FormatRequest(ansiHost.c_str(), ansiPath.c_str(), length, nullptr, nullptr, userAgent.c_str(),
                       accept.c_str(), nullptr, nullptr, 0, 0)) {
        return false;
    }
    if (!CreateSocket() || !Connect(ansiHost.c_str(), port)) {
        Close();
        return false;
    }
    SetTimeout(kDownloadTimeoutMs, kReceiveTimeout);
    SetTimeout(kDownloadTimeoutMs, kSendTimeout);
    if (!SendRequest()) {
        Close();
        return false;
    }
    if (!HeaderComplete()) {
        Close();
        return false;
    }
    const int status = GetStatusCode();
    if (status >= 300 && status < 400) {
        std::string location;
        bool redirected = GetHeaderValue("Location", location) && !location.empty();
        if (redirected) m_redirectLocation = location;
        Close();
        return redirected;
    }
    if (status < 200 || status >= 300) {
        Close();
        return false;
    }
    unsigned long long announced = 0;
    bool lengthKnown = false;
    if (!ReadBodyFraming(*this, lengthKnown, announced)) {
        Close();
        return false;
    }
    m_contentLength = static_cast<unsigned long>(announced);
    if (lengthKnown && announced == 0) {
        Close();
        return true;  // an empty body: no file
    }
    PrepareBodyTransfer();

    CTargetFile file;
    file.SetFile(m_targetFile, m_contentLength);
    unsigned long long written = 0;
    bool ok = ReceiveBodyToFile(file, lengthKnown, written);
    Close();
    if (file.IsOpen()) {
        // An older, longer file at the target keeps nothing of its tail.
        if (ok) ok = file.Truncate(written);
        file.Close();
        if (!ok) DeleteFileW(m_targetFile.c_str());
    }
    return ok;
}
