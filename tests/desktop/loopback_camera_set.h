// A loopback camera as the desktop tests play it: its RTSP stream of the test pattern, and its
// device link on port 8081 of a loopback address of the test's own (tests run side by side),
// sending an alarm text every second and telling what happens on its links.
#pragma once

#include "tests/support/loopback_device_service.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace desktop_test {

class LoopbackCameraSet {
public:
    explicit LoopbackCameraSet(const std::string& deviceAddress, test_support::LoopbackRtspCameraOptions options = {});
    ~LoopbackCameraSet();

    std::string url() const { return camera_.Url(); }
    const std::string& deviceAddress() const { return deviceAddress_; }
    test_support::LoopbackRtspCamera& camera() { return camera_; }

    // Whether the device link told this line (such as "device link: stop word received") within
    // the time.
    bool deviceTold(const std::string& line, std::chrono::milliseconds within);

private:
    const std::string deviceAddress_;
    test_support::LoopbackRtspCamera camera_;
    std::mutex lock_;
    std::condition_variable told_;
    std::vector<std::string> reports_;  // guarded by lock_
    test_support::LoopbackDeviceService device_;
};

}  // namespace desktop_test
