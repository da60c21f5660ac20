// One RTSP session over GStreamer's RTSP client (see RtspPipeline) and what it hands to the caller:
// the H.264 NAL units one by one, the parameter sets where a receiver needs them, and an access unit
// delimiter right behind the last unit of each picture. The C entry points of livevideo.h drive it.
#pragma once

#include "platform/livevideo/access_unit_closer.h"
#include "platform/livevideo/livevideo.h"
#include "platform/livevideo/parameter_set_repeater.h"
#include "platform/livevideo/rtsp_pipeline.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace livevideo {

class RtspSource : private RtspPipeline::Events {
public:
    RtspSource(rtsp_source_callback callback, void* userData);
    ~RtspSource();
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
        bool offeredAny = false;       // the description offered at least one stream
        int videoStream = -1;          // the H.264 video stream taken, by its number
        std::string parameterSets;     // its sprop-parameter-sets
    };

    // RtspPipeline::Events
    bool offered(unsigned index, const GstStructure* stream) override;
    void opened() override;
    void playing() override;
    void ended() override;
    void received(const uint8_t* data, size_t size, bool marked) override;

    // Waits until reached(session) holds, the session ends, close is called or timeoutMs passes
    // (none when 0 or less); true when reached.
    template <typename Reached>
    bool waitFor(Reached reached, int timeoutMs);
    void report(void (*change)(Session&));
    Session session();
    void loadParameterSets(const std::string& sprop);
    void restartDelivery();
    void startStream();
    void deliver(const uint8_t* nal, size_t size);

    const rtsp_source_callback callback_;
    void* const userData_;

    std::mutex mutex_;                // serialises open, play and close
    std::atomic<bool> abort_{false};  // close wants every wait to end now
    std::unique_ptr<RtspPipeline> pipeline_;  // under mutex_
    bool playing_ = false;                    // under mutex_
    int timeoutMs_ = 0;                       // under mutex_

    std::mutex sessionMutex_;
    std::condition_variable sessionChanged_;
    Session session_;  // under sessionMutex_

    // Used by the pipeline's threads while it plays (the one that hears PLAY answered, then the
    // streaming thread), one at a time, and reset between sessions.
    std::mutex deliveryMutex_;
    bool started_ = false;  // the stream's first units have gone out behind the parameter sets
    AccessUnitCloser closer_;
    ParameterSetRepeater parameterSets_;
};

}  // namespace livevideo
