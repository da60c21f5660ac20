#include "platform/livevideo/rtsp_source.h"

#include "platform/livevideo/annexb.h"
#include "platform/livevideo/rtsp_url.h"

#include <cassert>
#include <chrono>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

namespace livevideo {
namespace {

bool initGstreamerOnce() {
    static const bool ready = [] {
        GError* error = nullptr;
        const bool initialised = gst_init_check(nullptr, nullptr, &error);
        const GstPtr<GError> owned(error);
        return initialised;
    }();
    return ready;
}

// The source whose delivery thread this is, if any: close from inside the callback must not wait
// for the thread it runs on.
thread_local const RtspSource* readingSource = nullptr;

bool isH264Video(const GstStructure* stream) {
    const char* media = gst_structure_get_string(stream, "media");
    const char* encoding = gst_structure_get_string(stream, "encoding-name");
    return media != nullptr && encoding != nullptr && g_ascii_strcasecmp(media, "video") == 0 &&
           g_ascii_strcasecmp(encoding, "H264") == 0;
}

}  // namespace

RtspSource::RtspSource(rtsp_source_callback callback, void* userData) : callback_(callback), userData_(userData) {}

RtspSource::~RtspSource() {
    // The delivery thread cannot join itself.
    assert(readingSource != this && "rtsp_source_free called from inside the source's callback");
    close();
}

int RtspSource::open(const char* url, int options, int timeoutMs) {
    // A close on another thread holds the lock while it stops the pipeline.
    assert(readingSource != this && "rtsp_source_open called from inside the source's callback");
    std::lock_guard lock(mutex_);
    if (pipeline_ || url == nullptr || options != 0 || !isRtspUrl(url) || !initGstreamerOnce()) {
        return RTSP_SOURCE_ERROR_ARGUMENT;
    }
    // abort_ stays as it is: set, it belongs to a close on another thread that waits for this lock
    // and wants this open to end too.
    playing_ = false;
    timeoutMs_ = timeoutMs;
    {
        std::lock_guard sessionLock(sessionMutex_);
        session_ = Session{};
    }
    try {
        std::unique_ptr<RtspPipeline> pipeline = RtspPipeline::make(chooseTransport(url), timeoutMs, *this);
        if (!pipeline) {
            return RTSP_SOURCE_ERROR_ARGUMENT;
        }
        const bool opened = pipeline->open() && waitFor([](const Session& s) { return s.opened; }, timeoutMs);
        const Session session = this->session();
        if (!opened || session.videoStream < 0) {
            pipeline.reset();  // stopped before open answers
            return session.offeredAny && session.videoStream < 0 ? RTSP_SOURCE_ERROR_NO_VIDEO
                                                                 : RTSP_SOURCE_ERROR_SERVER;
        }
        loadParameterSets(session.parameterSets);
        pipeline_ = std::move(pipeline);
    } catch (const std::bad_alloc&) {
        return RTSP_SOURCE_ERROR_ARGUMENT;
    }
    return RTSP_SOURCE_OK;
}

int RtspSource::play() {
    assert(readingSource != this && "rtsp_source_play called from inside the source's callback");
    std::lock_guard lock(mutex_);
    if (!pipeline_) {
        return RTSP_SOURCE_ERROR_ARGUMENT;
    }
    const bool ended = session().ended;
    if (playing_ || ended) {
        // Playing already, unless the stream has ended by itself: then nothing more will come.
        return ended ? RTSP_SOURCE_ERROR_SERVER : RTSP_SOURCE_OK;
    }
    if (!startDelivery()) {
        return RTSP_SOURCE_ERROR_ARGUMENT;  // no thread to be had
    }
    if (!pipeline_->play() || !waitFor([](const Session& s) { return s.playing; }, timeoutMs_)) {
        handoffs_.close();  // frees a streaming thread that waits for room
        pipeline_.reset();  // nothing arrives from a play that failed
        stopDelivery();
        return RTSP_SOURCE_ERROR_SERVER;
    }
    playing_ = true;
    return RTSP_SOURCE_OK;
}

void RtspSource::close() {
    abort_ = true;  // ends a wait of open or play on another thread, and the deliveries, at once
    {
        std::lock_guard sessionLock(sessionMutex_);  // so that no waiter misses the change
    }
    sessionChanged_.notify_all();
    handoffs_.close();  // a streaming thread waiting for room goes on, and the delivery thread ends
    if (readingSource == this) {
        return;  // called from inside the callback: nothing more is delivered; free stops the rest
    }
    std::lock_guard lock(mutex_);
    pipeline_.reset();
    stopDelivery();
    playing_ = false;
    abort_ = false;
}

template <typename Reached>
bool RtspSource::waitFor(Reached reached, int timeoutMs) {
    std::unique_lock lock(sessionMutex_);
    const auto settled = [&] { return abort_ || session_.ended || reached(session_); };
    if (timeoutMs > 0) {
        sessionChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), settled);
    } else {
        sessionChanged_.wait(lock, settled);
    }
    return !abort_ && reached(session_);
}

void RtspSource::report(void (*change)(Session&)) {
    {
        std::lock_guard lock(sessionMutex_);
        change(session_);
    }
    sessionChanged_.notify_all();
}

RtspSource::Session RtspSource::session() {
    std::lock_guard lock(sessionMutex_);
    return session_;
}

bool RtspSource::offered(unsigned index, const GstStructure* stream) {
    const int number = static_cast<int>(index);
    std::lock_guard lock(sessionMutex_);
    session_.offeredAny = true;
    if (session_.videoStream >= 0) {
        return session_.videoStream == number;  // offered again when the client reconnects
    }
    if (!isH264Video(stream)) {
        return false;
    }
    const char* sets = gst_structure_get_string(stream, "sprop-parameter-sets");
    try {
        session_.parameterSets = sets != nullptr ? sets : "";
    } catch (const std::bad_alloc&) {
        session_.parameterSets.clear();  // the stream's own parameter sets will have to do
    }
    session_.videoStream = number;
    return true;
}

void RtspSource::opened() {
    report([](Session& s) { s.opened = true; });
}

// The description's parameter sets go out as soon as PLAY is answered, ahead of the stream: a
// receiver has the picture size before the first picture comes.
void RtspSource::playing() {
    report([](Session& s) { s.playing = true; });
    try {
        handoffs_.push(Handoff{});
    } catch (const std::bad_alloc&) {
        // They go out in front of the first buffer instead.
    }
}

void RtspSource::ended() {
    report([](Session& s) { s.ended = true; });
}

// sprop-parameter-sets: the parameter sets in base64, separated by commas.
void RtspSource::loadParameterSets(const std::string& sprop) {
    parameterSets_.reset();
    for (std::string_view rest = sprop; !rest.empty();) {
        const size_t comma = rest.find(',');
        const std::string encoded(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        gsize size = 0;
        const GstPtr<guchar> decoded(g_base64_decode(encoded.c_str(), &size));
        if (decoded && size > 0) {
            parameterSets_.add(decoded.get(), size);
        }
    }
}

void RtspSource::received(GstPtr<GstSample> sample, uint32_t rtpTime) {
    // Nothing may escape into GStreamer: without memory to queue it, the buffer is lost.
    try {
        handoffs_.push(Handoff{std::move(sample), rtpTime});
    } catch (const std::bad_alloc&) {}
}

// Under mutex_, while no delivery thread runs.
bool RtspSource::startDelivery() {
    started_ = false;
    unitTime_.reset();
    timeHandedOn_.reset();
    closer_.reset();
    handoffs_.open();
    try {
        deliverer_ = std::thread(&RtspSource::deliveryLoop, this);
    } catch (const std::system_error&) {
        handoffs_.close();
        return false;
    }
    return true;
}

// Under mutex_, once the pipeline is gone: nothing is handed off any more.
void RtspSource::stopDelivery() {
    handoffs_.close();
    if (deliverer_.joinable()) {
        deliverer_.join();
    }
}

void RtspSource::deliveryLoop() {
    readingSource = this;
    while (std::optional<Handoff> handoff = handoffs_.pop()) {
        // Nothing may escape the thread: without memory to keep a parameter set, the rest of the
        // buffer is dropped.
        try {
            startStream();
            if (handoff->sample) {
                deliverSample(handoff->sample.get(), handoff->rtpTime);
            }
        } catch (const std::bad_alloc&) {}
    }
    readingSource = nullptr;
}

// The description's parameter sets, once per stream.
void RtspSource::startStream() {
    assert(readingSource == this && "delivery thread only");
    if (!std::exchange(started_, true)) {
        parameterSets_.start([this](const uint8_t* nal, size_t size) { deliver(nal, size); });
    }
}

void RtspSource::deliverSample(GstSample* sample, uint32_t rtpTime) {
    assert(readingSource == this && "delivery thread only");
    unitTime_ = rtpTime;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const MappedBuffer bytes(buffer);
    if (!bytes) {
        return;
    }
    const bool marked = GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_MARKER);
    const auto toCaller = [this](const uint8_t* nal, size_t size) { deliver(nal, size); };
    const auto throughParameterSets = [this, &toCaller](const uint8_t* nal, size_t size) {
        parameterSets_.pass(nal, size, toCaller);
    };
    forEachNalUnit(bytes.data(), bytes.size(), [&](const uint8_t* nal, size_t size, bool last) {
        closer_.pass(nal, size, marked && last, throughParameterSets);
    });
}

void RtspSource::deliver(const uint8_t* nal, size_t size) {
    if (unitTime_) {
        deliverTime(*unitTime_);
    }
    if (!abort_) {
        callback_(RTSP_SOURCE_DATA_H264_NAL, nal, static_cast<int>(size), userData_);
    }
}

void RtspSource::deliverTime(uint32_t rtpTime) {
    if (timeHandedOn_ == rtpTime) {
        return;
    }
    timeHandedOn_ = rtpTime;
    const unsigned char bigEndian[4] = {static_cast<unsigned char>(rtpTime >> 24),
                                        static_cast<unsigned char>(rtpTime >> 16),
                                        static_cast<unsigned char>(rtpTime >> 8), static_cast<unsigned char>(rtpTime)};
    if (!abort_) {
        callback_(RTSP_SOURCE_DATA_PICTURE_TIME, bigEndian, sizeof bigEndian, userData_);
    }
}

}  // namespace livevideo
