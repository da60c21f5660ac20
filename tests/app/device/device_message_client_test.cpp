#include "app/device/device_message_client.h"
#include "platform/win_sockets_testing.h"
#include "tests/support/loopback_device_peer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using test_support::LoopbackDevicePeer;
using namespace std::chrono_literals;
using Messages = std::vector<std::pair<int, std::string>>;

const std::string kStopWord("\x7b\0\0\0", 4);

// Collects what the link hands on, from the link's reader thread.
struct MessageSink {
    static void Receive(int type, const char* body, int length, void* user) {
        auto* sink = static_cast<MessageSink*>(user);
        EXPECT_EQ(body[length], '\0');  // a text body can be read as a zero-terminated string
        std::lock_guard<std::mutex> hold(sink->lock);
        sink->messages.emplace_back(type, std::string(body, length));
        sink->arrived.notify_all();
    }
    Messages waitFor(size_t count) {
        std::unique_lock<std::mutex> hold(lock);
        arrived.wait_for(hold, 5s, [&] { return messages.size() >= count; });
        return messages;
    }
    std::mutex lock;
    std::condition_variable arrived;
    Messages messages;
};

class DeviceLink : public ::testing::Test {
protected:
    void Connect() {
        ASSERT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), 0);
        ExpectReconnect();
    }
    // The link greets on a new connection.
    void ExpectReconnect() {
        ASSERT_TRUE(peer.acceptLink());
        ASSERT_TRUE(peer.link().expectGreeting());
    }
    // The link closes its end after sending these bytes.
    void ExpectClose(const std::string& lastBytes) {
        bool closed = false;
        EXPECT_EQ(peer.link().receiveUntilClosed(closed), lastBytes);
        EXPECT_TRUE(closed);
    }
    static std::string Pattern(size_t size) {
        std::string bytes;
        while (bytes.size() < size) bytes += static_cast<char>('a' + bytes.size() % 26);
        return bytes;
    }

    LoopbackDevicePeer peer;
    MessageSink sink;
    DeviceMessageClient client{peer.port()};
};

TEST_F(DeviceLink, GreetsWithTwoWordsAndSendsStopWordOnStopOrRestart) {
    ASSERT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), 0);
    ASSERT_TRUE(peer.acceptLink());
    EXPECT_EQ(peer.link().receiveBytes(8), std::string("\x7b\0\0\0\0\0\0\0", 8));
    ASSERT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), 0);  // a restart stops the old link
    ExpectClose(kStopWord);
    ExpectReconnect();
    client.Stop();  // the reader is blocked in recv: the stop must wake it
    ExpectClose(kStopWord);
}

TEST_F(DeviceLink, ReassemblesSplitMessagesAndDeliversPackedOnesInOrder) {
    Connect();
    const std::string alarm = "\xb1\xa8\xbe\xaf: intrusion";
    const std::string osd = Pattern(kOsdRecordSize);
    const std::string figures = Pattern(kDeviceFigureSetSize);
    ASSERT_TRUE(peer.link().sendInSegments(test_support::encodeDeviceMessage(kDeviceAlarmText, alarm), 3));
    ASSERT_TRUE(peer.link().sendInSegments(test_support::encodeDeviceMessage(kDeviceOsdRecord, osd), 100));
    ASSERT_TRUE(peer.link().sendRaw(test_support::encodeDeviceMessage(kDeviceAlarmTextOther, "a") +
                             test_support::encodeDeviceMessage(kDeviceFigureSet, figures) +
                             test_support::encodeDeviceMessage(kDeviceLineSetBall, "bc")));
    EXPECT_EQ(sink.waitFor(5), (Messages{{kDeviceAlarmText, alarm}, {kDeviceOsdRecord, osd},
                                         {kDeviceAlarmTextOther, "a"}, {kDeviceFigureSet, figures},
                                         {kDeviceLineSetBall, "bc"}}));
}

TEST_F(DeviceLink, OversizedBodyIsCutItsExcessSkippedAndAHugeLengthAllocatesNothing) {
    Connect();
    const std::string body = Pattern(kMaxDeviceMessageBody + 3000);
    ASSERT_TRUE(peer.link().sendMessage(7, body));
    ASSERT_TRUE(peer.link().sendMessage(kDeviceAlarmText, "next"));
    const std::string first = body.substr(0, kMaxDeviceMessageBody);
    ASSERT_TRUE(peer.link().sendRaw(test_support::encodeDeviceFrame(3, 0x7fffffff, first + "more")));
    ASSERT_EQ(sink.waitFor(3).size(), 3u);
    peer.dropConnection();  // the rest of the huge body never comes
    ExpectReconnect();
    ASSERT_TRUE(peer.link().sendMessage(kDeviceAlarmText, "after"));
    EXPECT_EQ(sink.waitFor(4),
              (Messages{{7, first}, {kDeviceAlarmText, "next"}, {3, first}, {kDeviceAlarmText, "after"}}));
}

TEST_F(DeviceLink, LengthBelowOneOrPeerCloseDropsTheMessageAndReconnects) {
    Connect();
    for (int length : {0, -4}) {
        ASSERT_TRUE(peer.link().sendRaw(test_support::encodeDeviceFrame(kDeviceOsdRecord, length, "")));
        ExpectClose("");
        ExpectReconnect();
    }
    ASSERT_TRUE(peer.link().sendRaw(test_support::encodeDeviceFrame(kDeviceOsdRecord, kOsdRecordSize, "partial")));
    peer.dropConnection();
    ExpectReconnect();
    ASSERT_TRUE(peer.link().sendMessage(kDeviceAlarmText, "whole"));
    EXPECT_EQ(sink.waitFor(1), (Messages{{kDeviceAlarmText, "whole"}}));
    EXPECT_EQ(peer.acceptedCount(), 4);
}

TEST_F(DeviceLink, RetriesWhileTheCameraIsBrieflyAwayAndGivesUpAfterFiveRefusals) {
    Connect();
    peer.stopListening();
    peer.dropConnection();
    std::this_thread::sleep_for(60ms);  // within the five attempts, 40 ms apart
    ASSERT_TRUE(peer.listenAgain());
    ExpectReconnect();

    peer.stopListening();
    peer.dropConnection();
    std::this_thread::sleep_for(500ms);  // well past five attempts
    ASSERT_TRUE(peer.listenAgain());
    EXPECT_TRUE(peer.noConnectionWithin(200ms));
    client.Stop();
    Connect();  // until the next start
}

TEST_F(DeviceLink, StopWakesReaderBlockedInReconnect) {
    Connect();
    ASSERT_TRUE(peer.stallNewConnections());
    peer.dropConnection();
    std::this_thread::sleep_for(50ms);  // the reader is now waiting for the handshake
    auto stopped = std::async(std::launch::async, [&] { client.Stop(); });
    EXPECT_EQ(stopped.wait_for(5s), std::future_status::ready);
}

TEST(DeviceLinkLifetime, StartFailsWithoutCameraAndANeverStartedLinkStopsAtOnceReleasingSockets) {
    const int users = platform::socketLibraryUsers();
    {
        LoopbackDevicePeer peer;
        peer.stopListening();
        DeviceMessageClient client(peer.port());
        EXPECT_EQ(platform::socketLibraryUsers(), users + 1);
        MessageSink sink;
        for (const char* address : {"127.0.0.1", "camera.local", ""}) {
            EXPECT_EQ(client.Start(address, &MessageSink::Receive, &sink), -1) << address;
        }
        client.Stop();
        client.Stop();
    }
    EXPECT_EQ(platform::socketLibraryUsers(), users);
}

}  // namespace
