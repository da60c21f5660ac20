#include "tests/desktop/loopback_camera_set.h"

#include <algorithm>

namespace desktop_test {

namespace {

test_support::LoopbackDeviceServiceOptions deviceOptions(const std::string& address) {
    test_support::LoopbackDeviceServiceOptions options;
    options.port = 8081;  // the plug-in's device link always connects to this port
    options.address = address;
    options.alarmInterval = std::chrono::seconds(1);
    return options;
}

}  // namespace

LoopbackCameraSet::LoopbackCameraSet(const std::string& deviceAddress, test_support::LoopbackRtspCameraOptions options)
    : deviceAddress_(deviceAddress),
      camera_(std::move(options)),
      device_(deviceOptions(deviceAddress), [this](const std::string& line) {
          std::lock_guard<std::mutex> hold(lock_);
          reports_.push_back(line);
          told_.notify_all();
      }) {
    camera_.Start();
}

LoopbackCameraSet::~LoopbackCameraSet() {
    device_.Stop();
    camera_.Stop();
}

bool LoopbackCameraSet::deviceTold(const std::string& line, std::chrono::milliseconds within) {
    std::unique_lock<std::mutex> hold(lock_);
    return told_.wait_for(hold, within,
                          [&] { return std::find(reports_.begin(), reports_.end(), line) != reports_.end(); });
}

}  // namespace desktop_test
