// A camera whose session offers no H.264 video: the source says so rather than playing nothing.
#include "platform/livevideo/livevideo.h"
#include "tests/support/glib_owners.h"

#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace {

using test_support::GLibPtr;

// An RTSP server on loopback serving one Motion JPEG stream at /mjpeg, on a thread of its own.
class MotionJpegServer {
public:
    MotionJpegServer() {
        gst_rtsp_server_set_address(server_.get(), "127.0.0.1");
        gst_rtsp_server_set_service(server_.get(), "0");
        GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
        gst_rtsp_media_factory_set_launch(factory, "( videotestsrc is-live=true ! jpegenc ! rtpjpegpay name=pay0 )");
        const GLibPtr<GstRTSPMountPoints> mounts(gst_rtsp_server_get_mount_points(server_.get()));
        gst_rtsp_mount_points_add_factory(mounts.get(), "/mjpeg", factory);  // takes the factory
        attached_ = gst_rtsp_server_attach(server_.get(), context_.get());
        url_ = "rtsp://127.0.0.1:" + std::to_string(gst_rtsp_server_get_bound_port(server_.get())) + "/mjpeg";
        thread_ = std::thread([this] {
            g_main_context_push_thread_default(context_.get());
            g_main_loop_run(loop_.get());
            g_main_context_pop_thread_default(context_.get());
        });
    }

    // Drops the clients on the server's thread, then ends its loop and joins it.
    ~MotionJpegServer() {
        const GLibPtr<GSource> shutdown(g_idle_source_new());
        g_source_set_callback(shutdown.get(), &MotionJpegServer::ShutDown, this, nullptr);
        g_source_attach(shutdown.get(), context_.get());
        thread_.join();
        if (GSource* listening = g_main_context_find_source_by_id(context_.get(), attached_)) {
            g_source_destroy(listening);
        }
    }

    const std::string& Url() const { return url_; }

private:
    static gboolean ShutDown(gpointer self) {
        auto* server = static_cast<MotionJpegServer*>(self);
        gst_rtsp_server_client_filter(
            server->server_.get(), [](GstRTSPServer*, GstRTSPClient*, gpointer) { return GST_RTSP_FILTER_REMOVE; },
            nullptr);
        g_main_loop_quit(server->loop_.get());
        return G_SOURCE_REMOVE;
    }

    static bool InitGstreamer() {
        gst_init(nullptr, nullptr);
        return true;
    }

    const bool initialised_ = InitGstreamer();  // before any GStreamer object is made
    GLibPtr<GMainContext> context_{g_main_context_new()};
    GLibPtr<GMainLoop> loop_{g_main_loop_new(context_.get(), FALSE)};
    GLibPtr<GstRTSPServer> server_{gst_rtsp_server_new()};
    unsigned attached_ = 0;
    std::string url_;
    std::thread thread_;
};

void IgnoreData(int, const unsigned char*, int, void*) {}

TEST(RtspSourceOpen, AnswersNoVideoForASessionWithoutH264) {
    MotionJpegServer server;
    std::unique_ptr<rtsp_source, decltype(&rtsp_source_free)> source(rtsp_source_new(&IgnoreData, nullptr),
                                                                     &rtsp_source_free);
    EXPECT_EQ(rtsp_source_open(source.get(), server.Url().c_str(), 0, 2000), RTSP_SOURCE_ERROR_NO_VIDEO);
    EXPECT_EQ(rtsp_source_play(source.get()), RTSP_SOURCE_ERROR_ARGUMENT);  // nothing was opened
}

}  // namespace
