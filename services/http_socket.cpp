#include "http_socket.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

namespace {

const char kDefaultCookie[] =
    "__utma=173295441.1960843012.1291687201.1291687201.1291687201.1; "
    "__utmz=173295441.1291687201.1.1.utmcsr=(direct)|utmccn=(direct)|utmcmd=(none); "
    "__utmc=173295441; PHPSESSID=6b1a39e4c0d2f8a7e5b3c1d9f0a2b4c6; vela_client=1.0.0.1234";

const char kAccept[] =
    "image/jpeg, application/x-ms-application, image/gif, application/xaml+xml, image/pjpeg, "
    "application/x-ms-xbap, */*";
const char kAcceptLanguage[] = "zh-cn";

const int kBodySendTimeoutMs = 1000;
const int kReceiveBufferBytes = 0x400000;
const int kSendBufferBytes = 0x80000;
const int kBlockBytes = 1024;
// Header reads and the chunk framing take the socket's bytes in blocks of this size.
const int kHeaderBlockBytes = 4096;
// A chunk-size line or trailer line longer than this is no framing of ours to follow.
const size_t kMaxFramingLine = 4096;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasLineBreak(const char* text) { return text && std::strpbrk(text, "\r\n") != nullptr; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The hexadecimal size at the start of a chunk-size line (extensions after ';' ignored); false
// when the line holds no sound size.
bool ParseChunkSize(const std::string& line, unsigned long long& size) {
    size = 0;
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    size_t digits = 0;
    for (; i < line.size(); ++i, ++digits) {
        char c = AsciiLower(line[i]);
        int value = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (value < 0) break;
        if (size > (~0ull >> 4)) return false;
        size = size * 16 + static_cast<unsigned>(value);
    }
    while (i < line.size() && IsBlank(line[i])) ++i;
    return digits > 0 && (i == line.size() || line[i] == ';');
}

void AppendField(std::string& request, const char* name, const char* value) {
    request += name;
    request += ": ";
    request += value;
    request += "\r\n";
}

template <typename Char>
Char UpperAscii(Char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<Char>(c - 'a' + 'A') : c;
}

template <typename String>
bool SplitUrlText(const String& url, bool upperCase, String& scheme, String& host, String& path,
                  unsigned short& port) {
    scheme.clear();
    host.clear();
    path.clear();
    port = 80;
    String copy = url;
    if (upperCase) {
        for (auto& c : copy) c = UpperAscii(c);
    }
    size_t rest = 0;
    size_t colon = copy.find(':');
    if (colon != String::npos) {
        scheme = copy.substr(0, colon);
        rest = colon + 1;
    } else {
        const char http[] = "HTTP";
        scheme.assign(http, http + 4);
    }
    if (copy.compare(rest, 2, String(2, '/')) == 0) rest += 2;
    size_t hostEnd = rest;
    while (hostEnd < copy.size() && CHttpRequest::IsHostChar(copy[hostEnd])) ++hostEnd;
    host = copy.substr(rest, hostEnd - rest);
    path = url.substr(hostEnd);
    size_t portColon = host.find(':');
    if (portColon != String::npos) {
        unsigned long number = 0;
        size_t digits = 0;
        for (size_t i = portColon + 1; i < host.size() && host[i] >= '0' && host[i] <= '9'; ++i) {
            number = number * 10 + static_cast<unsigned long>(host[i] - '0');
            if (number > 65535) return false;
            ++digits;
        }
        host.erase(portColon);
        if (digits == 0 || number == 0) return false;
        port = static_cast<unsigned short>(number);
    }
    return !host.empty();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CHttpSocket

CHttpSocket::CHttpSocket()
    : m_socket(INVALID_SOCKET), m_connected(false), m_headerRead(false), m_headerComplete(false),
      m_chunked(false), m_headerLength(-1), m_pendingUsed(0), m_chunkStep(kChunkSize), m_chunkLeft(0),
      m_port(80) {}

CHttpSocket::~CHttpSocket() { Close(); }

bool CHttpSocket::CreateSocket() {
    if (m_connected) return false;
    if (m_socket != INVALID_SOCKET) return true;
    m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return m_socket != INVALID_SOCKET;
}

bool CHttpSocket::Close() {
    if (m_socket != INVALID_SOCKET) {
        if (closesocket(m_socket) == SOCKET_ERROR) return false;
    }
    m_socket = INVALID_SOCKET;
    m_connected = false;
    m_headerRead = false;
    m_headerComplete = false;
    m_chunked = false;
    m_headerLength = -1;
    m_header.clear();
    m_pending.clear();
    m_pendingUsed = 0;
    m_chunkStep = kChunkSize;
    m_chunkLeft = 0;
    return true;
}

bool CHttpSocket::Connect(const char* host, unsigned short port) {
    if (!host || !*host) return false;
    if (m_connected) Close();
    m_port = port;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&address.sin_addr);
    char dotted[32];
    std::snprintf(dotted, sizeof dotted, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    m_hostAddress = dotted;
    address.sin_port = htons(port);
    if (!CreateSocket()) return false;
    if (connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR)
        return false;
    m_connected = true;
    return true;
}

bool CHttpSocket::SendAll(const char* data, size_t length) {
    while (length > 0) {
        int chunk = length > 0x100000 ? 0x100000 : static_cast<int>(length);
        int sent = send(m_socket, data, chunk, 0);
        if (sent == SOCKET_ERROR || sent <= 0) return false;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

bool CHttpSocket::SendRequest(const char* data, int length) {
    if (!m_connected) return false;
    size_t size;
    if (data) {
        size = length > 0 ? static_cast<size_t>(length) : std::strlen(data);
    } else {
        data = m_request.c_str();
        size = m_request.size();
    }
    if (size == 0 || !SendAll(data, size)) return false;
    int headerLength = 0;
    ReadResponseHeader(headerLength);
    return true;
}

int CHttpSocket::Receive(char* buffer, int size) {
    if (!m_connected || !buffer || size <= 0) return 0;
    return m_chunked ? ReceiveChunked(buffer, size) : ReceiveRaw(buffer, size);
}

int CHttpSocket::ReceiveRaw(char* buffer, int size) {
    if (m_pendingUsed < m_pending.size()) {
        size_t count = m_pending.size() - m_pendingUsed;
        if (count > static_cast<size_t>(size)) count = static_cast<size_t>(size);
        std::memcpy(buffer, m_pending.data() + m_pendingUsed, count);
        m_pendingUsed += count;
        if (m_pendingUsed == m_pending.size()) {
            m_pending.clear();
            m_pendingUsed = 0;
        }
        return static_cast<int>(count);
    }
    int got = recv(m_socket, buffer, size, 0);
    if (got <= 0) {
        Close();
        return got < 0 ? -1 : 0;
    }
    return got;
}

int CHttpSocket::FailBody() {
    Close();
    return -1;
}

bool CHttpSocket::ReadFramingLine(std::string& line) {
    line.clear();
    for (;;) {
        size_t lf = m_pending.find('\n', m_pendingUsed);
        if (lf != std::string::npos) {
            line.assign(m_pending, m_pendingUsed, lf - m_pendingUsed);
            m_pendingUsed = lf + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line.size() <= kMaxFramingLine;
        }
        if (m_pending.size() - m_pendingUsed > kMaxFramingLine) return false;
        m_pending.erase(0, m_pendingUsed);
        m_pendingUsed = 0;
        char block[kHeaderBlockBytes];
        int got = recv(m_socket, block, sizeof block, 0);
        if (got <= 0) return false;
        m_pending.append(block, static_cast<size_t>(got));
    }
}

int CHttpSocket::ReceiveChunked(char* buffer, int size) {
    std::string line;
    for (;;) {
        switch (m_chunkStep) {
        case kChunkSize:
            if (!ReadFramingLine(line) || !ParseChunkSize(line, m_chunkLeft)) return FailBody();
            m_chunkStep = m_chunkLeft == 0 ? kChunkTrailer : kChunkData;
            break;
        case kChunkData: {
            int want = m_chunkLeft < static_cast<unsigned long long>(size) ? static_cast<int>(m_chunkLeft) : size;
            int got = ReceiveRaw(buffer, want);
            // The peer's close inside a chunk cuts the body short: not its end.
            if (got <= 0) return FailBody();
            m_chunkLeft -= static_cast<unsigned long long>(got);
            if (m_chunkLeft == 0) m_chunkStep = kChunkDataEnd;
            return got;
        }
        case kChunkDataEnd:
            if (!ReadFramingLine(line) || !line.empty()) return FailBody();
            m_chunkStep = kChunkSize;
            break;
        case kChunkTrailer:
            // Trailer fields are not used; the empty line ends the body.
            if (!ReadFramingLine(line)) return FailBody();
            if (line.empty()) {
                Close();
                return 0;
            }
            break;
        }
    }
}

void CHttpSocket::ReadHeaderFromSocket() {
    // In blocks: what follows the empty line is the start of the body and is kept for Receive.
    char block[kHeaderBlockBytes];
    for (;;) {
        size_t room = static_cast<size_t>(kHeaderCapacity) - m_header.size();
        if (room == 0) {
            // No end within the capacity: nothing after it can be trusted as body. The socket
            // goes; the header stays readable as it came.
            std::string kept;
            kept.swap(m_header);
            Close();
            m_header.swap(kept);
            break;
        }
        int got = recv(m_socket, block, static_cast<int>(room < sizeof block ? room : sizeof block), 0);
        if (got <= 0) break;
        size_t searchFrom = m_header.size() < 3 ? 0 : m_header.size() - 3;
        m_header.append(block, static_cast<size_t>(got));
        size_t end = m_header.find("\r\n\r\n", searchFrom);
        if (end != std::string::npos) {
            m_pending.assign(m_header, end + 4, std::string::npos);
            m_pendingUsed = 0;
            m_header.erase(end + 4);
            m_headerComplete = true;
            break;
        }
    }
}

const char* CHttpSocket::ReadResponseHeader(int& length) {
    if (!m_headerRead && m_connected) {
        m_header.clear();
        ReadHeaderFromSocket();
        m_headerRead = true;
        m_headerLength = static_cast<int>(m_header.size());
        std::string coding;
        m_chunked = m_headerComplete && GetHeaderValue("Transfer-Encoding", coding) && coding.size() == 7;
        for (size_t i = 0; m_chunked && i < coding.size(); ++i) m_chunked = AsciiLower(coding[i]) == "chunked"[i];
        m_chunkStep = kChunkSize;
        m_chunkLeft = 0;
    }
    length = m_headerRead ? m_headerLength : 0;
    return m_header.c_str();
}

bool CHttpSocket::GetHeaderValue(const char* name, std::string& out) const {
    out.clear();
    if (!m_headerRead || !name || !*name) return false;
    const size_t nameLength = std::strlen(name);
    size_t lineStart = m_header.find('\n');  // the status line is not a field
    while (lineStart != std::string::npos) {
        ++lineStart;
        size_t lineEnd = m_header.find('\n', lineStart);
        if (lineEnd == std::string::npos) break;  // a line that never ended is not a field
        size_t end = lineEnd;
        if (end > lineStart && m_header[end - 1] == '\r') --end;
        if (end - lineStart > nameLength && m_header[lineStart + nameLength] == ':') {
            bool same = true;
            for (size_t i = 0; i < nameLength && same; ++i)
                same = AsciiLower(m_header[lineStart + i]) == AsciiLower(name[i]);
            if (same) {
                size_t begin = lineStart + nameLength + 1;
                while (begin < end && IsBlank(m_header[begin])) ++begin;
                while (end > begin && IsBlank(m_header[end - 1])) --end;
                out.assign(m_header, begin, end - begin);
                return true;
            }
        }
        lineStart = lineEnd;
    }
    return false;
}

int CHttpSocket::GetHeaderValue(const char* name, char* out, int size) const {
    if (out && size > 0) out[0] = '\0';
    std::string value;
    if (!GetHeaderValue(name, value)) return -1;
    if (!out || size <= 0) return 0;
    size_t copied = value.size() < static_cast<size_t>(size - 1) ? value.size() : static_cast<size_t>(size - 1);
    std::memcpy(out, value.data(), copied);
    out[copied] = '\0';
    return static_cast<int>(copied);
}

bool CHttpSocket::GetContentLengthField(unsigned long long& length) const {
    length = 0;
    std::string value;
    if (!GetHeaderValue("Content-Length", value) || value.empty()) return false;
    unsigned long long number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return false;
        if (number > (~0ull - 9) / 10) return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    length = number;
    return true;
}

int CHttpSocket::GetStatusCode() const {
    if (!m_headerRead) return -1;
    if (m_header.size() < 12 || m_header.compare(0, 5, "HTTP/") != 0) return 0;
    int code = 0;
    for (size_t i = 9; i < 12; ++i) {
        char c = m_header[i];
        if (c < '0' || c > '9') return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

const char* CHttpSocket::FormatRequest(const char* host, const char* path, int& length, const char* cookie,
                                       const char* referer, const char* userAgent, const char* accept,
                                       const char* acceptEncoding, const char* acceptLanguage,
                                       unsigned long rangeFrom, unsigned long rangeTo) {
    m_request.clear();
    length = 0;
    if (!host) host = "";
    if (!path) path = "";
    if (!userAgent) userAgent = "";
    const char* texts[] = {host, path, cookie, referer, userAgent, accept, acceptEncoding, acceptLanguage};
    for (const char* text : texts) {
        if (HasLineBreak(text)) return nullptr;
    }
    m_request = "GET ";
    if (path[0] != '/') m_request += '/';
    m_request += path;
    m_request += " HTTP/1.1\r\n";
    if (accept) AppendField(m_request, "Accept", accept);
    if (referer) AppendField(m_request, "Referer", referer);
    if (acceptLanguage) AppendField(m_request, "Accept-Language", acceptLanguage);
    AppendField(m_request, "User-Agent", userAgent);
    if (acceptEncoding) AppendField(m_request, "Accept-Encoding", acceptEncoding);
    AppendField(m_request, "Host", host);
    AppendField(m_request, "Connection", "Keep-Alive");
    if (cookie) AppendField(m_request, "Cookie", cookie);
    if (rangeFrom != 0) {
        std::string range = "bytes=" + std::to_string(rangeFrom) + "-";
        if (rangeFrom < rangeTo) range += std::to_string(rangeTo);
        AppendField(m_request, "Range", range.c_str());
    }
    m_request += "\r\n";
    length = static_cast<int>(m_request.size());
    return m_request.c_str();
}

bool CHttpSocket::SetTimeout(int milliseconds, int kind) {
    if (m_socket == INVALID_SOCKET || (kind != kReceiveTimeout && kind != kSendTimeout)) return false;
    DWORD value = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
    int option = kind == kReceiveTimeout ? SO_RCVTIMEO : SO_SNDTIMEO;
    return setsockopt(m_socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool CHttpSocket::SetBufferSizes(int receiveBytes, int sendBytes) {
    if (m_socket == INVALID_SOCKET) return false;
    bool ok = setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBytes),
                         sizeof receiveBytes) == 0;
    ok = setsockopt(m_socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendBytes),
                    sizeof sendBytes) == 0 && ok;
    return ok;
}

void CHttpSocket::PrepareBodyTransfer() {
    SetTimeout(kBodySendTimeoutMs, kSendTimeout);
    SetBufferSizes(kReceiveBufferBytes, kSendBufferBytes);
}

// ---------------------------------------------------------------------------------------------
// CHttpRequest

CHttpRequest::CHttpRequest() : m_cookie(kDefaultCookie), m_userAgent(kHttpUserAgent), m_accept(kAccept) {}

CHttpRequest::~CHttpRequest() { Close(); }

bool CHttpRequest::IsHostChar(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == ':';
}

bool CHttpRequest::SplitUrl(const std::string& url, std::string& scheme, std::string& host, std::string& path,
                            unsigned short& port) {
    return SplitUrlText(url, true, scheme, host, path, port);
}

bool CHttpRequest::SplitUrl(const std::wstring& url, std::wstring& scheme, std::wstring& host, std::wstring& path,
                            unsigned short& port) {
    return SplitUrlText(url, false, scheme, host, path, port);
}

bool CHttpRequest::OpenGet(const std::string& url) {
    std::string scheme, host, path;
    unsigned short port = 80;
    if (!SplitUrl(url, scheme, host, path, port)) return false;
    int length = 0;
    // No Accept-Encoding: bodies are never decompressed, so none but the identity is taken.
    if (!FormatRequest(host.c_str(), path.c_str(), length, nullptr, nullptr, m_userAgent.c_str(),
                       m_accept.c_str(), nullptr, kAcceptLanguage, 0, 0)) {
        return false;
    }
    if (!CreateSocket() || !Connect(host.c_str(), port)) {
        Close();
        return false;
    }
    SetTimeout(kGetReceiveTimeoutMs, kReceiveTimeout);
    SetTimeout(kGetSendTimeoutMs, kSendTimeout);
    if (!SendRequest()) {
        Close();
        return false;
    }
    PrepareBodyTransfer();
    return true;
}

bool CHttpRequest::Get(const std::string& url, char* buffer, size_t size) {
    if (!OpenGet(url)) return false;
    unsigned long long bodyLength = 0;
    const bool lengthKnown = GetContentLengthField(bodyLength);
    if (buffer && size > 0) {
        size_t want = size;
        if (lengthKnown && bodyLength < want) want = static_cast<size_t>(bodyLength);
        size_t filled = 0;
        while (filled < want) {
            size_t block = want - filled < static_cast<size_t>(kBlockBytes) ? want - filled : kBlockBytes;
            int got = Receive(buffer + filled, static_cast<int>(block));
            if (got <= 0) break;
            filled += static_cast<size_t>(got);
        }
    } else if (!lengthKnown || bodyLength > 0) {
        char drop[kBlockBytes];
        Receive(drop, sizeof drop);
    }
    Close();
    return true;
}
