#include "platform/livevideo/jitter_buffer_stopper.h"

#include <new>
#include <utility>

namespace livevideo {

void JitterBufferStopper::watch(GstElement* client) {
    g_signal_connect(client, "new-manager", G_CALLBACK(&JitterBufferStopper::onNewManager), this);
}

void JitterBufferStopper::onNewManager(GstElement*, GstElement* manager, gpointer self) {
    // rtpbin announces each jitter buffer it makes; another manager would have none to stop.
    if (g_signal_lookup("new-jitterbuffer", G_OBJECT_TYPE(manager)) != 0) {
        g_signal_connect(manager, "new-jitterbuffer", G_CALLBACK(&JitterBufferStopper::onNewJitterBuffer), self);
    }
}

// On a streaming thread, as the first packet of a sender arrives.
void JitterBufferStopper::onNewJitterBuffer(GstElement*, GstElement* jitterBuffer, guint, guint, gpointer self) {
    auto* stopper = static_cast<JitterBufferStopper*>(self);
    GstPtr<GstElement> held(GST_ELEMENT(gst_object_ref(jitterBuffer)));
    std::lock_guard lock(stopper->mutex_);
    try {
        stopper->jitterBuffers_.push_back(std::move(held));
    } catch (const std::bad_alloc&) {
        // Nothing may escape into GStreamer; this one is left to the pipeline's own stop.
    }
}

void JitterBufferStopper::stop() {
    std::vector<GstPtr<GstElement>> stopping;
    {
        std::lock_guard lock(mutex_);
        stopping.swap(jitterBuffers_);
    }
    // Outside the lock, which a streaming thread takes to announce another jitter buffer.
    for (const GstPtr<GstElement>& jitterBuffer : stopping) {
        if (const GstPtr<GstPad> output{gst_element_get_static_pad(jitterBuffer.get(), "src")}) {
            gst_pad_set_active(output.get(), FALSE);
        }
    }
}

}  // namespace livevideo
