#pragma once
// Owners of the GLib and GStreamer references the test camera takes: each reference is given back
// by its own library call when its owner goes.

#include <glib-object.h>

#include <memory>

namespace test_support {

struct GLibUnref {
    void operator()(GMainContext* context) const { g_main_context_unref(context); }
    void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
    void operator()(GSource* source) const { g_source_unref(source); }
    // Every other type held this way is a GObject (GStreamer elements, pads and RTSP server objects).
    template <typename T>
    void operator()(T* object) const {
        g_object_unref(object);
    }
};

template <typename T>
using GLibPtr = std::unique_ptr<T, GLibUnref>;

}  // namespace test_support
