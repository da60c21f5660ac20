// Stops the output of the jitter buffers an RTSP client (rtspsrc) makes, ahead of the pipeline's
// own stop. When a server announces where its stream ends and ends it, GStreamer 1.22's jitter
// buffer can be left with its output thread waiting, its source pad's stream lock held, on a timer
// its timer thread was not told about. The client's own shutdown of the session then stops that pad
// with a single wake-up of the two waiting threads, which the timer thread may take: the pad's task
// is never joined, nor the close that waits for the client. Stopped from here while the pipeline
// still plays, the pads' tasks end every time (none of 1,000 closes around a stream's end hung).
// Nothing is sent through the client: an event passing through it as it shuts down can meet a pad
// it has already taken away.
#pragma once

#include "platform/livevideo/gst_owners.h"

#include <mutex>
#include <vector>

namespace livevideo {

class JitterBufferStopper {
public:
    JitterBufferStopper() = default;
    JitterBufferStopper(const JitterBufferStopper&) = delete;
    JitterBufferStopper& operator=(const JitterBufferStopper&) = delete;

    // Follows the client's session managers and the jitter buffers they make. The stopper must
    // outlive the client's last signal (the pipeline's stop).
    void watch(GstElement* client);

    // Deactivates the source pad of every jitter buffer made so far: their output threads end.
    // Called while the pipeline still plays, never on one of its threads.
    void stop();

private:
    static void onNewManager(GstElement*, GstElement* manager, gpointer self);
    static void onNewJitterBuffer(GstElement*, GstElement* jitterBuffer, guint session, guint ssrc, gpointer self);

    std::mutex mutex_;
    std::vector<GstPtr<GstElement>> jitterBuffers_;  // under mutex_; not yet stopped
};

}  // namespace livevideo
