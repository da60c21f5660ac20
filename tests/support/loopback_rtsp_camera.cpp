#include "tests/support/loopback_rtsp_camera.h"

#include "tests/support/avc_parameter_set_probe.h"

#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace test_support {

// The stall valve of every session alive, each held by one reference until its session goes.
class StallValves {
public:
    // Keeps the reference and sets the valve as the camera is now.
    void Add(GLibPtr<GstElement> valve) {
        std::lock_guard lock(mutex_);
        g_object_set(valve.get(), "drop", stalled_ ? TRUE : FALSE, nullptr);
        valves_.push_back(std::move(valve));
        ++added_;
    }

    void Remove(GstElement* valve) {
        GLibPtr<GstElement> removed;  // given back outside the lock
        std::lock_guard lock(mutex_);
        const auto found =
            std::find_if(valves_.begin(), valves_.end(), [valve](const auto& held) { return held.get() == valve; });
        if (found != valves_.end()) {
            removed = std::move(*found);
            valves_.erase(found);
        }
    }

    void SetStalled(bool stalled) {
        std::lock_guard lock(mutex_);
        stalled_ = stalled;
        for (const GLibPtr<GstElement>& valve : valves_) {
            g_object_set(valve.get(), "drop", stalled ? TRUE : FALSE, nullptr);
        }
    }

    size_t Count() const {
        std::lock_guard lock(mutex_);
        return valves_.size();
    }

    size_t Added() const {
        std::lock_guard lock(mutex_);
        return added_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<GLibPtr<GstElement>> valves_;
    size_t added_ = 0;
    bool stalled_ = false;
};

namespace {

void InitGstreamerOnce() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

// The RTSP server library runs each session's pipeline loop on threads of a process-wide pool;
// when the last camera of the process stops, that pool is emptied and its threads joined (the
// library makes a new pool when a camera starts again).
std::mutex runningCamerasMutex;
int runningCameras = 0;

void CountRunningCamera(int change) {
    std::lock_guard lock(runningCamerasMutex);
    runningCameras += change;
    if (runningCameras == 0) {
        gst_rtsp_thread_pool_cleanup();
    }
}

// Takes "sprop-parameter-sets=...;" out of an SDP text, leaving the rest of its fmtp line.
std::string WithoutParameterSets(std::string sdp) {
    const std::string key = "sprop-parameter-sets=";
    for (size_t at = sdp.find(key); at != std::string::npos; at = sdp.find(key, at)) {
        size_t end = sdp.find_first_of(";\r\n", at);
        if (end != std::string::npos && sdp[end] == ';') {
            ++end;
        } else if (at > 0 && sdp[at - 1] == ';') {
            --at;  // it was the last parameter: drop the separator before it
        }
        sdp.erase(at, end == std::string::npos ? std::string::npos : end - at);
    }
    return sdp;
}

// "send-message" of a client: rewrites the session description of a DESCRIBE answer.
void StripParameterSetsFromDescription(GstRTSPClient*, GstRTSPContext*, gpointer message, gpointer) {
    auto* rtsp = static_cast<GstRTSPMessage*>(message);
    guint8* body = nullptr;
    guint size = 0;
    if (gst_rtsp_message_get_type(rtsp) != GST_RTSP_MESSAGE_RESPONSE ||
        gst_rtsp_message_get_body(rtsp, &body, &size) != GST_RTSP_OK || size == 0) {
        return;
    }
    const std::string sdp = WithoutParameterSets(std::string(reinterpret_cast<const char*>(body), size));
    gst_rtsp_message_set_body(rtsp, reinterpret_cast<const guint8*>(sdp.data()), static_cast<guint>(sdp.size()));
}

void OnClientConnected(GstRTSPServer*, GstRTSPClient* client, gpointer) {
    g_signal_connect(client, "send-message", G_CALLBACK(StripParameterSetsFromDescription), nullptr);
}

// What every session's pipeline is set up with as the factory makes it.
struct SessionSetup {
    std::shared_ptr<StallValves> valves;
    bool parameterSetsInBand;
    bool endWithTheFile;
};

// Keeps the file's length and end from the session, as a live camera has neither: the session
// description tells no range (a client that knows where the stream stops ends it there, dropping
// what comes after), and after the file the session goes on sending nothing.
GstPadProbeReturn HideTheEnd(GstPad*, GstPadProbeInfo* info, gpointer) {
    bool end = false;
    if ((info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
        end = GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS;
    } else {
        const GstQueryType type = GST_QUERY_TYPE(GST_PAD_PROBE_INFO_QUERY(info));
        end = type == GST_QUERY_DURATION || type == GST_QUERY_SEGMENT || type == GST_QUERY_SEEKING;
    }
    return end ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

// A session's stall valve, registered until the session's media goes.
struct SessionValve {
    std::shared_ptr<StallValves> valves;
    GstElement* valve;  // the registry holds its reference
};

void ReleaseSessionValve(gpointer data, GObject*) {
    const std::unique_ptr<SessionValve> session(static_cast<SessionValve*>(data));
    session->valves->Remove(session->valve);
}

// "media-configure" of the factory, for each session's new pipeline.
void ConfigureSession(GstRTSPMediaFactory*, GstRTSPMedia* media, gpointer data) {
    const auto* setup = static_cast<const SessionSetup*>(data);
    const GLibPtr<GstElement> bin(gst_rtsp_media_get_element(media));
    GstElement* valve = gst_bin_get_by_name(GST_BIN(bin.get()), "stall");
    setup->valves->Add(GLibPtr<GstElement>(valve));
    g_object_weak_ref(G_OBJECT(media), ReleaseSessionValve, new SessionValve{setup->valves, valve});
    const GLibPtr<GstPad> into(gst_element_get_static_pad(valve, "src"));
    if (!setup->parameterSetsInBand) {
        gst_pad_add_probe(into.get(), GST_PAD_PROBE_TYPE_BUFFER, DropAvcParameterSets, nullptr, nullptr);
    }
    if (!setup->endWithTheFile) {
        gst_pad_add_probe(
            into.get(),
            static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_QUERY_UPSTREAM),
            HideTheEnd, nullptr, nullptr);
    }
}

// Runs on the server's thread: closes every connection, ends every session (their pipelines stop),
// stops listening and ends the loop.
gboolean ShutDownOnServerThread(gpointer data) {
    auto* server = static_cast<GstRTSPServer*>(data);
    gst_rtsp_server_client_filter(
        server, [](GstRTSPServer*, GstRTSPClient*, gpointer) { return GST_RTSP_FILTER_REMOVE; }, nullptr);
    const GLibPtr<GstRTSPSessionPool> pool(gst_rtsp_server_get_session_pool(server));
    gst_rtsp_session_pool_filter(
        pool.get(), [](GstRTSPSessionPool*, GstRTSPSession*, gpointer) { return GST_RTSP_FILTER_REMOVE; }, nullptr);
    g_main_loop_quit(static_cast<GMainLoop*>(g_object_get_data(G_OBJECT(server), "veltrin-loop")));
    return G_SOURCE_REMOVE;
}

}  // namespace

LoopbackRtspCamera::LoopbackRtspCamera(LoopbackRtspCameraOptions options)
    : options_(std::move(options)), valves_(std::make_shared<StallValves>()) {}

LoopbackRtspCamera::~LoopbackRtspCamera() { Stop(); }

std::string LoopbackRtspCamera::Url() const { return "rtsp://127.0.0.1:" + std::to_string(port_) + options_.path; }

std::string LoopbackRtspCamera::LaunchDescription() const {
    // Without parameter sets in band the stream is avc: its codec data gives the payloader the
    // sets for the session description, and a probe on the valve takes them out of the stream.
    const bool inBand = options_.parameterSetsInBand;
    const std::string h264Caps =
        std::string("video/x-h264,stream-format=") + (inBand ? "byte-stream" : "avc") + ",alignment=au";
    const std::string tail = " ! " + h264Caps + " ! valve name=stall ! rtph264pay name=pay0 pt=96 config-interval=0 )";
    if (!options_.file.empty()) {
        const std::string file = options_.file.string();
        if (file.find('"') != std::string::npos) {
            throw std::runtime_error("file name must not contain a double quote: " + file);
        }
        return "( filesrc location=\"" + file + "\" ! qtdemux ! h264parse config-interval=" + (inBand ? "-1" : "0") +
               tail;
    }
    // One thread, so that x264 cuts a picture into slices only when asked to. x264 repeats the
    // parameter sets before each key frame, in either stream format.
    std::string encoder = "x264enc tune=zerolatency speed-preset=ultrafast threads=1 aud=false key-int-max=" +
                          std::to_string(options_.keyFrameInterval);
    if (options_.slicesPerPicture > 1) {
        encoder += " option-string=slices=" + std::to_string(options_.slicesPerPicture);
    }
    // A camera that cannot encode a picture in time drops it: the pattern is made on time whatever
    // the encoder does, and only the newest picture waits for it. Blocked instead, the pattern
    // would fall behind and then send its late pictures all at once.
    return "( videotestsrc is-live=true pattern=ball ! video/x-raw,format=I420,width=" +
           std::to_string(options_.width) + ",height=" + std::to_string(options_.height) +
           ",framerate=" + std::to_string(options_.framesPerSecond) +
           "/1 ! queue leaky=downstream max-size-buffers=1 max-size-bytes=0 max-size-time=0 ! " + encoder + tail;
}

void LoopbackRtspCamera::Start() {
    if (server_ != nullptr) {
        return;
    }
    InitGstreamerOnce();
    const std::string launch = LaunchDescription();

    context_.reset(g_main_context_new());
    loop_.reset(g_main_loop_new(context_.get(), FALSE));
    server_.reset(gst_rtsp_server_new());
    GstRTSPServer* server = server_.get();
    g_object_set_data(G_OBJECT(server), "veltrin-loop", loop_.get());
    gst_rtsp_server_set_address(server, "127.0.0.1");
    gst_rtsp_server_set_service(server, std::to_string(options_.port).c_str());
    // Clients are served on the server's own thread: with a client thread of their own, the
    // library races between a client's connection watch and the close of that connection and
    // can spin on the closed connection.
    const GLibPtr<GstRTSPThreadPool> threads(gst_rtsp_server_get_thread_pool(server));
    gst_rtsp_thread_pool_set_max_threads(threads.get(), 0);

    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, launch.c_str());
    gst_rtsp_media_factory_set_shared(factory, FALSE);
    if (options_.file.empty()) {
        // A live camera sends what it sees once it is asked to play. Left running after the session
        // description is made, the test pattern would pile up pictures until the PLAY and then send
        // them all at once, as many as the client took time to get from DESCRIBE to PLAY.
        gst_rtsp_media_factory_set_suspend_mode(factory, GST_RTSP_SUSPEND_MODE_RESET);
    }
    g_signal_connect_data(
        factory, "media-configure", G_CALLBACK(ConfigureSession),
        new SessionSetup{valves_, options_.parameterSetsInBand, options_.endWithTheFile},
        [](gpointer setup, GClosure*) { delete static_cast<SessionSetup*>(setup); }, GConnectFlags{});
    const GLibPtr<GstRTSPMountPoints> mounts(gst_rtsp_server_get_mount_points(server));
    gst_rtsp_mount_points_add_factory(mounts.get(), options_.path.c_str(), factory);  // takes the factory
    if (!options_.parameterSetsInSessionDescription) {
        g_signal_connect(server, "client-connected", G_CALLBACK(OnClientConnected), nullptr);
    }

    serverSource_ = gst_rtsp_server_attach(server, context_.get());
    if (serverSource_ == 0) {
        Stop();
        throw std::runtime_error("loopback camera cannot listen on port " + std::to_string(options_.port));
    }
    port_ = gst_rtsp_server_get_bound_port(server);
    CountRunningCamera(+1);
    thread_ = std::thread([context = context_.get(), loop = loop_.get()] {
        g_main_context_push_thread_default(context);
        g_main_loop_run(loop);
        g_main_context_pop_thread_default(context);
    });
}

void LoopbackRtspCamera::Stop() {
    if (server_ == nullptr) {
        return;
    }
    if (thread_.joinable()) {
        const GLibPtr<GSource> shutdown(g_idle_source_new());
        g_source_set_priority(shutdown.get(), G_PRIORITY_HIGH);  // before any client's pending work
        g_source_set_callback(shutdown.get(), ShutDownOnServerThread, server_.get(), nullptr);
        g_source_attach(shutdown.get(), context_.get());
        thread_.join();
        CountRunningCamera(-1);
    }
    if (serverSource_ != 0) {
        if (GSource* listening = g_main_context_find_source_by_id(context_.get(), serverSource_)) {
            g_source_destroy(listening);
        }
        serverSource_ = 0;
    }
    server_.reset();
    loop_.reset();
    context_.reset();
    port_ = 0;
}

void LoopbackRtspCamera::SetStalled(bool stalled) { valves_->SetStalled(stalled); }

size_t LoopbackRtspCamera::LiveSessions() const { return valves_->Count(); }

size_t LoopbackRtspCamera::SessionsMade() const { return valves_->Added(); }

}  // namespace test_support
