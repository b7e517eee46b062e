#include "loopback.h"

namespace loopback {

SOCKET Bind(unsigned short& port, int backlog) {
    port = 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        (backlog > 0 && listen(s, backlog) != 0)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

unsigned short ClosedPort() {
    unsigned short port = 0;
    SOCKET s = Bind(port);
    if (s != INVALID_SOCKET) closesocket(s);
    return port;
}

}  // namespace loopback
