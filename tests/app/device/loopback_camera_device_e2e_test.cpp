// The loopback camera program's device side, driven as a user drives it: status records given on
// its command line reach every device link that connects, two at once among them.
#include "app/device/device_message_client.h"
#include "tests/support/device_records.h"
#include "tests/support/loopback_camera_program.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The first body of each type that a link received.
struct RecordSink {
    static void Receive(int type, const char* body, int length, void* user) {
        auto* sink = static_cast<RecordSink*>(user);
        std::lock_guard<std::mutex> hold(sink->lock);
        sink->bodies.emplace(type, std::string(body, length));
        sink->arrived.notify_all();
    }
    std::map<int, std::string> waitForTypes(size_t count) {
        std::unique_lock<std::mutex> hold(lock);
        arrived.wait_for(hold, 10s, [&] { return bodies.size() >= count; });
        return bodies;
    }
    std::mutex lock;
    std::condition_variable arrived;
    std::map<int, std::string> bodies;
};

// The on-screen-display record begins with the clock: weekday, year (two bytes each), month, day,
// hour, minute and second.
constexpr size_t kClockFieldsSize = 9;

TEST(LoopbackCameraProgram, SendsTheStatusRecordsOfItsOptionsToEveryDeviceLink) {
    test_support::LoopbackCameraProgram camera({"--device-port", "0", "--line", "2:255,0,0:10,20/30,40", "--line",
                                                "3:1,2,3:5,6/7,8/9,10", "--line", "3:4,5,6:11,12/13,14", "--line",
                                                "10:7,8,9:-1,-2/3,4", "--line", "4:0,0,255:100,200/300,400", "--label",
                                                "0,255,0:50,60:\xe8\xbd\xa6\xe9\x81\x93 1"});
    const std::string port = camera.LineAfter("device link on 127.0.0.1:");
    ASSERT_FALSE(port.empty());
    DeviceMessageClient first(static_cast<uint16_t>(std::stoi(port)));
    DeviceMessageClient second(static_cast<uint16_t>(std::stoi(port)));
    RecordSink firstSink;
    RecordSink secondSink;
    ASSERT_EQ(first.Start("127.0.0.1", &RecordSink::Receive, &firstSink), 0);
    ASSERT_EQ(second.Start("127.0.0.1", &RecordSink::Receive, &secondSink), 0);
    const auto records = firstSink.waitForTypes(5);  // 2, 3, 10 and 4, then the clock's record (1)
    const auto secondRecords = secondSink.waitForTypes(5);
    ASSERT_EQ(records.size(), 5u);
    ASSERT_EQ(secondRecords.size(), 5u);
    for (const int type : {kDeviceLineSetShort, kDeviceLineSet, kDeviceLineSetBall, kDeviceFigureSet})
        EXPECT_EQ(secondRecords.at(type), records.at(type)) << type;
    // Each link's clock record tells the second it was sent on that link's own thread, so the two
    // may differ there (the later one, on a loaded machine, a second on); the rest is the same.
    EXPECT_EQ(secondRecords.at(kDeviceOsdRecord).substr(kClockFieldsSize),
              records.at(kDeviceOsdRecord).substr(kClockFieldsSize));

    // The records as the views read them, the label's text in GBK.
    using test_support::encodeLineSet;
    using Line = test_support::StatusLine;
    EXPECT_EQ(records.at(kDeviceLineSetShort), encodeLineSet(2, {Line{255, 0, 0, {{10, 20}, {30, 40}}}}));
    EXPECT_EQ(records.at(kDeviceLineSet),
              encodeLineSet(3, {Line{1, 2, 3, {{5, 6}, {7, 8}, {9, 10}}}, Line{4, 5, 6, {{11, 12}, {13, 14}}}}));
    EXPECT_EQ(records.at(kDeviceLineSetBall), encodeLineSet(10, {Line{7, 8, 9, {{-1, -2}, {3, 4}}}}));
    EXPECT_EQ(records.at(kDeviceFigureSet),
              test_support::encodeFigureSet({Line{0, 0, 255, {{100, 200}, {300, 400}}}},
                                            {test_support::StatusLabel{0, 255, 0, 50, 60, "\xb3\xb5\xb5\xc0 1"}}));
    EXPECT_EQ(records.at(kDeviceOsdRecord).size(), static_cast<size_t>(kOsdRecordSize));
    first.Stop();
    EXPECT_EQ(camera.LineAfter("device link: stop word"), " received");
    second.Stop();
    EXPECT_EQ(camera.LineAfter("device link: stop word"), " received");
    const int status = camera.Terminate();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
