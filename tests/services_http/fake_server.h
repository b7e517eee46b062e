// A one-connection HTTP server inside the test: it records the request bytes exactly and answers
// with a scripted reply, for behaviour that the stand-in cannot produce byte for byte.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <thread>

class FakeServer {
public:
    // reply: the bytes sent after the request header arrived. closeAfter: close the connection
    // after the reply; otherwise hold it open until the server is destroyed.
    explicit FakeServer(const std::string& reply, bool closeAfter = true);
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    unsigned short Port() const { return m_port; }
    std::string Url(const std::string& path) const;
    // The request bytes as received (waits for the connection to be served).
    std::string Request();

private:
    void Serve();

    SOCKET m_listen;
    unsigned short m_port;
    std::string m_reply;
    bool m_closeAfter;
    std::string m_request;
    HANDLE m_served;   // set once the reply was sent
    HANDLE m_release;  // set by the destructor
    std::thread m_thread;
};
