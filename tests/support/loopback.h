// Sockets on 127.0.0.1 for tests that play a server themselves.
#pragma once

#include <winsock2.h>

namespace loopback {

// A TCP socket bound to 127.0.0.1 on a port the system chooses (returned in port), listening
// with the given backlog when it is above 0. INVALID_SOCKET when it cannot be made.
SOCKET Bind(unsigned short& port, int backlog = 0);

// A port on 127.0.0.1 where nobody listens: one the system chose, bound and released again.
unsigned short ClosedPort();

}  // namespace loopback
