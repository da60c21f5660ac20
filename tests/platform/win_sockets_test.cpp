#include "platform/win_sockets.h"
#include "platform/win_sockets_testing.h"

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <sys/socket.h>

namespace {

// Two connected stream sockets as Winsock handles.
struct SocketPair {
    SOCKET a = INVALID_SOCKET;
    SOCKET b = INVALID_SOCKET;
    SocketPair() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
            a = static_cast<SOCKET>(fds[0]);
            b = static_cast<SOCKET>(fds[1]);
        }
    }
    ~SocketPair() {
        if (a != INVALID_SOCKET) closesocket(a);
        if (b != INVALID_SOCKET) closesocket(b);
    }
};

TEST(WinSockets, StartupCountsUsersAndCleanupBalancesThem) {
    const int before = platform::socketLibraryUsers();
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(platform::socketLibraryUsers(), before + 2);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(platform::socketLibraryUsers(), before);
    if (before == 0) {
        EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    }
    EXPECT_EQ(platform::socketLibraryUsers(), before);
}

TEST(WinSockets, StartupAgreesOnVersionOrRefuses) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
    ASSERT_EQ(WSAStartup(MAKEWORD(3, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    const int users = platform::socketLibraryUsers();
    EXPECT_EQ(WSAStartup(MAKEWORD(0, 9), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
    EXPECT_EQ(platform::socketLibraryUsers(), users);
    for (int i = 0; i < 3; ++i)
        WSACleanup();
}

TEST(WinSockets, SendOnClosedConnectionFailsWithoutSignal) {
    std::signal(SIGPIPE, SIG_DFL);  // a SIGPIPE would end this test process
    SocketPair pair;
    ASSERT_NE(pair.a, INVALID_SOCKET);
    closesocket(pair.b);
    pair.b = INVALID_SOCKET;
    const char bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(send(pair.a, bytes, 4, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
    EXPECT_EQ(send(pair.a, bytes, -1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
}

TEST(WinSockets, ShutdownBothWakesBlockedReader) {
    SocketPair pair;
    ASSERT_NE(pair.a, INVALID_SOCKET);
    auto reader = std::async(std::launch::async, [&] {
        char byte;
        return recv(pair.a, &byte, 1, 0);
    });
    ASSERT_EQ(shutdown(pair.a, SD_BOTH), 0);
    EXPECT_EQ(reader.get(), 0);
}

TEST(WinSockets, FailuresGiveWinsockSentinelsAndCodes) {
    EXPECT_EQ(closesocket(INVALID_SOCKET), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(send(INVALID_SOCKET, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);

    const SOCKET unsupported = socket(-1, SOCK_STREAM, 0);
    EXPECT_EQ(unsupported, INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
}

}  // namespace
