#include "fake_server.h"

#include "loopback.h"

FakeServer::FakeServer(const std::string& reply, bool closeAfter)
    : m_listen(INVALID_SOCKET), m_port(0), m_reply(reply), m_closeAfter(closeAfter),
      m_served(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_listen = loopback::Bind(m_port, 1);
    m_thread = std::thread(&FakeServer::Serve, this);
}

FakeServer::~FakeServer() {
    SetEvent(m_release);
    closesocket(m_listen);  // ends an accept that never came
    m_thread.join();
    CloseHandle(m_served);
    CloseHandle(m_release);
}

std::string FakeServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string FakeServer::Request() {
    WaitForSingleObject(m_served, 10000);
    return m_request;
}

void FakeServer::Serve() {
    SOCKET client = accept(m_listen, nullptr, nullptr);
    if (client == INVALID_SOCKET) {
        SetEvent(m_served);
        return;
    }
    DWORD timeout = 10000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    char c;
    while (m_request.size() < 65536 && recv(client, &c, 1, 0) == 1) {
        m_request += c;
        if (m_request.size() >= 4 && m_request.compare(m_request.size() - 4, 4, "\r\n\r\n") == 0) break;
    }
    size_t sent = 0;
    while (sent < m_reply.size()) {
        int n = send(client, m_reply.data() + sent, static_cast<int>(m_reply.size() - sent), 0);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    SetEvent(m_served);
    if (!m_closeAfter) WaitForSingleObject(m_release, 30000);
    shutdown(client, SD_SEND);
    closesocket(client);
}
