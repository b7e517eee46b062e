// Connections of the segmented downloader: an owned socket, a connect that can be abandoned
// while it waits, and receives that wait in short slices so that a stop request or a silent
// server never blocks the caller for long.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>

// Owns one socket and closes it.
class CDownloadSocket {
public:
    CDownloadSocket() = default;
    explicit CDownloadSocket(SOCKET s) : m_socket(s) {}
    ~CDownloadSocket() { Close(); }
    CDownloadSocket(const CDownloadSocket&) = delete;
    CDownloadSocket& operator=(const CDownloadSocket&) = delete;
    CDownloadSocket(CDownloadSocket&& other) noexcept : m_socket(other.Release()) {}
    CDownloadSocket& operator=(CDownloadSocket&& other) noexcept;

    SOCKET Get() const { return m_socket; }
    bool IsValid() const { return m_socket != INVALID_SOCKET; }
    SOCKET Release();
    void Close();

private:
    SOCKET m_socket = INVALID_SOCKET;
};

// Outcome of one wait for data.
enum class ReceiveResult { Data, Closed, Failed, TimedOut, Stopped };

class CDealSocket {
public:
    // keepGoing: when given, a connect or receive in progress gives up soon after it turns false.
    explicit CDealSocket(const std::atomic<bool>* keepGoing = nullptr) : m_keepGoing(keepGoing) {}
    virtual ~CDealSocket() = default;

    // A stream socket connected to the host (name or address) on the port: each address of the
    // name is tried in turn. INVALID_SOCKET on any failure, after the time-out, or when stopped.
    SOCKET Connect(const std::string& host, int port) const;

    // Sends all of the text; false on failure or stop.
    bool SendAll(SOCKET s, const std::string& text) const;

    // Receives up to size bytes into buffer, waiting at most timeoutMs for the first of them.
    // The socket must come from Connect (it is non-blocking).
    ReceiveResult Receive(SOCKET s, char* buffer, int size, DWORD timeoutMs, int& received) const;

    static const DWORD kConnectTimeoutMs = 15000;

private:
    bool Stopped() const { return m_keepGoing && !m_keepGoing->load(); }
    // Waits until the socket is readable (or writable) in short slices; false on time-out or stop.
    bool WaitReady(SOCKET s, bool forWrite, DWORD timeoutMs) const;

    const std::atomic<bool>* m_keepGoing;
};
