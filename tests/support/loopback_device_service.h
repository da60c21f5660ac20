// The loopback camera's device side: serves any number of device links at once (several views of
// one camera each keep their own link). On every link it checks the greeting, sends the status
// records it was given, then the on-screen-display record (the camera's clock) every second and,
// when asked, an alarm text at a fixed interval, until the link sends its stop word or closes.
// Serves from threads of its own; Stop (or the destructor) ends and joins them all.
#pragma once

#include "tests/support/device_link_end.h"
#include "tests/support/loopback_device_peer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

struct DeviceMessage {
    int32_t type = 0;
    std::string body;
};

struct LoopbackDeviceServiceOptions {
    uint16_t port = 0;                         // 0: a free port
    std::string address = "127.0.0.1";         // a loopback address
    std::chrono::seconds alarmInterval{0};     // 0: no alarm texts
    std::vector<DeviceMessage> statusRecords;  // sent, in order, on every link after its greeting
};

class LoopbackDeviceService {
public:
    // Hears one line per event on a link (connected, stop word, alarm sent, closed), from any thread.
    using Report = std::function<void(const std::string&)>;

    // Listens at once; throws std::runtime_error when it cannot.
    explicit LoopbackDeviceService(LoopbackDeviceServiceOptions options, Report report = {});
    ~LoopbackDeviceService();
    LoopbackDeviceService(const LoopbackDeviceService&) = delete;
    LoopbackDeviceService& operator=(const LoopbackDeviceService&) = delete;

    uint16_t port() const { return listener_.port(); }
    void Stop();

private:
    struct LinkThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void AcceptLinks();
    void JoinFinishedLinks();
    void ServeLink(DeviceLinkEnd link);
    void SendUntilStopped(DeviceLinkEnd& link);
    void Tell(const std::string& line) const;

    LoopbackDevicePeer listener_;
    const LoopbackDeviceServiceOptions options_;
    const Report report_;
    std::atomic<bool> running_{true};
    std::mutex linksLock_;
    std::vector<LinkThread> links_;
    std::thread acceptor_;
};

}  // namespace test_support
