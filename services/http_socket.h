// The player's own HTTP/1.1 client on WinSock TCP sockets: plain http, one request per
// connection. CHttpSocket holds the connection, builds the request text and reads the response
// header; CHttpRequest adds the default request headers, URL splitting and the simple GET.
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
    // Bytes of the response header that are kept; the rest of a longer header is read and dropped.
    static constexpr int kHeaderCapacity = 1024;
    // A header that runs on beyond this many bytes ends the connection.
    static constexpr int kHeaderReadLimit = 64 * 1024;
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
    // One receive of at most size bytes: the byte count, 0 when the peer closed, -1 on an error
    // or time-out. 0 and -1 close the connection. Not connected: 0.
    int Receive(char* buffer, int size);

    // Reads the response header once per connection (byte by byte, up to and including the
    // empty line) and returns it zero-terminated with its stored length. Later calls return the
    // stored header. At most kHeaderCapacity bytes are kept; a longer header is cut back to its
    // last whole line and the remaining header lines are read and dropped, never taken as body.
    const char* ReadResponseHeader(int& length);
    bool HeaderRead() const { return m_headerRead; }
    // Whether the header read reached its empty line (false when the connection closed or timed
    // out in the middle of the header, or when none was read).
    bool HeaderComplete() const { return m_headerComplete; }

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
    bool SendAll(const char* data, size_t length);
    void ReadHeaderFromSocket();

    SOCKET m_socket;
    bool m_connected;
    bool m_headerRead;
    bool m_headerComplete;
    int m_headerLength;
    std::string m_request;
    std::string m_header;
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
