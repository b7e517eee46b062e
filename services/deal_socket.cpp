#include "deal_socket.h"

#include <ws2tcpip.h>

namespace {

// How long one wait lasts before the stop flag is looked at again.
const DWORD kSliceMs = 100;

bool SetBlocking(SOCKET s, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

}  // namespace

CDownloadSocket& CDownloadSocket::operator=(CDownloadSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_socket = other.Release();
    }
    return *this;
}

SOCKET CDownloadSocket::Release() {
    SOCKET s = m_socket;
    m_socket = INVALID_SOCKET;
    return s;
}

void CDownloadSocket::Close() {
    if (m_socket != INVALID_SOCKET) {
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
}

bool CDealSocket::WaitReady(SOCKET s, bool forWrite, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    for (;;) {
        if (Stopped()) return false;
        fd_set ready;
        fd_set failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s, &ready);
        FD_SET(s, &failed);
        timeval slice = {0, static_cast<long>(kSliceMs * 1000)};
        int n = select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &slice);
        if (n == SOCKET_ERROR) return false;
        if (n > 0) return FD_ISSET(s, &ready) != 0 || !forWrite;
        if (GetTickCount() - start >= timeoutMs) return false;
    }
}

SOCKET CDealSocket::Connect(const std::string& host, int port) const {
    if (host.empty() || port <= 0 || port > 65535) return INVALID_SOCKET;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return INVALID_SOCKET;
    SOCKET connected = INVALID_SOCKET;
    for (addrinfo* a = found; a && connected == INVALID_SOCKET && !Stopped(); a = a->ai_next) {
        CDownloadSocket s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (!s.IsValid() || !SetBlocking(s.Get(), false)) continue;
        if (connect(s.Get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) continue;
            if (!WaitReady(s.Get(), true, kConnectTimeoutMs)) continue;
            int error = 0;
            int length = sizeof error;
            if (getsockopt(s.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
                error != 0)
                continue;
        }
        // The socket stays non-blocking: sends and receives wait in slices of their own. Its
        // receive buffer is left to the system, which grows it with a fast transfer (a size set
        // here would hold it there).
        BOOL noDelay = TRUE;
        setsockopt(s.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
        connected = s.Release();
    }
    freeaddrinfo(found);
    return connected;
}

bool CDealSocket::SendAll(SOCKET s, const std::string& text) const {
    size_t sent = 0;
    while (sent < text.size()) {
        if (Stopped()) return false;
        int n = send(s, text.data() + sent, static_cast<int>(text.size() - sent), 0);
        if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            if (!WaitReady(s, true, kConnectTimeoutMs)) return false;
            continue;
        }
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

ReceiveResult CDealSocket::Receive(SOCKET s, char* buffer, int size, DWORD timeoutMs, int& received) const {
    received = 0;
    for (;;) {
        if (Stopped()) return ReceiveResult::Stopped;
        // Data that is already there is taken at once; only an empty socket is waited for.
        int n = recv(s, buffer, size, 0);
        if (n > 0) {
            received = n;
            return ReceiveResult::Data;
        }
        if (n == 0) return ReceiveResult::Closed;
        if (WSAGetLastError() != WSAEWOULDBLOCK) return ReceiveResult::Failed;
        if (!WaitReady(s, false, timeoutMs)) return Stopped() ? ReceiveResult::Stopped : ReceiveResult::TimedOut;
    }
}
