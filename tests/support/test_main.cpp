// Entry point of every test program: WinSock is started once for the process, as the player's
// start-up does, then GoogleTest runs.
#include <winsock2.h>
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 2;
    ::testing::InitGoogleMock(&argc, argv);
    int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
