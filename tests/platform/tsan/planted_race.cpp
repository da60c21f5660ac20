// A race planted on purpose in code of ours that runs on a thread of GLib or GStreamer, the way the
// RTSP source's callbacks run on the streaming threads: ThreadSanitizer must report it with the
// project's suppressions in force. planted_race glib-thread | streaming-thread
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

int planted = 0;  // written by both threads without any synchronisation, and read at the end

// Long enough that the other thread's write has surely happened first.
void LetTheOtherThreadWrite() { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }

gpointer PlantedRaceOnGlibThread(gpointer) {
    planted = 1;
    return nullptr;
}

void PlantedRaceOnStreamingThread(GstElement*, GstBuffer*, GstPad*, gpointer) { planted = 2; }

int RaceWithAGlibThread() {
    GThread* thread = g_thread_new("planted", &PlantedRaceOnGlibThread, nullptr);
    LetTheOtherThreadWrite();
    planted = 3;
    g_thread_join(thread);
    return 0;
}

int RaceWithAStreamingThread() {
    gst_init(nullptr, nullptr);
    GstElement* pipeline = gst_parse_launch("fakesrc num-buffers=3 ! fakesink name=sink signal-handoffs=true", nullptr);
    if (pipeline == nullptr) return 2;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    g_signal_connect(sink, "handoff", G_CALLBACK(&PlantedRaceOnStreamingThread), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    LetTheOtherThreadWrite();
    planted = 4;
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, 5 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (end != nullptr) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int result = 2;
    if (argc == 2 && std::strcmp(argv[1], "glib-thread") == 0) result = RaceWithAGlibThread();
    if (argc == 2 && std::strcmp(argv[1], "streaming-thread") == 0) result = RaceWithAStreamingThread();
    std::printf("planted %d\n", planted);
    return result;
}
