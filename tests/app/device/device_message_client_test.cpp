#include "app/device/device_message_client.h"
#include "platform/win_sockets_testing.h"
#include "tests/support/loopback_device_peer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using test_support::LoopbackDevicePeer;
using namespace std::chrono_literals;

struct Received {
    int type;
    std::string body;
    bool terminated;  // a zero byte follows the body
    void* user;
};

// Collects what the link hands on, from the link's reader thread.
class MessageSink {
public:
    static void Receive(int type, const char* body, int length, void* user) {
        auto* sink = static_cast<MessageSink*>(user);
        std::lock_guard<std::mutex> hold(sink->lock_);
        sink->messages_.push_back({type, std::string(body, length), body[length] == '\0', user});
        sink->arrived_.notify_all();
    }

    std::vector<Received> waitFor(size_t count) {
        std::unique_lock<std::mutex> hold(lock_);
        arrived_.wait_for(hold, 5s, [&] { return messages_.size() >= count; });
        return messages_;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<Received> messages_;
};

class DeviceLink : public ::testing::Test {
protected:
    void Connect() {
        ASSERT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), 0);
        ASSERT_TRUE(peer.acceptLink());
        ASSERT_TRUE(peer.expectGreeting());
    }

    // The link closed its end and greeted again on a new connection.
    void ExpectReconnect() {
        bool closed = false;
        peer.receiveUntilClosed(closed);
        EXPECT_TRUE(closed);
        ASSERT_TRUE(peer.acceptLink());
        EXPECT_TRUE(peer.expectGreeting());
    }

    static std::string Pattern(size_t size) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + i % 26);
        return bytes;
    }

    LoopbackDevicePeer peer;
    MessageSink sink;
    DeviceMessageClient client{peer.port()};
};

TEST_F(DeviceLink, GreetsWithTwoWordsAndSendsStopWordOnStop) {
    ASSERT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), 0);
    ASSERT_TRUE(peer.acceptLink());
    EXPECT_EQ(peer.receiveBytes(8), std::string("\x7b\0\0\0\0\0\0\0", 8));

    // The reader is blocked in recv: the stop must wake it.
    client.Stop();
    bool closed = false;
    EXPECT_EQ(peer.receiveUntilClosed(closed), std::string("\x7b\0\0\0", 4));
    EXPECT_TRUE(closed);
}

TEST_F(DeviceLink, DeliversWholeMessageTerminatedWithUserData) {
    Connect();
    const std::string osd = Pattern(kOsdRecordSize);
    ASSERT_TRUE(peer.sendMessage(kDeviceOsdRecord, osd));
    const auto got = sink.waitFor(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, kDeviceOsdRecord);
    EXPECT_EQ(got[0].body, osd);
    EXPECT_TRUE(got[0].terminated);
    EXPECT_EQ(got[0].user, &sink);
}

TEST_F(DeviceLink, ReassemblesMessagesSplitAcrossSegments) {
    Connect();
    const std::string alarm = "\xb1\xa8\xbe\xaf: intrusion";
    ASSERT_TRUE(peer.sendInSegments(LoopbackDevicePeer::encodeMessage(kDeviceAlarmText, alarm), 3));
    const std::string record = Pattern(kDeviceLineSetShortSize);
    ASSERT_TRUE(peer.sendInSegments(LoopbackDevicePeer::encodeMessage(kDeviceLineSetShort, record), 100));
    const auto got = sink.waitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].type, kDeviceAlarmText);
    EXPECT_EQ(got[0].body, alarm);
    EXPECT_EQ(got[1].type, kDeviceLineSetShort);
    EXPECT_EQ(got[1].body, record);
}

TEST_F(DeviceLink, DeliversMessagesPackedTogetherInOrder) {
    Connect();
    const std::string figures = Pattern(kDeviceFigureSetSize);
    ASSERT_TRUE(peer.sendRaw(LoopbackDevicePeer::encodeMessage(kDeviceAlarmTextOther, "a") +
                             LoopbackDevicePeer::encodeMessage(kDeviceFigureSet, figures) +
                             LoopbackDevicePeer::encodeMessage(kDeviceLineSetBall, "bc")));
    const auto got = sink.waitFor(3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].type, kDeviceAlarmTextOther);
    EXPECT_EQ(got[0].body, "a");
    EXPECT_EQ(got[1].type, kDeviceFigureSet);
    EXPECT_EQ(got[1].body, figures);
    EXPECT_EQ(got[2].type, kDeviceLineSetBall);
    EXPECT_EQ(got[2].body, "bc");
}

TEST_F(DeviceLink, OversizedBodyIsCutAndItsExcessSkipped) {
    Connect();
    const std::string body = Pattern(kMaxDeviceMessageBody + 3000);
    ASSERT_TRUE(peer.sendMessage(7, body));
    ASSERT_TRUE(peer.sendMessage(kDeviceAlarmText, "next"));
    const auto got = sink.waitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].type, 7);
    EXPECT_EQ(got[0].body, body.substr(0, kMaxDeviceMessageBody));
    EXPECT_TRUE(got[0].terminated);
    EXPECT_EQ(got[1].type, kDeviceAlarmText);
    EXPECT_EQ(got[1].body, "next");
}

TEST_F(DeviceLink, HugeDeclaredLengthAllocatesNothingAndDropsWithTheConnection) {
    Connect();
    const std::string first = Pattern(kMaxDeviceMessageBody);
    ASSERT_TRUE(peer.sendRaw(LoopbackDevicePeer::encodeFrame(3, 0x7fffffff, first + "more")));
    ASSERT_EQ(sink.waitFor(1).size(), 1u);
    peer.dropConnection();
    ASSERT_TRUE(peer.acceptLink());
    EXPECT_TRUE(peer.expectGreeting());
    ASSERT_TRUE(peer.sendMessage(kDeviceAlarmText, "after"));
    const auto got = sink.waitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].body, first);
    EXPECT_EQ(got[1].body, "after");
}

TEST_F(DeviceLink, LengthBelowOneReconnectsAndGreetsAgain) {
    Connect();
    for (int length : {0, -4}) {
        ASSERT_TRUE(peer.sendRaw(LoopbackDevicePeer::encodeFrame(kDeviceOsdRecord, length, "")));
        ExpectReconnect();
    }
    ASSERT_TRUE(peer.sendMessage(kDeviceAlarmText, "still here"));
    const auto got = sink.waitFor(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].body, "still here");
}

TEST_F(DeviceLink, DropsHalfReadMessageAndReconnectsWhenPeerCloses) {
    Connect();
    ASSERT_TRUE(peer.sendRaw(LoopbackDevicePeer::encodeFrame(kDeviceOsdRecord, kOsdRecordSize, "partial")));
    peer.dropConnection();
    ASSERT_TRUE(peer.acceptLink());
    EXPECT_TRUE(peer.expectGreeting());
    ASSERT_TRUE(peer.sendMessage(kDeviceAlarmText, "whole"));
    const auto got = sink.waitFor(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].body, "whole");
    EXPECT_EQ(peer.acceptedCount(), 2);
}

TEST_F(DeviceLink, KeepsRetryingWhileCameraIsBrieflyAway) {
    Connect();
    peer.stopListening();
    peer.dropConnection();
    std::this_thread::sleep_for(60ms);  // within the five attempts, 40 ms apart
    ASSERT_TRUE(peer.listenAgain());
    ASSERT_TRUE(peer.acceptLink());
    EXPECT_TRUE(peer.expectGreeting());
}

TEST_F(DeviceLink, GivesUpAfterFiveRefusedConnectsUntilNextStart) {
    Connect();
    peer.stopListening();
    peer.dropConnection();
    std::this_thread::sleep_for(500ms);  // well past five attempts 40 ms apart
    ASSERT_TRUE(peer.listenAgain());
    EXPECT_TRUE(peer.noConnectionWithin(200ms));

    client.Stop();
    Connect();
}

TEST_F(DeviceLink, StopWakesReaderBlockedInReconnect) {
    Connect();
    ASSERT_TRUE(peer.stallNewConnections());
    peer.dropConnection();
    std::this_thread::sleep_for(50ms);  // the reader is now waiting for the handshake
    auto stopped = std::async(std::launch::async, [&] { client.Stop(); });
    EXPECT_EQ(stopped.wait_for(5s), std::future_status::ready);
}

TEST_F(DeviceLink, StartFailsWithoutCameraOrValidAddress) {
    peer.stopListening();
    EXPECT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), -1);
    EXPECT_EQ(client.Start("camera.local", &MessageSink::Receive, &sink), -1);
    EXPECT_EQ(client.Start("", &MessageSink::Receive, &sink), -1);
    client.Stop();
}

TEST_F(DeviceLink, StartingAgainStopsThePreviousLink) {
    Connect();
    ASSERT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), 0);
    bool closed = false;
    EXPECT_EQ(peer.receiveUntilClosed(closed), std::string("\x7b\0\0\0", 4));
    EXPECT_TRUE(closed);
    ASSERT_TRUE(peer.acceptLink());
    EXPECT_TRUE(peer.expectGreeting());
}

TEST(DeviceLinkLifetime, NeverStartedLinkStopsAtOnceAndReleasesSockets) {
    const int users = platform::socketLibraryUsers();
    {
        DeviceMessageClient client;
        EXPECT_EQ(platform::socketLibraryUsers(), users + 1);
        client.Stop();
        client.Stop();
    }
    EXPECT_EQ(platform::socketLibraryUsers(), users);
}

}  // namespace
