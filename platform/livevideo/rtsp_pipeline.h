// The GStreamer pipeline of one RTSP session: rtspsrc (the RTSP client, with its RTP session and a
// jitter buffer that holds nothing back) ! rtph264depay ! H.264 NAL units in the byte-stream form !
// appsink. The depacketiser hands each NAL unit on as soon as it is whole (a fragmented one at its
// end flag) and marks the last unit of each picture (from the RTP marker bit), which is what lets
// the source close every picture at once. What happens is reported through Events, on GStreamer's
// own threads.
#pragma once

#include "platform/livevideo/fragment_bound.h"
#include "platform/livevideo/gst_owners.h"
#include "platform/livevideo/jitter_buffer_stopper.h"
#include "platform/livevideo/rtsp_url.h"

#include <gst/app/gstappsink.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace livevideo {

class RtspPipeline {
public:
    // Called on GStreamer's threads, possibly on several at once; never after the pipeline is gone.
    class Events {
    public:
        // The session description offers stream number index: whether to set it up. The pipeline
        // takes at most one stream.
        virtual bool offered(unsigned index, const GstStructure* stream) = 0;
        // The session is set up (DESCRIBE and SETUP answered).
        virtual void opened() = 0;
        // The server answered PLAY.
        virtual void playing() = 0;
        // The session failed or the stream ended: nothing more will come.
        virtual void ended() = 0;
        // One buffer of the depacketiser, on the streaming thread: NAL units behind start codes,
        // with the marker flag when its last unit ends a picture, and the RTP timestamp of the
        // packet that completed it (90 kHz).
        virtual void received(GstPtr<GstSample> sample, uint32_t rtpTime) = 0;

    protected:
        ~Events() = default;
    };

    // A pipeline for the URL's transport, not yet started; it gives up waiting on the server after
    // timeoutMs (none when 0 or less). Null when an element is missing.
    static std::unique_ptr<RtspPipeline> make(const RtspTransport& transport, int timeoutMs, Events& events);

    // Stops every thread of the pipeline, the jitter buffers' output first, letting the TEARDOWN
    // out briefly, then releases it. Never on one of the pipeline's threads.
    ~RtspPipeline();
    RtspPipeline(const RtspPipeline&) = delete;
    RtspPipeline& operator=(const RtspPipeline&) = delete;

    // Connects and sets the session up, asynchronously: Events::opened or Events::ended follows.
    bool open();
    // Asks for the stream: Events::playing or Events::ended follows, then the NAL units.
    bool play();

private:
    RtspPipeline(Events& events, GstPtr<GstElement> pipeline, GstPtr<GstElement> source,
                 GstPtr<GstElement> depayloader);

    void connectSignals(GstElement* sink);
    // The pipeline as a callback on one of GStreamer's threads sees it, after the hand-off below.
    static RtspPipeline* enter(gpointer self);
    static gboolean onSelectStream(GstElement*, guint index, GstCaps* caps, gpointer self);
    static void onPadAdded(GstElement*, GstPad* pad, gpointer self);
    static GstPadProbeReturn onRtpPacket(GstPad*, GstPadProbeInfo* info, gpointer self);
    static GstBusSyncReply onMessage(GstBus*, GstMessage* message, gpointer self);
    static GstFlowReturn onSample(GstAppSink* sink, gpointer self);
    static void onEndOfStream(GstAppSink*, gpointer self);

    Events& events_;
    GstPtr<GstElement> pipeline_;
    GstPtr<GstElement> source_;
    GstPtr<GstElement> depayloader_;
    GstPtr<GstBus> bus_;
    JitterBufferStopper jitterBuffers_;
    // Raised (release) before every state change is requested and read (acquire) by every callback:
    // GStreamer passes the pipeline to its streaming threads through GLib's own locks, which thread
    // checkers cannot see; this makes the hand-off of everything set up before it visible to them.
    std::atomic<unsigned> handOffs_{0};
    std::atomic<bool> playRequested_{false};  // a completed request is PLAY's answer from now on
    FragmentBound fragments_;                 // one packet at a time, under the depacketiser's stream lock
    // The RTP timestamp of the packet the depacketiser takes now, under its stream lock: the
    // depacketiser hands a unit on while it takes the unit's last packet, on the same thread.
    uint32_t rtpTime_ = 0;
};

}  // namespace livevideo
