#include "standin_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>

#include "vela_deployment.h"

namespace standin {
namespace {

class Socket {
public:
    Socket() : s_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() { if (s_ != INVALID_SOCKET) closesocket(s_); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return s_; }
private:
    SOCKET s_;
};

bool SendAll(SOCKET s, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        int n = send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

const char kLogSeparator[] = "\n-----8<-----\n";

}  // namespace

int Port() { return VELA_STANDIN_PORT; }
int AltPort() { return VELA_STANDIN_ALT_PORT; }
std::string BaseUrl() { return "http://127.0.0.1:" + std::to_string(Port()); }
std::string AltBaseUrl() { return "http://localhost:" + std::to_string(AltPort()); }

Reply Request(const std::string& method, const std::string& path, const std::string& body) {
    Reply reply;
    Socket sock;
    if (sock.get() == INVALID_SOCKET) return reply;
    DWORD timeout = 30000;
    setsockopt(sock.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(Port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(sock.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return reply;
    std::string request = method + " " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    if (!SendAll(sock.get(), request)) return reply;
    std::string raw;
    char buf[8192];
    for (;;) {
        int n = recv(sock.get(), buf, sizeof buf, 0);
        if (n <= 0) break;
        raw.append(buf, static_cast<size_t>(n));
    }
    size_t end = raw.find("\r\n\r\n");
    if (end == std::string::npos) return reply;
    reply.header = raw.substr(0, end + 4);
    reply.body = raw.substr(end + 4);
    if (reply.header.size() > 12) reply.status = std::atoi(reply.header.c_str() + 9);
    return reply;
}

void Reset() { Request("POST", "/_ctl/reset"); }

std::vector<std::string> Requests() {
    std::vector<std::string> out;
    std::string log = Request("GET", "/_ctl/log").body;
    size_t pos = 0;
    while (pos < log.size()) {
        size_t next = log.find(kLogSeparator, pos);
        if (next == std::string::npos) next = log.size();
        if (next > pos) out.push_back(log.substr(pos, next - pos));
        pos = next + sizeof kLogSeparator - 1;
    }
    return out;
}

std::vector<std::string> RequestsMatching(const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& r : Requests()) {
        std::string line = r.substr(0, r.find("\r\n"));
        if (line.find(text) != std::string::npos) out.push_back(r);
    }
    return out;
}

void PutFile(const std::string& name, const std::string& bytes) {
    Request("PUT", "/_ctl/file/" + name, bytes);
}

std::string Control(const std::string& what, const std::string& query) {
    return Request("POST", "/_ctl/" + what + (query.empty() ? "" : "?" + query)).body;
}

std::string Escape(const std::string& value) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace standin
