// The player's own HTTP/1.1 client on WinSock TCP sockets: plain http, one request per
// connection. CHttpSocket holds the connection, builds the request text, reads the response
// header and hands out the body (chunked bodies decoded); CHttpRequest adds the default request
// headers, URL splitting and the simple GET.
// WinSock must have been started by the program (WSAStartup 2.2) before any request.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <string>

// The User-Agent that the player's requests carry (this client and the segmented downloader).
const char kHttpUserAgent[] = "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0; Vela Client)";

class CHttpSocket {
public:
    // Bytes of the response header that are kept, every field of it. A header that runs on
    // beyond them ends the connection: nothing after it can be trusted as body.
    static constexpr int kHeaderCapacity = 64 * 1024;
    static constexpr int kHeaderReadLimit = kHeaderCapacity;
    // How long a GET's connection may stay silent (receive) or blocked (send) before it fails.
    static constexpr int kGetReceiveTimeoutMs = 30000;
    static constexpr int kGetSendTimeoutMs = 20000;

    CHttpSocket();
    ~CHttpSocket();  // closes the socket when one is open
    CHttpSocket(const CHttpSocket&) = delete;
    CHttpSocket& operator=(const CHttpSocket&) = delete;

    // Creates the stream socket when not connected; false when connected (the socket is kept)
    // or when the socket cannot be created.
    bool CreateSocket();
    // Closes the socket (when there is one) and forgets the response header. False only when
    // the close itself failed, in which case nothing changes.
    bool Close();
    // Resolves host (name or dotted address) and connects to its first IPv4 address. Closes an
    // earlier connection first and creates the socket when needed. On a failed connect the
    // socket stays open for the caller to close.
    bool Connect(const char* host, unsigned short port = 80);
    bool IsConnected() const { return m_connected; }

    // Sends data (length 0: up to its terminator); with no data sends the request text built by
    // FormatRequest. Every byte must be sent, else false (no header is read). Then reads the
    // response header.
    bool SendRequest(const char* data = nullptr, int length = 0);
    // At most size bytes of the response body (before a header was read: of the connection):
    // the byte count, 0 at the end of the body (the peer closed, or the last chunk of a chunked
    // body arrived), -1 on an error, a time-out or a chunked body that was cut short or garbled.
    // 0 and -1 close the connection. Not connected: 0. Bytes that arrived with the header come
    // first; a chunked body comes decoded.
    int Receive(char* buffer, int size);

    // Reads the response header once per connection (in blocks, up to and including the empty
    // line; bytes after it are kept for Receive) and returns it zero-terminated with its stored
    // length. Later calls return the stored header. A header that has not ended within
    // kHeaderCapacity bytes is kept as read and ends the connection.
    const char* ReadResponseHeader(int& length);
    bool HeaderRead() const { return m_headerRead; }
    // Whether the header read reached its empty line (false when the connection closed or timed
    // out in the middle of the header, or when none was read).
    bool HeaderComplete() const { return m_headerComplete; }
    // Whether the body of the header read is chunked (Transfer-Encoding "chunked" alone), so
    // that Receive decodes it and its end is the last chunk, not a length or the peer's close.
    bool BodyChunked() const { return m_chunked; }

    // The value of the header field name: the field name must start a header line and is
    // matched ignoring case; blanks around the value are not part of it. Copies at most
    // size - 1 bytes zero-terminated into out and returns the count copied, or -1 when no header
    // was read or no such field exists.
    int GetHeaderValue(const char* name, char* out, int size) const;
    // The same, whole, into a string.
    bool GetHeaderValue(const char* name, std::string& out) const;
    // The Content-Length field as a number; false when it is missing or not a decimal number.
    bool GetContentLengthField(unsigned long long& length) const;
    // -1 when no header was read; else the three-digit status of the status line, 0 when the
    // status line is too short or malformed.
    int GetStatusCode() const;

    // Builds the request text (request line, header fields, empty line) and returns it with
    // its length. Null texts leave their field out; a Range field is sent only when rangeFrom
    // is not 0 ("bytes=from-" and rangeTo when from < to). An empty path is sent as "/". Texts
    // holding CR or LF are refused: the result is null, length 0 and no request is kept.
    const char* FormatRequest(const char* host, const char* path, int& length, const char* cookie,
                              const char* referer, const char* userAgent, const char* accept,
                              const char* acceptEncoding, const char* acceptLanguage,
                              unsigned long rangeFrom, unsigned long rangeTo);

    enum TimeoutKind { kReceiveTimeout = 0, kSendTimeout = 1 };
    // Sets the socket's receive (kind 0) or send (kind 1) time-out in milliseconds.
    bool SetTimeout(int milliseconds, int kind);
    // Sets the socket's receive and send buffer sizes.
    bool SetBufferSizes(int receiveBytes, int sendBytes);
    // The short send time-out and the large buffers of a connection whose response body is
    // read next.
    void PrepareBodyTransfer();

    // Dotted address of the host of the last successful name look-up.
    const char* GetHostAddress() const { return m_hostAddress.c_str(); }
    unsigned short GetPort() const { return m_port; }

private:
    enum ChunkStep { kChunkSize, kChunkData, kChunkDataEnd, kChunkTrailer };

    bool SendAll(const char* data, size_t length);
    void ReadHeaderFromSocket();
    // Body bytes as they came: those kept from the header read first, then the socket's.
    int ReceiveRaw(char* buffer, int size);
    int ReceiveChunked(char* buffer, int size);
    // One line of the chunk framing, without its CR LF; false when the connection ended first
    // or the line is too long to be framing.
    bool ReadFramingLine(std::string& line);
    // Closes after a body that cannot be read on: -1.
    int FailBody();

    SOCKET m_socket;
    bool m_connected;
    bool m_headerRead;
    bool m_headerComplete;
    bool m_chunked;
    int m_headerLength;
    std::string m_request;
    std::string m_header;
    std::string m_pending;        // received after the header, not yet handed out
    size_t m_pendingUsed;
    ChunkStep m_chunkStep;
    unsigned long long m_chunkLeft;  // bytes of the current chunk still to come
    unsigned short m_port;
    std::string m_hostAddress;
};

class CHttpRequest : public CHttpSocket {
public:
    CHttpRequest();
    ~CHttpRequest();

    // Splits an http URL. scheme and host are upper-cased; path keeps the URL's case and begins
    // with its '/', empty when the URL has none; port is 80 unless the host names one. A URL
    // without ':' gets the scheme "HTTP". False when no host is found or the port is not a
    // number from 1 to 65535.
    static bool SplitUrl(const std::string& url, std::string& scheme, std::string& host,
                         std::string& path, unsigned short& port);
    // The same over UTF-16 text, without upper-casing.
    static bool SplitUrl(const std::wstring& url, std::wstring& scheme, std::wstring& host,
                         std::wstring& path, unsigned short& port);
    // A letter, digit, '-', '.' or ':'.
    static bool IsHostChar(int c);

    // One GET of url. True when the request was sent (whatever the status). When buffer is
    // given, the start of the response body (at most size bytes, never past the body's
    // announced length) is copied into it; otherwise the first block is read and dropped.
    // The connection is closed before returning.
    bool Get(const std::string& url, char* buffer = nullptr, size_t size = 1024);

    const std::string& GetCookie() const { return m_cookie; }
    const std::string& GetUserAgent() const { return m_userAgent; }
    const std::string& GetAccept() const { return m_accept; }
    const std::string& GetReferer() const { return m_referer; }
    // The Location of the last redirect answer that MusicDown met.
    const std::string& GetRedirectLocation() const { return m_redirectLocation; }
    void SetRedirectLocation(const std::string& location) { m_redirectLocation = location; }

protected:
    // Splits url, formats the default GET, connects and sends it, reading the header.
    // False when the URL is unusable or the connection cannot be made (closed then).
    bool OpenGet(const std::string& url);

    std::string m_cookie;
    std::string m_userAgent;
    std::string m_accept;
    std::string m_referer;
    std::string m_redirectLocation;
};
