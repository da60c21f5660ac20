// The loopback camera's device link: accepts the plug-in's TCP link on the device port, checks its
// greeting, then sends the on-screen-display record (the camera's clock) every second and an alarm
// text at a fixed interval, and reports the link's stop word. Runs on a thread of its own.
#pragma once

#include "tests/support/loopback_device_peer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

class DevicePeerService {
public:
    DevicePeerService(uint16_t port, std::chrono::seconds alarmInterval);
    ~DevicePeerService();
    DevicePeerService(const DevicePeerService&) = delete;
    DevicePeerService& operator=(const DevicePeerService&) = delete;

    uint16_t port() const { return peer_.port(); }
    void Stop();

private:
    void Serve();
    void ServeLink();

    test_support::LoopbackDevicePeer peer_;
    const std::chrono::seconds alarmInterval_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

// The 187-byte on-screen-display record of the local time now: date, time, weekday, channel one
// and the location text shown, date format 1.
std::string MakeOsdRecord(const std::string& location);
