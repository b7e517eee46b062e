// The proxy road of the downloader: every connection is a CONNECT tunnel through the proxy.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "download_test_support.h"
#include "http_download.h"
#include "loopback.h"
#include "standin_client.h"
#include "test_files.h"

namespace {

// A tiny tunnelling proxy on 127.0.0.1: answers each CONNECT with the given status line and,
// when that is 200, relays bytes to the stand-in whatever host the CONNECT names.
class TunnelProxy {
public:
    explicit TunnelProxy(std::string answer) : answer_(std::move(answer)) {
        unsigned short port = 0;
        listener_ = loopback::Bind(port, 16);
        port_ = port;
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }
    ~TunnelProxy() {
        closesocket(listener_);
        acceptor_.join();
        for (std::thread& t : tunnels_) t.join();
    }
    int Port() const { return port_; }
    std::vector<std::string> ConnectLines() {
        std::lock_guard<std::mutex> hold(lock_);
        return lines_;
    }

private:
    void AcceptLoop() {
        for (;;) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            tunnels_.emplace_back([this, client] { Tunnel(client); });
        }
    }

    void Tunnel(SOCKET client) {
        std::string head;
        char c;
        while (head.find("\r\n\r\n") == std::string::npos && recv(client, &c, 1, 0) == 1) head += c;
        {
            std::lock_guard<std::mutex> hold(lock_);
            lines_.push_back(head.substr(0, head.find("\r\n")));
        }
        std::string reply = answer_ + "\r\n\r\n";
        send(client, reply.data(), static_cast<int>(reply.size()), 0);
        if (answer_.find(" 200 ") == std::string::npos) {
            closesocket(client);
            return;
        }
        SOCKET server = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<u_short>(standin::Port()));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) Relay(client, server);
        closesocket(server);
        closesocket(client);
    }

    static void Relay(SOCKET a, SOCKET b) {
        char buffer[65536];
        for (;;) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(a, &ready);
            FD_SET(b, &ready);
            timeval wait = {10, 0};
            if (select(0, &ready, nullptr, nullptr, &wait) <= 0) return;
            SOCKET from = FD_ISSET(a, &ready) ? a : b;
            SOCKET to = from == a ? b : a;
            int n = recv(from, buffer, sizeof buffer, 0);
            if (n <= 0 || send(to, buffer, n, 0) != n) return;
        }
    }

    std::string answer_;
    SOCKET listener_;
    int port_ = 0;
    std::thread acceptor_;
    std::vector<std::thread> tunnels_;
    std::mutex lock_;
    std::vector<std::string> lines_;
};

TEST(DownloadProxy, RangesGoThroughTunnelsAndARefusalFails) {
    standin::Reset();
    const std::string name = "proxied.bin";
    const std::string source = dltest::MakeBytes(60000, 11);
    const std::string url = dltest::PutSource(name, source);
    const std::wstring target = testfiles::FreshDir(L"dlproxy") + L"\\" + testfiles::Widen(name);
    const std::string connect = "CONNECT 127.0.0.1:" + std::to_string(standin::Port()) + " HTTP/1.1";
    {
        TunnelProxy proxy("HTTP/1.0 200 Connection established");
        CHttpDownload download;
        int fileSize = 0;
        EXPECT_TRUE(download.HttpDownload(testfiles::Widen(url), target, fileSize, "127.0.0.1", proxy.Port(), 2));
        EXPECT_TRUE(testfiles::ReadAll(target) == source);
        EXPECT_EQ(proxy.ConnectLines(), std::vector<std::string>(3, connect)) << "probe and two ranges";
    }
    DeleteFileW(target.c_str());
    TunnelProxy refusing("HTTP/1.0 403 Forbidden");
    CHttpDownload download;
    int fileSize = 0;
    EXPECT_FALSE(download.HttpDownload(testfiles::Widen(url), target, fileSize, "127.0.0.1", refusing.Port(), 1));
    EXPECT_EQ(fileSize, 0);
    EXPECT_FALSE(testfiles::Exists(target));
}

}  // namespace
