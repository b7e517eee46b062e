// The engine of the segmented downloader: a probe request learns the file's length (following
// redirects), then the file is fetched in byte ranges, each on a thread of its own into a part
// file beside the target, and the parts become the target once every range holds all of its
// bytes. A range resumes from the size its part file already has. With several ranges, each
// range's bytes also go at their place into "<target>_join" as they arrive (the ranges wait on
// the network, not on the disk), so that the file is whole when the last range ends and becomes
// the target by a rename; should that copy fail, the parts are joined after the download.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "deal_socket.h"
#include "http_download_part.h"

// Where a request goes: host and port to connect to, and the request target's two halves,
// already in request-line form (UTF-8, percent-encoded). The directory holds scheme and host.
struct HttpTarget {
    std::string host;
    int port = 80;
    std::string directory;
    std::string file;
};

// What a reply header says, as far as the downloader needs it.
struct HttpReplyHead {
    int status = 0;
    long long contentLength = -1;   // -1: no Content-Length
    bool hasContentRange = false;   // "Content-Range: bytes first-last/total"
    long long rangeFirst = 0;
    long long rangeLast = 0;
    long long rangeTotal = -1;      // -1: unknown ("*")
    std::string location;
    bool transferCoded = false;     // a Transfer-Encoding other than "identity"
};

// Parses the status line and the fields above; false when the text is no HTTP reply header or
// a field the downloader relies on is malformed.
bool ParseHttpReplyHead(const std::string& head, HttpReplyHead& out);

// The target that a Location value names, seen from the target that was asked for: an absolute
// http URL, or one relative to the asked target ("//host/…", "/path", "?query", "name").
bool ResolveLocation(const std::string& location, const HttpTarget& from, HttpTarget& to);

class CHttpGet;

// One byte range of the file: begin up to, not including, end.
struct HttpGetSegment {
    std::string proxyHost;
    int proxyPort = 0;
    std::string host;
    int port = 80;
    std::string directory;
    std::string file;
    std::wstring partPath;
    int begin = 0;
    int end = 0;
    bool useProxy = false;
    CHttpGet* owner = nullptr;
};

class CHttpGet {
public:
    // receiveTimeoutMs: how long a connection may stay silent before its request fails.
    explicit CHttpGet(DWORD receiveTimeoutMs);
    virtual ~CHttpGet();
    CHttpGet(const CHttpGet&) = delete;
    CHttpGet& operator=(const CHttpGet&) = delete;

    // The whole download on the calling thread: probe, ranges, join. fileSize receives the
    // file's length once the probe answered.
    bool DownloadDirect(const HttpTarget& url, const std::wstring& targetPath, int& fileSize, int threadCount);
    bool DownloadViaProxy(const HttpTarget& url, const std::wstring& targetPath, int& fileSize,
                          const std::string& proxyHost, int proxyPort, int threadCount);

    // Ends the download soon: connects, receives and range threads give up. Final for this object.
    void Stop() { m_running.store(false); }

    int GetFileSize() const { return m_fileSize.load(); }
    int GetSpeed() const { return m_speed.load(); }
    // Bytes of the file held in part files, including those an earlier attempt left.
    int GetDownloadedBytes() const { return m_downloadedBytes.load(); }

    static const int kMaxThreads = 50;
    static const int kMaxRedirects = 5;

private:
    struct Route {
        bool useProxy = false;
        std::string proxyHost;
        int proxyPort = 0;
    };

    bool Download(const HttpTarget& url, const std::wstring& targetPath, int& fileSize, const Route& route,
                  int threadCount);
    bool Probe(const HttpTarget& url, const Route& route, bool& rangesHonoured);
    bool WriteEmptyTarget(const std::wstring& targetPath, int threadCount);
    bool DownloadSegments(const HttpTarget& url, const std::wstring& targetPath, const Route& route,
                          int threadCount);
    void WaitForSegmentThreads(const std::vector<HANDLE>& threads);
    void MeasureSpeed(DWORD& lastTick, unsigned& lastReceived);

    SOCKET ConnectDirect(const std::string& host, int port);
    SOCKET ConnectViaProxy(const Route& route, const std::string& host, int port);
    // Sends the request for the file from rangeStart on and reads the reply header, following
    // redirects (at most kMaxRedirects); the socket is connected when it is not yet. bodyStart
    // receives the body bytes that arrived with the header.
    bool SendRequest(CDownloadSocket& socket, HttpTarget target, const Route& route, int rangeStart,
                     HttpReplyHead& head, std::string& bodyStart);
    bool SendText(CDownloadSocket& socket, const std::string& text);
    bool ReadResponseHeader(SOCKET socket, std::string& head, std::string& bodyStart);

    static unsigned __stdcall SegmentThreadProc(void* segment);
    bool RunSegment(HttpGetSegment& segment);
    // Receives needed bytes into the part and, while the whole file is kept, at wholeOffset on.
    bool ReceiveRange(CDownloadSocket& socket, CDownloadFile& part, std::string bodyStart, long long needed,
                      long long wholeOffset);
    // The bytes of a range that its part already held go into the whole file too.
    void CopyHeldToWhole(const HttpGetSegment& segment, long long held);
    void WriteToWhole(const char* data, DWORD size, long long offset);
    void AddDownloaded(long long bytes);

    bool JoinParts(const std::wstring& targetPath);
    bool MergeParts(CDownloadFile& target, const HttpGetSegment& segment);

    DWORD m_receiveTimeoutMs;
    std::atomic<bool> m_running{true};
    std::atomic<int> m_fileSize{0};
    std::atomic<int> m_speed{0};
    std::atomic<int> m_downloadedBytes{0};
    std::atomic<unsigned> m_receivedBytes{0};  // bytes that arrived in this run, for the speed
    std::atomic<int> m_completedSegments{0};
    std::vector<HttpGetSegment> m_segments;
    // The whole file written as the ranges arrive ("<target>_join"); m_wholeIntact clears when
    // a write to it fails, and the parts are then joined instead.
    CDownloadFile m_whole;
    std::wstring m_wholePath;
    std::atomic<bool> m_wholeIntact{false};
    CDealSocket m_dealSocket;
};
