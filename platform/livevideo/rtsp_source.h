// One RTSP session over GStreamer's RTSP client (see RtspPipeline) and what it hands to the caller,
// on one thread of its own: the H.264 NAL units one by one, the parameter sets where a receiver
// needs them, and an access unit delimiter right behind the last unit of each picture. The C entry
// points of livevideo.h drive it.
#pragma once

#include "platform/livevideo/access_unit_closer.h"
#include "platform/livevideo/handoff_queue.h"
#include "platform/livevideo/livevideo.h"
#include "platform/livevideo/parameter_set_repeater.h"
#include "platform/livevideo/rtsp_pipeline.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace livevideo {

class RtspSource : private RtspPipeline::Events {
public:
    RtspSource(rtsp_source_callback callback, void* userData);
    virtual ~RtspSource();
    RtspSource(const RtspSource&) = delete;
    RtspSource& operator=(const RtspSource&) = delete;

    int open(const char* url, int options, int timeoutMs);
    int play();
    void close();

private:
    // What the pipeline's threads have reported about the session.
    struct Session {
        bool opened = false;
        bool playing = false;
        bool ended = false;
        bool offeredAny = false;    // the description offered at least one stream
        int videoStream = -1;       // the H.264 video stream taken, by its number
        std::string parameterSets;  // its sprop-parameter-sets
    };

    // What the pipeline's threads hand to the delivery thread: a buffer of NAL units with its RTP
    // timestamp, or (no sample) word that PLAY was answered, so that the parameter sets go out
    // before the stream.
    struct Handoff {
        GstPtr<GstSample> sample;
        uint32_t rtpTime = 0;
    };
    // Buffers waiting for the caller; a full queue holds the streaming thread back.
    static constexpr size_t kMaxWaitingBuffers = 64;

    // RtspPipeline::Events
    bool offered(unsigned index, const GstStructure* stream) override;
    void opened() override;
    void playing() override;
    void ended() override;
    void received(GstPtr<GstSample> sample, uint32_t rtpTime) override;

    // Waits until reached(session) holds, the session ends, close is called or timeoutMs passes
    // (none when 0 or less); true when reached.
    template <typename Reached>
    bool waitFor(Reached reached, int timeoutMs);
    void report(void (*change)(Session&));
    Session session();
    void loadParameterSets(const std::string& sprop);

    bool startDelivery();
    void stopDelivery();
    void deliveryLoop();
    void startStream();
    void deliverSample(GstSample* sample, uint32_t rtpTime);
    void deliver(const uint8_t* nal, size_t size);
    // Hands the time of the units that follow over, when it is not the one handed over last.
    void deliverTime(uint32_t rtpTime);

    const rtsp_source_callback callback_;
    void* const userData_;

    std::mutex mutex_;                        // serialises open, play and close
    std::atomic<bool> abort_{false};          // close wants every wait and every delivery to end now
    std::unique_ptr<RtspPipeline> pipeline_;  // under mutex_
    std::thread deliverer_;                   // under mutex_
    bool playing_ = false;                    // under mutex_
    int timeoutMs_ = 0;                       // under mutex_

    std::mutex sessionMutex_;
    std::condition_variable sessionChanged_;
    Session session_;  // under sessionMutex_

    HandoffQueue<Handoff> handoffs_{kMaxWaitingBuffers};

    // The delivery thread's alone while it runs; set up while it does not.
    bool started_ = false;                  // the description's parameter sets have gone out
    std::optional<uint32_t> unitTime_;      // the RTP timestamp of the buffer being delivered
    std::optional<uint32_t> timeHandedOn_;  // the time the caller was given last
    AccessUnitCloser closer_;
    ParameterSetRepeater parameterSets_;
};

}  // namespace livevideo
