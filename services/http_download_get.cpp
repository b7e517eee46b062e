#include "http_download_get.h"

#include <process.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "http_download_url.h"
#include "http_socket.h"
#include "win_files.h"

namespace {

const size_t kMaxHeaderBytes = 16384;
const DWORD kReceiveBlock = 1 << 18;
const DWORD kMergeBlock = 1 << 20;
const DWORD kSpeedPeriodMs = 1000;

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

std::string TrimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A decimal number of at most 18 digits and nothing else; -1 otherwise.
long long ParseCount(const std::string& digits) {
    if (digits.empty() || digits.size() > 18) return -1;
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "bytes first-last/total" or "bytes */total" (total may be "*").
bool ParseContentRange(const std::string& value, HttpReplyHead& out) {
    if (value.compare(0, 6, "bytes ") != 0) return false;
    std::string rest = TrimBlanks(value.substr(6));
    size_t slash = rest.find('/');
    if (slash == std::string::npos) return false;
    std::string span = rest.substr(0, slash);
    std::string total = rest.substr(slash + 1);
    out.rangeTotal = total == "*" ? -1 : ParseCount(total);
    if (total != "*" && out.rangeTotal < 0) return false;
    if (span == "*") {
        out.rangeFirst = out.rangeLast = -1;
    } else {
        size_t dash = span.find('-');
        if (dash == std::string::npos) return false;
        out.rangeFirst = ParseCount(span.substr(0, dash));
        out.rangeLast = ParseCount(span.substr(dash + 1));
        if (out.rangeFirst < 0 || out.rangeLast < out.rangeFirst) return false;
    }
    out.hasContentRange = true;
    return true;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string HostField(const std::string& host, int port) {
    return port == 80 ? host : host + ":" + std::to_string(port);
}

std::string BuildRequest(const HttpTarget& target, int rangeStart) {
    std::string text;
    text += "GET " + target.directory + target.file + " HTTP/1.1\r\n";
    text += "Host: " + HostField(target.host, target.port) + "\r\n";
    text += "Accept: \r\n";
    text += "Referer: " + target.directory + "\r\n";
    text += std::string("User-Agent: ") + kHttpUserAgent + "\r\n";
    text += "Range: bytes=" + std::to_string(rangeStart) + "-\r\n";
    text += "\r\n";
    return text;
}

// True when the text starts with a scheme and "://" (a "://" further on, in a path or a
// query, does not count).
bool HasScheme(const std::string& value) {
    size_t i = 0;
    while (i < value.size() && (isalnum(static_cast<unsigned char>(value[i])) || std::strchr("+-.", value[i]))) ++i;
    return i > 0 && isalpha(static_cast<unsigned char>(value[0])) && value.compare(i, 3, "://") == 0;
}

}  // namespace

bool ResolveLocation(const std::string& location, const HttpTarget& from, HttpTarget& to) {
    std::string value = TrimBlanks(location);
    if (value.empty()) return false;
    if (HasScheme(value)) {
        std::string host, directory, file;
        int port = 80;
        if (!SplitHttpUrl(value, host, port, directory, file)) return false;
        to.host = host;
        to.port = port;
        to.directory = PercentEncodeUrlText(directory);
        to.file = PercentEncodeUrlText(file);
        return true;
    }
    std::string absolute;
    if (value.compare(0, 2, "//") == 0) {
        absolute = "http:" + value;  // another host, same scheme
    } else if (value[0] == '/') {
        absolute = "http://" + HostField(from.host, from.port) + value;
    } else if (value[0] == '?') {
        absolute = from.directory + from.file.substr(0, from.file.find('?')) + value;
    } else {
        absolute = from.directory + value;
    }
    return HasScheme(absolute) && ResolveLocation(absolute, from, to);
}

namespace {

// Where the body of an accepted reply starts in the file, and the file's whole length.
struct ReplyBody {
    long long offset = 0;
    long long length = 0;  // bytes of the body
    long long total = 0;
    bool rangesHonoured = false;
};

// A reply is accepted only when it carries the file from rangeStart on (206 with a matching
// Content-Range), or the whole file (200 with its length). Anything else, error pages included,
// never reaches a part file.
bool AcceptReply(const HttpReplyHead& head, int rangeStart, ReplyBody& body) {
    if (head.transferCoded) return false;  // the body would carry the coding's framing
    if (head.status == 206) {
        if (!head.hasContentRange || head.rangeFirst != rangeStart || head.rangeTotal <= 0 ||
            head.rangeLast >= head.rangeTotal)
            return false;
        if (head.contentLength >= 0 && head.contentLength != head.rangeLast - head.rangeFirst + 1) return false;
        body.offset = rangeStart;
        body.length = head.rangeLast - head.rangeFirst + 1;
        body.total = head.rangeTotal;
        body.rangesHonoured = true;
    } else if (head.status == 416) {
        // The range asked for starts at or past the end: from byte 0, that is an empty file
        // ("bytes */0"), whose whole body is no bytes at all.
        if (rangeStart != 0 || !head.hasContentRange || head.rangeTotal != 0) return false;
        body.offset = 0;
        body.length = 0;
        body.total = 0;
        body.rangesHonoured = true;
    } else if (head.status == 200) {
        if (head.contentLength < 0) return false;  // where it ends would be unknown
        body.offset = 0;
        body.length = head.contentLength;
        body.total = head.contentLength;
        body.rangesHonoured = false;
    } else {
        return false;
    }
    return body.total <= INT_MAX;
}

// Written on the standard output (the player shows none) when a range was complete before any
// request was made for it.
void SayRangeAlreadyComplete() {
    static const wchar_t kText[] = L"\u6587\u4EF6\u4E0B\u8F7D\u6210\u529F\uFF01\u4E0B\u8F7D\u7ED3\u675F\uFF01\n";
    char line[64];
    int bytes = WideCharToMultiByte(CP_ACP, 0, kText, -1, line, sizeof line, nullptr, nullptr);
    if (bytes > 1) {
        std::fwrite(line, 1, static_cast<size_t>(bytes - 1), stdout);
        std::fflush(stdout);
    }
}

}  // namespace

bool ParseHttpReplyHead(const std::string& head, HttpReplyHead& out) {
    out = HttpReplyHead();
    size_t lineEnd = head.find("\r\n");
    std::string statusLine = head.substr(0, lineEnd);
    if (statusLine.compare(0, 5, "HTTP/") != 0) return false;
    size_t blank = statusLine.find(' ');
    if (blank == std::string::npos || statusLine.size() < blank + 4) return false;
    std::string code = statusLine.substr(blank + 1, 3);
    long long status = ParseCount(code);
    if (status < 100 || status > 999) return false;
    out.status = static_cast<int>(status);
    while (lineEnd != std::string::npos) {
        size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        size_t colon = line.find(':');
        if (line.empty() || colon == std::string::npos) continue;
        std::string name = TrimBlanks(line.substr(0, colon));
        std::string value = TrimBlanks(line.substr(colon + 1));
        if (EqualsNoCase(name, "Content-Length")) {
            long long length = ParseCount(value);
            if (length < 0 || (out.contentLength >= 0 && out.contentLength != length)) return false;
            out.contentLength = length;
        } else if (EqualsNoCase(name, "Content-Range")) {
            if (!ParseContentRange(value, out)) return false;
        } else if (EqualsNoCase(name, "Transfer-Encoding")) {
            out.transferCoded = !EqualsNoCase(value, "identity");
        } else if (EqualsNoCase(name, "Location")) {
            out.location = value;
        }
    }
    return true;
}

CHttpGet::CHttpGet(DWORD receiveTimeoutMs) : m_receiveTimeoutMs(receiveTimeoutMs), m_dealSocket(&m_running) {}

CHttpGet::~CHttpGet() = default;

bool CHttpGet::DownloadDirect(const HttpTarget& url, const std::wstring& targetPath, int& fileSize,
                              int threadCount) {
    return Download(url, targetPath, fileSize, Route(), threadCount);
}

bool CHttpGet::DownloadViaProxy(const HttpTarget& url, const std::wstring& targetPath, int& fileSize,
                                const std::string& proxyHost, int proxyPort, int threadCount) {
    Route route;
    route.useProxy = true;
    route.proxyHost = proxyHost;
    route.proxyPort = proxyPort;
    return Download(url, targetPath, fileSize, route, threadCount);
}

bool CHttpGet::Download(const HttpTarget& url, const std::wstring& targetPath, int& fileSize, const Route& route,
                        int threadCount) {
    m_fileSize.store(0);
    m_downloadedBytes.store(0);
    m_speed.store(0);
    bool rangesHonoured = false;
    if (!Probe(url, route, rangesHonoured)) return false;
    fileSize = m_fileSize.load();
    if (fileSize == 0) return WriteEmptyTarget(targetPath, threadCount);
    if (!rangesHonoured) threadCount = 1;
    bool done = DownloadSegments(url, targetPath, route, threadCount);
    m_speed.store(0);
    return done;
}

bool CHttpGet::WriteEmptyTarget(const std::wstring& targetPath, int threadCount) {
    // An empty file is complete as soon as its length is known: there is no range to fetch.
    // Parts an earlier attempt left for this target hold nothing of it.
    {
        CDownloadFile target;
        if (!target.Create(targetPath)) return false;
    }
    for (int i = 0; i < threadCount && i < kMaxThreads; ++i) {
        const std::wstring part = PartFileName(targetPath, i);
        if (PartFileExists(part)) DeleteFileW(part.c_str());
    }
    return true;
}

bool CHttpGet::Probe(const HttpTarget& url, const Route& route, bool& rangesHonoured) {
    CDownloadSocket socket;
    HttpReplyHead head;
    std::string bodyStart;
    ReplyBody body;
    if (!SendRequest(socket, url, route, 0, head, bodyStart) || !AcceptReply(head, 0, body)) return false;
    m_fileSize.store(static_cast<int>(body.total));
    rangesHonoured = body.rangesHonoured;
    return true;
}

SOCKET CHttpGet::ConnectDirect(const std::string& host, int port) { return m_dealSocket.Connect(host, port); }

SOCKET CHttpGet::ConnectViaProxy(const Route& route, const std::string& host, int port) {
    CDownloadSocket socket(m_dealSocket.Connect(route.proxyHost, route.proxyPort));
    if (!socket.IsValid()) return INVALID_SOCKET;
    char request[600];
    std::snprintf(request, sizeof request, "CONNECT %s:%d HTTP/1.1\r\nUser-Agent:\t\t           MyApp/0.1\r\n\r\n",
                  host.substr(0, 255).c_str(), port);
    std::string head;
    std::string extra;
    HttpReplyHead reply;
    if (!SendText(socket, request) || !ReadResponseHeader(socket.Get(), head, extra) ||
        !ParseHttpReplyHead(head, reply) || reply.status != 200 || !extra.empty())
        return INVALID_SOCKET;
    return socket.Release();
}

bool CHttpGet::SendText(CDownloadSocket& socket, const std::string& text) {
    if (m_dealSocket.SendAll(socket.Get(), text)) return true;
    socket.Close();
    return false;
}

bool CHttpGet::ReadResponseHeader(SOCKET socket, std::string& head, std::string& bodyStart) {
    head.clear();
    bodyStart.clear();
    char block[4096];
    while (head.size() < kMaxHeaderBytes) {
        int received = 0;
        if (m_dealSocket.Receive(socket, block, sizeof block, m_receiveTimeoutMs, received) != ReceiveResult::Data)
            return false;
        size_t searchFrom = head.size() < 3 ? 0 : head.size() - 3;
        head.append(block, static_cast<size_t>(received));
        size_t end = head.find("\r\n\r\n", searchFrom);
        if (end != std::string::npos) {
            bodyStart = head.substr(end + 4);
            head.erase(end + 4);
            return true;
        }
    }
    return false;
}

bool CHttpGet::SendRequest(CDownloadSocket& socket, HttpTarget target, const Route& route, int rangeStart,
                           HttpReplyHead& head, std::string& bodyStart) {
    for (int redirects = 0;; ++redirects) {
        if (!socket.IsValid()) {
            socket = CDownloadSocket(route.useProxy ? ConnectViaProxy(route, target.host, target.port)
                                                    : ConnectDirect(target.host, target.port));
            if (!socket.IsValid()) return false;
        }
        std::string raw;
        if (!SendText(socket, BuildRequest(target, rangeStart)) ||
            !ReadResponseHeader(socket.Get(), raw, bodyStart) || !ParseHttpReplyHead(raw, head))
            return false;
        if (!IsRedirect(head.status)) return true;
        HttpTarget next;
        if (redirects == kMaxRedirects || !ResolveLocation(head.location, target, next)) return false;
        target = next;
        socket.Close();
    }
}

bool CHttpGet::DownloadSegments(const HttpTarget& url, const std::wstring& targetPath, const Route& route,
                                int threadCount) {
    const int fileSize = m_fileSize.load();
    if (threadCount < 1) threadCount = 1;
    if (threadCount > kMaxThreads) threadCount = kMaxThreads;
    if (threadCount > fileSize) threadCount = fileSize;
    m_completedSegments.store(0);
    m_receivedBytes.store(0);
    m_segments.assign(static_cast<size_t>(threadCount), HttpGetSegment());
    const int length = fileSize / threadCount;
    for (int i = 0; i < threadCount; ++i) {
        HttpGetSegment& segment = m_segments[static_cast<size_t>(i)];
        segment.proxyHost = route.proxyHost;
        segment.proxyPort = route.proxyPort;
        segment.useProxy = route.useProxy;
        segment.host = url.host;
        segment.port = url.port;
        segment.directory = url.directory;
        segment.file = url.file;
        segment.partPath = PartFileName(targetPath, i);
        segment.begin = i * length;
        segment.end = i + 1 == threadCount ? fileSize : (i + 1) * length;
        segment.owner = this;
    }
    // One range needs no whole file: its part becomes the target.
    m_wholeIntact.store(false);
    if (threadCount > 1) {
        m_wholePath = targetPath + L"_join";
        m_wholeIntact.store(m_whole.Create(m_wholePath) && m_whole.TruncateAt(fileSize));
    }
    std::vector<HANDLE> threads;
    for (HttpGetSegment& segment : m_segments) {
        uintptr_t thread = _beginthreadex(nullptr, 0, &CHttpGet::SegmentThreadProc, &segment, 0, nullptr);
        if (thread != 0) threads.push_back(reinterpret_cast<HANDLE>(thread));
    }
    WaitForSegmentThreads(threads);
    for (HANDLE thread : threads) CloseHandle(thread);
    bool done = m_completedSegments.load() == threadCount && m_running.load() && JoinParts(targetPath);
    m_whole.Close();
    if (!m_wholePath.empty()) DeleteFileW(m_wholePath.c_str());  // gone already when it became the target
    m_wholePath.clear();
    m_segments.clear();
    return done;
}

void CHttpGet::WaitForSegmentThreads(const std::vector<HANDLE>& threads) {
    DWORD lastTick = GetTickCount();
    unsigned lastReceived = 0;
    for (size_t first = 0; first < threads.size(); first += MAXIMUM_WAIT_OBJECTS) {
        DWORD count = static_cast<DWORD>(std::min<size_t>(threads.size() - first, MAXIMUM_WAIT_OBJECTS));
        for (;;) {
            DWORD waited = WaitForMultipleObjects(count, &threads[first], TRUE, kSpeedPeriodMs);
            if (waited != WAIT_TIMEOUT) {
                if (waited == WAIT_FAILED) {
                    for (DWORD i = 0; i < count; ++i) WaitForSingleObject(threads[first + i], INFINITE);
                }
                break;
            }
            MeasureSpeed(lastTick, lastReceived);
        }
    }
}

void CHttpGet::MeasureSpeed(DWORD& lastTick, unsigned& lastReceived) {
    DWORD now = GetTickCount();
    DWORD elapsed = now - lastTick;
    if (elapsed == 0) return;
    unsigned received = m_receivedBytes.load();
    unsigned long long bytes = received - lastReceived;
    m_speed.store(static_cast<int>(bytes * 1000 / elapsed / 1024));
    lastTick = now;
    lastReceived = received;
}

unsigned __stdcall CHttpGet::SegmentThreadProc(void* segment) {
    HttpGetSegment& range = *static_cast<HttpGetSegment*>(segment);
    if (range.owner->RunSegment(range)) range.owner->m_completedSegments.fetch_add(1);
    return 0;
}

void CHttpGet::AddDownloaded(long long bytes) { m_downloadedBytes.fetch_add(static_cast<int>(bytes)); }

bool CHttpGet::RunSegment(HttpGetSegment& segment) {
    const long long length = segment.end - segment.begin;
    long long held = PartFileSize(segment.partPath);
    if (held > length) held = 0;  // left by a download of another size or split: start afresh
    AddDownloaded(held);

    Route route;
    route.useProxy = segment.useProxy;
    route.proxyHost = segment.proxyHost;
    route.proxyPort = segment.proxyPort;
    const HttpTarget target{segment.host, segment.port, segment.directory, segment.file};
    if (held == length) {
        // A complete part from an earlier attempt needs no request.
        SayRangeAlreadyComplete();
        CopyHeldToWhole(segment, held);
        return true;
    }
    CDownloadFile part;
    bool copiedHeld = false;
    // A server may answer with less than the rest of the file; then the next request goes on
    // from there.
    while (held < length) {
        if (!m_running.load()) return false;
        const int rangeStart = segment.begin + static_cast<int>(held);
        CDownloadSocket socket;
        HttpReplyHead head;
        std::string bodyStart;
        ReplyBody body;
        if (!SendRequest(socket, target, route, rangeStart, head, bodyStart) ||
            !AcceptReply(head, rangeStart, body) || body.total != m_fileSize.load())
            return false;
        if (body.offset != rangeStart) {
            // The server ignored the range and sends the file from its start: only the first
            // range can use that, and it starts again from zero rather than append to its part.
            if (segment.begin != 0) return false;
            AddDownloaded(-held);
            held = 0;
        }
        if ((!part.IsOpen() && !OpenPartFile(segment.partPath, part)) || !part.TruncateAt(held)) return false;
        if (held > 0 && !copiedHeld) CopyHeldToWhole(segment, held);
        copiedHeld = true;
        const long long wanted = std::min(length - held, body.length);
        if (wanted <= 0 || !ReceiveRange(socket, part, bodyStart, wanted, segment.begin + held)) return false;
        held += wanted;
    }
    return true;
}

void CHttpGet::WriteToWhole(const char* data, DWORD size, long long offset) {
    if (m_wholeIntact.load() && !m_whole.WriteAt(data, size, offset)) m_wholeIntact.store(false);
}

void CHttpGet::CopyHeldToWhole(const HttpGetSegment& segment, long long held) {
    if (!m_wholeIntact.load()) return;
    CDownloadFile part;
    if (!part.OpenForReading(segment.partPath)) {
        m_wholeIntact.store(false);
        return;
    }
    std::vector<char> block(kMergeBlock);
    for (long long copied = 0; copied < held && m_wholeIntact.load();) {
        DWORD read = 0;
        if (!part.Read(block.data(), static_cast<DWORD>(std::min<long long>(held - copied, kMergeBlock)), read) ||
            read == 0) {
            m_wholeIntact.store(false);
            return;
        }
        WriteToWhole(block.data(), read, segment.begin + copied);
        copied += read;
    }
}

bool CHttpGet::ReceiveRange(CDownloadSocket& socket, CDownloadFile& part, std::string bodyStart, long long needed,
                            long long wholeOffset) {
    long long first = std::min<long long>(needed, static_cast<long long>(bodyStart.size()));
    if (first > 0) {
        if (!part.Write(bodyStart.data(), static_cast<DWORD>(first))) return false;
        WriteToWhole(bodyStart.data(), static_cast<DWORD>(first), wholeOffset);
        wholeOffset += first;
        needed -= first;
        AddDownloaded(first);
        m_receivedBytes.fetch_add(static_cast<unsigned>(first));
    }
    std::vector<char> block(kReceiveBlock);
    while (needed > 0) {
        if (!m_running.load()) return false;
        int received = 0;
        ReceiveResult result = m_dealSocket.Receive(socket.Get(), block.data(),
                                                    static_cast<int>(std::min<long long>(needed, kReceiveBlock)),
                                                    m_receiveTimeoutMs, received);
        if (result != ReceiveResult::Data) return false;  // cut short, silent, failed or stopped
        if (!part.Write(block.data(), static_cast<DWORD>(received))) return false;
        WriteToWhole(block.data(), static_cast<DWORD>(received), wholeOffset);
        wholeOffset += received;
        needed -= received;
        AddDownloaded(received);
        m_receivedBytes.fetch_add(static_cast<unsigned>(received));
    }
    return true;
}

bool CHttpGet::JoinParts(const std::wstring& targetPath) {
    for (const HttpGetSegment& segment : m_segments) {
        if (PartFileSize(segment.partPath) != segment.end - segment.begin) return false;
    }
    if (m_wholeIntact.load()) {
        // Every range is in the whole file already.
        m_whole.Close();
        if (!MoveFileIntoPlace(m_wholePath, targetPath, true)) return false;
        m_wholePath.clear();
        for (const HttpGetSegment& segment : m_segments) DeleteFileW(segment.partPath.c_str());
        return true;
    }
    m_whole.Close();
    if (!m_wholePath.empty()) DeleteFileW(m_wholePath.c_str());
    const HttpGetSegment& first = m_segments[0];
    const long long firstLength = first.end - first.begin;
    // The other parts are appended to the first, which then becomes the target: the first range
    // is never copied again. Whatever goes wrong, the first part is cut back to its own range, so
    // that every part still holds exactly what a later attempt resumes from.
    bool joined = true;
    {
        CDownloadFile whole;
        joined = m_segments.size() == 1 || (OpenPartFile(first.partPath, whole) && whole.TruncateAt(firstLength));
        for (size_t i = 1; joined && i < m_segments.size(); ++i) joined = MergeParts(whole, m_segments[i]);
        if (!joined && whole.IsOpen()) whole.TruncateAt(firstLength);
    }
    if (joined && MoveFileIntoPlace(first.partPath, targetPath, true)) {
        for (size_t i = 1; i < m_segments.size(); ++i) DeleteFileW(m_segments[i].partPath.c_str());
        return true;
    }
    if (joined && m_segments.size() > 1) {
        CDownloadFile whole;
        if (OpenPartFile(first.partPath, whole)) whole.TruncateAt(firstLength);
    }
    return false;
}

bool CHttpGet::MergeParts(CDownloadFile& target, const HttpGetSegment& segment) {
    CDownloadFile part;
    if (!part.OpenForReading(segment.partPath)) return false;
    long long remaining = segment.end - segment.begin;
    std::vector<char> block(kMergeBlock);
    while (remaining > 0) {
        DWORD read = 0;
        if (!part.Read(block.data(), static_cast<DWORD>(std::min<long long>(remaining, kMergeBlock)), read) ||
            read == 0)
            return false;
        if (!target.Write(block.data(), read)) return false;
        remaining -= read;
    }
    return true;
}
