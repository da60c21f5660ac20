#include "platform/livevideo/rtsp_pipeline.h"

#include <gst/rtp/gstrtpbuffer.h>

#include <cstring>
#include <string>

namespace livevideo {
namespace {

// The TEARDOWN sent when the pipeline stops is written without waiting for an answer; this bounds
// the write.
constexpr guint64 kTeardownTimeoutNs = 200 * GST_MSECOND;

const char* const kNalUnitCaps = "video/x-h264,stream-format=byte-stream,alignment=nal";

GstPtr<GstElement> makeElement(const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    // Owned here until the bin holds it too.
    return GstPtr<GstElement>(element != nullptr ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

bool hasScheme(const std::string& url, const char* scheme) {
    return g_ascii_strncasecmp(url.c_str(), scheme, strlen(scheme)) == 0;
}

// rtspsrc takes a tunnel through HTTP from the URL's scheme.
std::string clientLocation(const RtspTransport& transport) {
    const std::string& url = transport.location;
    if (!transport.tunnel) {
        return url;
    }
    const bool tls = transport.tunnelOverTls || hasScheme(url, "rtsps://");
    return (tls ? "rtspsh" : "rtsph") + url.substr(url.find("://"));
}

// The lower transports rtspsrc may use, by the names of its "protocols" flags.
std::string protocols(const RtspTransport& transport) {
    std::string names;
    auto add = [&names](const char* name) { names.append(names.empty() ? "" : "+").append(name); };
    if (transport.udp) {
        add("udp");
    }
    if (transport.multicast) {
        add("udp-mcast");
    }
    if (transport.tcp) {
        add("tcp");
    }
    if (transport.tunnel) {
        add("http");
    }
    if (transport.tunnelOverTls || hasScheme(transport.location, "rtsps://")) {
        add("tls");
    }
    return names;
}

void configureSource(GstElement* source, const RtspTransport& transport, int timeoutMs) {
    const std::string location = clientLocation(transport);
    g_object_set(source, "location", location.c_str(), nullptr);
    gst_util_set_object_arg(G_OBJECT(source), "protocols", protocols(transport).c_str());
    // The jitter buffer passes each packet on at once: over TCP nothing is reordered, and a viewer
    // wants the picture now rather than smoothed.
    g_object_set(source, "latency", 0u, "teardown-timeout", kTeardownTimeoutNs, "tcp-timeout",
                 static_cast<guint64>(timeoutMs > 0 ? timeoutMs : 0) * 1000, nullptr);
    // Cameras present self-signed certificates; the stream is taken as it comes, as before.
    g_object_set(source, "tls-validation-flags", 0u, nullptr);
}

// An RTP packet's payload, readable while the mapping lives.
class MappedRtpPacket {
public:
    explicit MappedRtpPacket(GstBuffer* buffer) { mapped_ = gst_rtp_buffer_map(buffer, GST_MAP_READ, &rtp_); }
    ~MappedRtpPacket() {
        if (mapped_) {
            gst_rtp_buffer_unmap(&rtp_);
        }
    }
    MappedRtpPacket(const MappedRtpPacket&) = delete;
    MappedRtpPacket& operator=(const MappedRtpPacket&) = delete;

    explicit operator bool() const { return mapped_; }
    const uint8_t* payload() { return static_cast<const uint8_t*>(gst_rtp_buffer_get_payload(&rtp_)); }
    size_t payloadSize() { return gst_rtp_buffer_get_payload_len(&rtp_); }
    uint32_t timestamp() { return gst_rtp_buffer_get_timestamp(&rtp_); }

private:
    GstRTPBuffer rtp_ = GST_RTP_BUFFER_INIT;
    bool mapped_ = false;
};

}  // namespace

std::unique_ptr<RtspPipeline> RtspPipeline::make(const RtspTransport& transport, int timeoutMs, Events& events) {
    GstPtr<GstElement> pipeline(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new(nullptr))));
    GstPtr<GstElement> source = makeElement("rtspsrc");
    GstPtr<GstElement> depayloader = makeElement("rtph264depay");
    GstPtr<GstElement> filter = makeElement("capsfilter");
    GstPtr<GstElement> sink = makeElement("appsink");
    if (!pipeline || !source || !depayloader || !filter || !sink) {
        return nullptr;
    }
    configureSource(source.get(), transport, timeoutMs);
    const GstPtr<GstCaps> caps(gst_caps_from_string(kNalUnitCaps));
    g_object_set(filter.get(), "caps", caps.get(), nullptr);
    // No clock to wait for and no picture kept back: each unit goes to the callback as it comes.
    g_object_set(sink.get(), "sync", FALSE, "async", FALSE, "enable-last-sample", FALSE, nullptr);

    gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), depayloader.get(), filter.get(), sink.get(), nullptr);
    if (!gst_element_link_many(depayloader.get(), filter.get(), sink.get(), nullptr)) {
        return nullptr;
    }
    std::unique_ptr<RtspPipeline> made(
        new RtspPipeline(events, std::move(pipeline), std::move(source), std::move(depayloader)));
    made->connectSignals(sink.get());
    return made;
}

RtspPipeline::RtspPipeline(Events& events, GstPtr<GstElement> pipeline, GstPtr<GstElement> source,
                           GstPtr<GstElement> depayloader)
    : events_(events),
      pipeline_(std::move(pipeline)),
      source_(std::move(source)),
      depayloader_(std::move(depayloader)),
      bus_(gst_element_get_bus(pipeline_.get())) {}

RtspPipeline::~RtspPipeline() {
    jitterBuffers_.stop();
    // Waits for the streaming threads, so no event comes once it returns.
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    gst_bus_set_sync_handler(bus_.get(), nullptr, nullptr, nullptr);
}

void RtspPipeline::connectSignals(GstElement* sink) {
    g_signal_connect(source_.get(), "select-stream", G_CALLBACK(&RtspPipeline::onSelectStream), this);
    g_signal_connect(source_.get(), "pad-added", G_CALLBACK(&RtspPipeline::onPadAdded), this);
    jitterBuffers_.watch(source_.get());
    const GstPtr<GstPad> into(gst_element_get_static_pad(depayloader_.get(), "sink"));
    gst_pad_add_probe(into.get(), GST_PAD_PROBE_TYPE_BUFFER, &RtspPipeline::onRtpPacket, this, nullptr);
    // Every message is handled where it is posted and dropped: nobody reads the bus's queue.
    gst_bus_set_sync_handler(bus_.get(), &RtspPipeline::onMessage, this, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.eos = &RtspPipeline::onEndOfStream;
    callbacks.new_sample = &RtspPipeline::onSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
}

RtspPipeline* RtspPipeline::enter(gpointer self) {
    auto* pipeline = static_cast<RtspPipeline*>(self);
    pipeline->handOffs_.load(std::memory_order_acquire);
    return pipeline;
}

bool RtspPipeline::open() {
    handOffs_.fetch_add(1, std::memory_order_release);
    return gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

bool RtspPipeline::play() {
    playRequested_ = true;
    handOffs_.fetch_add(1, std::memory_order_release);
    return gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

gboolean RtspPipeline::onSelectStream(GstElement*, guint index, GstCaps* caps, gpointer self) {
    const GstStructure* stream = gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
    return stream != nullptr && enter(self)->events_.offered(index, stream);
}

// The RTP session makes a pad for each sender (SSRC) once its first packet arrives. A camera that
// restarts its encoder may come back as a new sender: the newest one feeds the depacketiser.
void RtspPipeline::onPadAdded(GstElement*, GstPad* pad, gpointer self) {
    auto* pipeline = enter(self);
    const GstPtr<GstPad> into(gst_element_get_static_pad(pipeline->depayloader_.get(), "sink"));
    if (const GstPtr<GstPad> previous{gst_pad_get_peer(into.get())}) {
        gst_pad_unlink(previous.get(), into.get());
    }
    gst_pad_link(pad, into.get());
}

GstPadProbeReturn RtspPipeline::onRtpPacket(GstPad*, GstPadProbeInfo* info, gpointer self) {
    MappedRtpPacket packet(GST_PAD_PROBE_INFO_BUFFER(info));
    if (!packet) {
        return GST_PAD_PROBE_OK;
    }
    auto* pipeline = enter(self);
    if (!pipeline->fragments_.admit(packet.payload(), packet.payloadSize())) {
        return GST_PAD_PROBE_DROP;
    }
    pipeline->rtpTime_ = packet.timestamp();
    return GST_PAD_PROBE_OK;
}

// A sync handler that drops a message owns it: every message holds its source element, and one
// not given back keeps the whole pipeline (and the bus's socket pair) alive.
GstBusSyncReply RtspPipeline::onMessage(GstBus*, GstMessage* message, gpointer self) {
    const GstPtr<GstMessage> dropped(message);
    auto* pipeline = enter(self);
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_PROGRESS: {
            // rtspsrc reports each RTSP exchange: "open" completes once the session is set up, and the
            // "request" that completes after the play is the answer to PLAY.
            GstProgressType type;
            gchar* code = nullptr;
            gst_message_parse_progress(message, &type, &code, nullptr);
            const GstPtr<gchar> owned(code);
            if (type == GST_PROGRESS_TYPE_COMPLETE && code != nullptr) {
                if (g_str_equal(code, "open")) {
                    pipeline->events_.opened();
                } else if (g_str_equal(code, "request") && pipeline->playRequested_) {
                    pipeline->events_.playing();
                }
            }
            break;
        }
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_EOS:
            pipeline->events_.ended();
            break;
        default:
            break;
    }
    return GST_BUS_DROP;
}

GstFlowReturn RtspPipeline::onSample(GstAppSink* sink, gpointer self) {
    if (GstPtr<GstSample> sample{gst_app_sink_pull_sample(sink)}) {
        auto* pipeline = enter(self);
        pipeline->events_.received(std::move(sample), pipeline->rtpTime_);
    }
    return GST_FLOW_OK;
}

void RtspPipeline::onEndOfStream(GstAppSink*, gpointer self) { enter(self)->events_.ended(); }

}  // namespace livevideo
