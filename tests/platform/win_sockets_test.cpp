#include "platform/win_sockets.h"
#include "platform/win_sockets_testing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <future>
#include <thread>

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

}  // namespace
