#pragma once
// Owners of the GStreamer and GLib references the RTSP source takes, each given back by its own
// library call when its owner goes. The library keeps its own: it is a module of its own and shares
// no header with the application or the test camera.

#include <gst/gst.h>

#include <memory>

namespace livevideo {

struct GstUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
    void operator()(GstMessage* message) const { gst_message_unref(message); }
    void operator()(gchar* text) const { g_free(text); }
    void operator()(guchar* bytes) const { g_free(bytes); }
    void operator()(GError* error) const { g_error_free(error); }
    // Every other type held this way is a GstObject (elements, pads, buses).
    template <typename T>
    void operator()(T* object) const {
        gst_object_unref(object);
    }
};

template <typename T>
using GstPtr = std::unique_ptr<T, GstUnref>;

// A buffer's bytes, readable while the mapping lives.
class MappedBuffer {
public:
    explicit MappedBuffer(GstBuffer* buffer) : buffer_(buffer) {
        mapped_ = buffer != nullptr && gst_buffer_map(buffer, &info_, GST_MAP_READ);
    }
    ~MappedBuffer() {
        if (mapped_) {
            gst_buffer_unmap(buffer_, &info_);
        }
    }
    MappedBuffer(const MappedBuffer&) = delete;
    MappedBuffer& operator=(const MappedBuffer&) = delete;

    explicit operator bool() const { return mapped_; }
    const uint8_t* data() const { return info_.data; }
    size_t size() const { return info_.size; }

private:
    GstBuffer* buffer_;
    GstMapInfo info_{};
    bool mapped_ = false;
};

}  // namespace livevideo
