// A relay on loopback between an RTSP client and a camera that notes the moment each picture has
// arrived at the client: when the last RTP packet of the picture (the one with the marker bit) has
// been handed to the client's socket. Latency benchmarks measure from there to wherever the
// picture shows up (decoded, presented).
//
// The client connects to Url() instead of the camera; RTSP and RTP travel over that one TCP
// connection (interleaved), so the client must not choose another transport. One client at a time.
#pragma once

#include "platform/net/unique_descriptor.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bench_support {

class RtpArrivalTap {
public:
    using Clock = std::chrono::steady_clock;

    // Relays to the camera at cameraUrl ("rtsp://127.0.0.1:<port><path>"). Throws
    // std::runtime_error when the URL has no port or the relay cannot listen.
    explicit RtpArrivalTap(const std::string& cameraUrl);
    // Drops the connections and joins the relay's thread.
    ~RtpArrivalTap();
    RtpArrivalTap(const RtpArrivalTap&) = delete;
    RtpArrivalTap& operator=(const RtpArrivalTap&) = delete;

    // The camera's URL with the relay's port in place of the camera's.
    std::string Url() const { return url_; }

    // When each picture of the video stream (RTP channel 0) arrived, in stream order, since the
    // client connected.
    std::vector<Clock::time_point> PictureArrivals() const;

private:
    void Run();
    void Relay(platform::detail::UniqueDescriptor client);

    std::string url_;
    uint16_t cameraPort_ = 0;
    platform::detail::UniqueDescriptor listener_;
    platform::detail::UniqueDescriptor stop_;  // an eventfd: readable once the relay is to stop
    mutable std::mutex mutex_;
    std::vector<Clock::time_point> arrivals_;  // guarded by mutex_
    std::thread thread_;
};

}  // namespace bench_support
