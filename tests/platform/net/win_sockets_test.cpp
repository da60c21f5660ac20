#include "platform/net/win_sockets.h"
#include "platform/net/win_sockets_testing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <future>
#include <thread>

#include <unistd.h>

namespace {

// Two connected stream sockets as Winsock handles.
std::pair<SOCKET, SOCKET> ConnectedPair() {
    int fds[2] = {-1, -1};
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    return {static_cast<SOCKET>(fds[0]), static_cast<SOCKET>(fds[1])};
}

TEST(WinSockets, StartupAgreesOnAVersionAndCountsUsersThatCleanupBalances) {
    const int before = platform::socketLibraryUsers();
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
    ASSERT_EQ(WSAStartup(MAKEWORD(3, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    EXPECT_EQ(WSAStartup(MAKEWORD(0, 9), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
    EXPECT_EQ(platform::socketLibraryUsers(), before + 2);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(platform::socketLibraryUsers(), before);
    if (before == 0) {
        EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    }
}

TEST(WinSockets, FailedCallsGiveWinsockCodesAndNeverASignal) {
    std::signal(SIGPIPE, SIG_DFL);  // a SIGPIPE would end this test process
    const auto [a, b] = ConnectedPair();
    closesocket(b);
    EXPECT_EQ(send(a, "abcd", 4, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
    EXPECT_EQ(send(a, "abcd", -1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    closesocket(a);
    EXPECT_EQ(closesocket(INVALID_SOCKET), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(send(INVALID_SOCKET, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(socket(-1, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
}

// A descriptor is closed only once no thread uses it any more (the number could be reused under the
// reader): shut down, wait for the reader, then close.
TEST(WinSockets, ShutdownWakesAReaderBlockedOnTheSocket) {
    const auto [a, b] = ConnectedPair();
    auto reader = std::async(std::launch::async, [a = a] {
        char byte;
        return recv(a, &byte, 1, 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // into recv
    EXPECT_EQ(shutdown(a, SD_BOTH), 0);
    if (reader.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        send(b, "x", 1, 0);  // still blocked: release it so that the test can end
        ADD_FAILURE() << "the reader did not wake";
    }
    EXPECT_LE(reader.get(), 0);
    EXPECT_EQ(closesocket(a), 0);
    closesocket(b);
}

// A loopback listener's port, and a port where nothing listens.
uint16_t ListeningPort(int& listener) {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof where;
    bind(listener, reinterpret_cast<sockaddr*>(&where), size);
    listen(listener, 4);
    getsockname(listener, reinterpret_cast<sockaddr*>(&where), &size);
    return ntohs(where.sin_port);
}

// Connects without blocking and reports the outcome of FD_CONNECT (or -1 when it never came).
int ConnectOutcome(uint16_t port, WSAEVENT connected, WSAEVENT other) {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(WSAEventSelect(s, connected, FD_CONNECT), 0);
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    where.sin_port = htons(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&where), sizeof where) == SOCKET_ERROR) {
        EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    }
    const WSAEVENT events[] = {other, connected};
    EXPECT_EQ(WSAWaitForMultipleEvents(2, events, FALSE, 5000, FALSE), WSA_WAIT_EVENT_0 + 1);
    WSANETWORKEVENTS happened;
    EXPECT_EQ(WSAEnumNetworkEvents(s, connected, &happened), 0);
    closesocket(s);
    return (happened.lNetworkEvents & FD_CONNECT) != 0 ? happened.iErrorCode[FD_CONNECT_BIT] : -1;
}

TEST(WinSockets, SocketEventsWakeAWaitAndReportHowANonBlockingConnectEnded) {
    const WSAEVENT stop = WSACreateEvent();
    const WSAEVENT connected = WSACreateEvent();
    EXPECT_EQ(WSAWaitForMultipleEvents(1, &stop, FALSE, 10, FALSE), WSA_WAIT_TIMEOUT);
    auto waiter =
        std::async(std::launch::async, [&] { return WSAWaitForMultipleEvents(1, &stop, FALSE, WSA_INFINITE, FALSE); });
    EXPECT_TRUE(WSASetEvent(stop));
    EXPECT_EQ(waiter.get(), WSA_WAIT_EVENT_0);
    const WSAEVENT both[] = {connected, stop};
    EXPECT_EQ(WSAWaitForMultipleEvents(2, both, FALSE, 0, FALSE), WSA_WAIT_EVENT_0 + 1);  // stays set
    EXPECT_TRUE(WSAResetEvent(stop));
    EXPECT_EQ(WSAWaitForMultipleEvents(2, both, TRUE, 0, FALSE), WSA_WAIT_FAILED);  // waiting for all: unsupported

    int listener = -1;
    const uint16_t port = ListeningPort(listener);
    EXPECT_EQ(ConnectOutcome(port, connected, stop), 0);
    close(listener);
    EXPECT_EQ(ConnectOutcome(port, connected, stop), WSAECONNREFUSED);

    EXPECT_TRUE(WSACloseEvent(connected));
    EXPECT_EQ(WSAWaitForMultipleEvents(2, both, FALSE, 0, FALSE), WSA_WAIT_FAILED);  // a closed event
    EXPECT_FALSE(WSASetEvent(connected));
    EXPECT_TRUE(WSACloseEvent(stop));
}

}  // namespace
