#include "app/device/device_message_client.h"
#include "app/util/file_logger.h"
#include "app/util/registry_settings.h"
#include "platform/net/win_sockets_testing.h"
#include "tests/support/loopback_device_peer.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using test_support::encodeDeviceFrame;
using test_support::encodeDeviceMessage;
using test_support::LoopbackDevicePeer;
using namespace std::chrono_literals;
using Messages = std::vector<std::pair<int, std::string>>;
using Clock = std::chrono::steady_clock;

const std::string kStopWord("\x7b\0\0\0", 4);
const std::string kGreeting("\x7b\0\0\0\0\0\0\0", 8);

// Collects what the link hands on, from the link's reader thread.
struct MessageSink {
    static void Receive(int type, const char* body, int length, void* user) {
        auto* sink = static_cast<MessageSink*>(user);
        EXPECT_EQ(body[length], '\0');  // a text body can be read as a zero-terminated string
        std::lock_guard<std::mutex> hold(sink->lock);
        sink->reader = pthread_self();
        if (sink->duringCallback) sink->duringCallback();
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
    pthread_t reader{};
    std::function<void()> duringCallback;
};

// The application log, on and read back as its messages without their time stamps.
class ApplicationLog {
public:
    ApplicationLog() {
        std::filesystem::create_directories(machine_.driveRoot() / "d");
        RegistrySettings::SetString(L"Debug", "1");
        FileLogger::Init();
    }
    ~ApplicationLog() { FileLogger::Release(); }
    std::vector<std::string> messages() const {
        std::ifstream in(machine_.driveRoot() / "d" / "log.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.find("] ") + 2));
        return lines;
    }
    // Waits until the message has been written; false when it was not within 5 s.
    bool waitFor(const std::string& message) const {
        for (const auto deadline = Clock::now() + 5s; Clock::now() < deadline; std::this_thread::sleep_for(5ms)) {
            const auto lines = messages();
            if (std::find(lines.begin(), lines.end(), message) != lines.end()) return true;
        }
        return false;
    }

private:
    test_support::ScopedMachineFolders machine_;
};

// A signal that interrupts whatever system call the thread it is sent to is blocked in (no
// automatic restart), and does nothing else.
class InterruptingSignal {
public:
    InterruptingSignal() {
        struct sigaction action = {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(SIGUSR2, &action, &previous_);
    }
    ~InterruptingSignal() { sigaction(SIGUSR2, &previous_, nullptr); }
    // Sends it several times, a few milliseconds apart, so that one lands while the thread blocks.
    static void interrupt(pthread_t thread) {
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(5ms);
            pthread_kill(thread, SIGUSR2);
        }
    }

private:
    struct sigaction previous_ = {};
};

// Keeps the calling thread, and the threads it starts, on the processor it runs on now.
class OneProcessor {
public:
    OneProcessor() {
        sched_getaffinity(0, sizeof all_, &all_);
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        sched_setaffinity(0, sizeof one, &one);
    }
    ~OneProcessor() { sched_setaffinity(0, sizeof all_, &all_); }

private:
    cpu_set_t all_;
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

    ApplicationLog log;
    LoopbackDevicePeer peer;
    MessageSink sink;
    DeviceMessageClient client{peer.port()};
};

TEST_F(DeviceLink, GreetsWithTwoWordsAndSendsStopWordOnStopOrRestart) {
    ASSERT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), 0);
    ASSERT_TRUE(peer.acceptLink());
    EXPECT_EQ(peer.link().receiveBytes(8), kGreeting);
    ASSERT_EQ(client.Start("127.0.0.1", &MessageSink::Receive, &sink), 0);  // a restart stops the old link
    ExpectClose(kStopWord);
    ExpectReconnect();
    client.Stop();  // the reader is blocked in recv: the stop must wake it
    ExpectClose(kStopWord);
}

TEST_F(DeviceLink, OsdRecordGivesOneCallbackBetweenItsTwoLogLines) {
    Connect();
    std::vector<std::string> logDuringCallback;
    sink.duringCallback = [&] { logDuringCallback = log.messages(); };
    const std::string osd = Pattern(kOsdRecordSize);
    ASSERT_TRUE(peer.link().sendMessage(kDeviceOsdRecord, osd));
    EXPECT_EQ(sink.waitFor(1), (Messages{{kDeviceOsdRecord, osd}}));
    client.Stop();
    const std::vector<std::string> expected = {"receive msg type: 1", "receive msg content len: 187",
                                               "receive msg callback, cmd: 1, len: 187 in...",
                                               "receive msg callback, cmd: 1, len: 187 out."};
    EXPECT_EQ(log.messages(), expected);
    EXPECT_EQ(logDuringCallback, std::vector<std::string>(expected.begin(), expected.end() - 1));
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(DeviceLink, ReassemblesSplitMessagesAndDeliversPackedOnesInOrder) {
    Connect();
    const std::string alarm = "\xb1\xa8\xbe\xaf: intrusion";
    const std::string osd = Pattern(kOsdRecordSize);
    const std::string figures = Pattern(kDeviceFigureSetSize);
    ASSERT_TRUE(peer.link().sendInSegments(encodeDeviceMessage(kDeviceAlarmText, alarm), 3));
    ASSERT_TRUE(peer.link().sendInSegments(encodeDeviceMessage(kDeviceOsdRecord, osd), 100));
    ASSERT_TRUE(peer.link().sendRaw(encodeDeviceMessage(kDeviceAlarmTextOther, "a") +
                                    encodeDeviceMessage(kDeviceFigureSet, figures) +
                                    encodeDeviceMessage(kDeviceLineSetBall, "bc")));
    EXPECT_EQ(sink.waitFor(5), (Messages{{kDeviceAlarmText, alarm},
                                         {kDeviceOsdRecord, osd},
                                         {kDeviceAlarmTextOther, "a"},
                                         {kDeviceFigureSet, figures},
                                         {kDeviceLineSetBall, "bc"}}));
}

TEST_F(DeviceLink, OversizedBodyIsCutItsExcessSkippedAndAHugeLengthAllocatesNothing) {
    Connect();
    const std::string body = Pattern(kMaxDeviceMessageBody + 3000);
    ASSERT_TRUE(peer.link().sendMessage(7, body));
    ASSERT_TRUE(peer.link().sendMessage(kDeviceAlarmText, "next"));
    const std::string first = body.substr(0, kMaxDeviceMessageBody);
    ASSERT_TRUE(peer.link().sendRaw(encodeDeviceFrame(3, 0x7fffffff, first + "more")));
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
        ASSERT_TRUE(peer.link().sendRaw(encodeDeviceFrame(kDeviceOsdRecord, length, "")));
        ExpectClose("");
        ExpectReconnect();
    }
    ASSERT_TRUE(peer.link().sendRaw(encodeDeviceFrame(kDeviceOsdRecord, kOsdRecordSize, "partial")));
    peer.dropConnection();
    ExpectReconnect();
    ASSERT_TRUE(peer.link().sendMessage(kDeviceAlarmText, "whole"));
    EXPECT_EQ(sink.waitFor(1), (Messages{{kDeviceAlarmText, "whole"}}));
    EXPECT_EQ(peer.acceptedCount(), 4);
}

TEST_F(DeviceLink, PausesBeforeEveryReconnectEvenWhenTheCameraClosesAtOnce) {
    Connect();
    for (int round = 0; round < 4; ++round) {
        const auto dropped = Clock::now();
        peer.dropConnection();
        ASSERT_TRUE(peer.acceptLink());
        EXPECT_GE(peer.lastAcceptTime() - dropped, 40ms) << "round " << round;
    }
}

TEST_F(DeviceLink, RetriesWhileTheCameraIsAwayAndGivesUpAfterExactlyFiveRefusals) {
    const std::string refused = "connect device 127.0.0.1:" + std::to_string(peer.port()) + " failed.";
    const std::string givenUp = "reconnect failed 5 times, device link given up.";
    Connect();
    peer.stopListening();
    peer.dropConnection();
    ASSERT_TRUE(log.waitFor(refused));
    ASSERT_TRUE(peer.listenAgain());
    ExpectReconnect();
    ASSERT_TRUE(peer.link().sendMessage(kDeviceAlarmText, "back"));  // its log lines end this episode
    sink.waitFor(1);

    peer.stopListening();
    peer.dropConnection();
    ASSERT_TRUE(log.waitFor(givenUp));
    client.Stop();
    const auto lines = log.messages();
    const auto back = std::find(lines.begin(), lines.end(), "receive msg callback, cmd: 0, len: 4 out.");
    ASSERT_NE(back, lines.end());
    EXPECT_EQ(std::vector<std::string>(back + 1, lines.end()),
              (std::vector<std::string>{refused, refused, refused, refused, refused, givenUp}));

    ASSERT_TRUE(peer.listenAgain());
    Connect();  // until the next start
}

// A link that gave up comes back when resumed, as often as it is resumed, and only then: a running
// link or one that was stopped stays as it is.
TEST_F(DeviceLink, AGivenUpLinkReconnectsWhenResumedAndNoOtherLinkDoes) {
    const std::string givenUp = "reconnect failed 5 times, device link given up.";
    const auto givenUpCount = [&] {
        const auto lines = log.messages();
        return std::count(lines.begin(), lines.end(), givenUp);
    };
    Connect();
    EXPECT_FALSE(client.ResumeIfGivenUp());  // running
    peer.stopListening();
    peer.dropConnection();
    ASSERT_TRUE(log.waitFor(givenUp));
    EXPECT_TRUE(client.ResumeIfGivenUp());  // the camera still refuses: five more attempts
    for (const auto deadline = Clock::now() + 5s; givenUpCount() < 2 && Clock::now() < deadline;) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(givenUpCount(), 2);

    ASSERT_TRUE(peer.listenAgain());
    EXPECT_TRUE(peer.noConnectionWithin(200ms));  // given up: nothing until resumed
    EXPECT_TRUE(client.ResumeIfGivenUp());
    EXPECT_FALSE(client.ResumeIfGivenUp());  // already resuming
    ExpectReconnect();
    ASSERT_TRUE(peer.link().sendMessage(kDeviceAlarmText, "back"));
    EXPECT_EQ(sink.waitFor(1), (Messages{{kDeviceAlarmText, "back"}}));

    client.Stop();
    ExpectClose(kStopWord);
    EXPECT_FALSE(client.ResumeIfGivenUp());  // stopped
    EXPECT_TRUE(peer.noConnectionWithin(200ms));
}

TEST_F(DeviceLink, ConnectToACameraThatNeverAnswersEndsWithinSecondsOrAtOnceOnStop) {
    ASSERT_TRUE(peer.stallNewConnections());
    auto attempt =
        std::async(std::launch::async, [&] { return client.Start("127.0.0.1", &MessageSink::Receive, &sink); });
    if (attempt.wait_for(10s) != std::future_status::ready) {
        peer.stopListening();  // lets the hanging connect fail, so that the test can end
        FAIL() << "the first connection attempt is not bounded in time";
    }
    EXPECT_EQ(attempt.get(), -1);

    // A stop that comes during the pause before a reconnect, or at any point of the attempt.
    for (auto stopAfter = 0ms; stopAfter <= 60ms; stopAfter += 4ms) {
        ASSERT_TRUE(peer.listenAgain());
        Connect();
        ASSERT_TRUE(peer.stallNewConnections());
        peer.dropConnection();
        std::this_thread::sleep_for(stopAfter);
        auto stopped = std::async(std::launch::async, [&] { client.Stop(); });
        if (stopped.wait_for(2s) != std::future_status::ready) {
            peer.stopListening();
            FAIL() << "a stop " << stopAfter.count() << " ms into a reconnect waited for the attempt";
        }
    }
}

TEST_F(DeviceLink, AGreetedConnectionGetsTheStopWordEvenWhenTheStopMeetsTheGreeting) {
    // On one processor the greeting's arrival hands the processor to this thread, most often
    // before the reader has gone on from sending it: the stop then comes in between.
    OneProcessor oneProcessor;
    for (int round = 0; round < 20; ++round) {
        Connect();
        peer.dropConnection();
        ASSERT_TRUE(peer.acceptLink());
        ASSERT_EQ(peer.link().receiveBytes(8), kGreeting);
        client.Stop();
        ExpectClose(kStopWord);
    }
}

TEST_F(DeviceLink, SignalsInterruptingAConnectOrAReceiveBreakNothing) {
    InterruptingSignal signal;
    ASSERT_TRUE(peer.stallNewConnections());
    std::promise<pthread_t> starter;
    auto started = std::async(std::launch::async, [&] {
        starter.set_value(pthread_self());
        return client.Start("127.0.0.1", &MessageSink::Receive, &sink);
    });
    InterruptingSignal::interrupt(starter.get_future().get());
    ASSERT_TRUE(peer.releaseStalledConnections());
    ASSERT_EQ(started.get(), 0);
    ExpectReconnect();

    ASSERT_TRUE(peer.link().sendMessage(kDeviceAlarmText, "first"));
    sink.waitFor(1);
    const std::string second = encodeDeviceMessage(kDeviceOsdRecord, Pattern(kOsdRecordSize));
    ASSERT_TRUE(peer.link().sendRaw(second.substr(0, 50)));
    InterruptingSignal::interrupt(sink.reader);  // blocked in the middle of the record
    ASSERT_TRUE(peer.link().sendRaw(second.substr(50)));
    EXPECT_EQ(sink.waitFor(2), (Messages{{kDeviceAlarmText, "first"}, {kDeviceOsdRecord, Pattern(kOsdRecordSize)}}));
    EXPECT_EQ(peer.acceptedCount(), 1);
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
