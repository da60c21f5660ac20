#include "platform/livevideo/rtsp_source.h"

#include "platform/livevideo/rtsp_url.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/time.h>
}

#include <cassert>
#include <new>
#include <system_error>

namespace livevideo {
namespace {

// The TEARDOWN sent on close is written without waiting for an answer; this bounds the write.
constexpr int kTeardownTimeoutMs = 200;

void initNetworkOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { avformat_network_init(); });
}

// The source whose reader runs on this thread, if any: close from inside the callback must not
// wait for the thread it runs on.
thread_local const RtspSource* readingSource = nullptr;

}  // namespace

RtspSource::RtspSource(rtsp_source_callback callback, void* userData) : callback_(callback), userData_(userData)
{
    initNetworkOnce();
}

RtspSource::~RtspSource()
{
    // The reader cannot join itself.
    assert(readingSource != this && "rtsp_source_free called from inside the source's callback");
    close();
}

int RtspSource::interrupted(void* self)
{
    const auto* source = static_cast<const RtspSource*>(self);
    if (source->abort_) {
        return 1;
    }
    const int64_t deadline = source->deadlineUs_;
    return deadline != 0 && av_gettime_relative() > deadline ? 1 : 0;
}

void RtspSource::setDeadline(int timeoutMs)
{
    deadlineUs_ = timeoutMs > 0 ? av_gettime_relative() + int64_t{timeoutMs} * 1000 : 0;
}

int RtspSource::open(const char* url, int options, int timeoutMs)
{
    // A close on another thread holds the lock while it waits for the reader.
    assert(readingSource != this && "rtsp_source_open called from inside the source's callback");
    std::lock_guard lock(mutex_);
    if (format_ || url == nullptr || options != 0 || !isRtspUrl(url)) {
        return RTSP_SOURCE_ERROR_ARGUMENT;
    }
    abort_ = false;
    timeoutMs_ = timeoutMs;

    FormatContextPtr allocated(avformat_alloc_context());
    if (!allocated) {
        return RTSP_SOURCE_ERROR_ARGUMENT;
    }
    allocated->interrupt_callback.callback = &RtspSource::interrupted;
    allocated->interrupt_callback.opaque = this;
    // NAL units go out as the depacketiser makes them: no parser joining them into pictures.
    allocated->flags |= AVFMT_FLAG_NOPARSE;

    Dictionary settings;
    if (!urlChoosesTransport(url)) {
        settings.set("rtsp_transport", "tcp");
    }
    settings.set("allowed_media_types", "video");
    settings.set("initial_pause", "1");  // PLAY waits for rtsp_source_play

    // avformat_open_input takes the context over: it frees it when it fails.
    AVFormatContext* format = allocated.release();
    setDeadline(timeoutMs);
    const int opened = avformat_open_input(&format, url, av_find_input_format("rtsp"), settings.address());
    clearDeadline();
    if (opened < 0) {
        return RTSP_SOURCE_ERROR_SERVER;
    }
    format_.reset(format);

    videoStream_ = -1;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (format_->streams[i]->codecpar->codec_id == AV_CODEC_ID_H264) {
            videoStream_ = static_cast<int>(i);
            break;
        }
    }
    if (videoStream_ < 0) {
        closeInput();
        return RTSP_SOURCE_ERROR_NO_VIDEO;
    }
    const AVCodecParameters* codec = format_->streams[videoStream_]->codecpar;
    try {
        parameterSets_.load(codec->extradata, codec->extradata_size > 0 ? static_cast<size_t>(codec->extradata_size) : 0);
    } catch (const std::bad_alloc&) {
        closeInput();
        return RTSP_SOURCE_ERROR_ARGUMENT;
    }
    return RTSP_SOURCE_OK;
}

int RtspSource::play()
{
    assert(readingSource != this && "rtsp_source_play called from inside the source's callback");
    std::lock_guard lock(mutex_);
    if (!format_) {
        return RTSP_SOURCE_ERROR_ARGUMENT;
    }
    if (reader_.joinable()) {
        // Playing already, unless the stream has ended by itself: then nothing more will come.
        return readerEnded_ ? RTSP_SOURCE_ERROR_SERVER : RTSP_SOURCE_OK;
    }
    setDeadline(timeoutMs_);
    const int played = av_read_play(format_.get());
    clearDeadline();
    if (played < 0) {
        return RTSP_SOURCE_ERROR_SERVER;
    }
    try {
        reader_ = std::thread(&RtspSource::readLoop, this);
    } catch (const std::system_error&) {
        return RTSP_SOURCE_ERROR_ARGUMENT;  // no thread to be had; close tears the session down
    }
    return RTSP_SOURCE_OK;
}

void RtspSource::close()
{
    abort_ = true;  // ends a blocked read, or an open or play on another thread, at once
    if (readingSource == this) {
        return;  // called from inside the callback: the reader stops after it; free joins it
    }
    std::lock_guard lock(mutex_);
    if (reader_.joinable()) {
        reader_.join();
    }
    readerEnded_ = false;
    if (format_) {
        closeInput();
    }
    assembler_.reset();
    parameterSets_.reset();
    videoStream_ = -1;
    abort_ = false;
}

// Lets the TEARDOWN out, briefly, so the server ends the session now rather than at its time-out.
void RtspSource::closeInput()
{
    abort_ = false;
    setDeadline(kTeardownTimeoutMs);
    format_.reset();
    clearDeadline();
}

void RtspSource::deliver(const uint8_t* nal, size_t size)
{
    if (!abort_) {
        callback_(RTSP_SOURCE_DATA_H264_NAL, nal, static_cast<int>(size), userData_);
    }
}

void RtspSource::readLoop()
{
    readingSource = this;
    // Nothing may escape the thread: running out of memory for a NAL unit ends the stream, as a
    // network error does.
    try {
        readStream();
    } catch (...) {
    }
    readerEnded_ = true;
}

void RtspSource::readStream()
{
    auto toCaller = [this](const uint8_t* nal, size_t size) { deliver(nal, size); };
    auto throughParameterSets = [this, &toCaller](const uint8_t* nal, size_t size) {
        parameterSets_.pass(nal, size, toCaller);
    };
    parameterSets_.start(toCaller);

    PacketPtr packet(av_packet_alloc());
    if (packet == nullptr) {
        return;
    }
    while (!abort_) {
        const int read = av_read_frame(format_.get(), packet.get());
        if (read == AVERROR(EAGAIN)) {
            av_usleep(5000);
            continue;
        }
        if (read < 0) {
            break;  // end of stream, a network error, or close
        }
        if (packet->stream_index == videoStream_ && packet->size > 0) {
            assembler_.push(packet->data, static_cast<size_t>(packet->size), throughParameterSets);
        }
        av_packet_unref(packet.get());
    }
    if (!abort_) {
        assembler_.flush(throughParameterSets);  // the stream ended: its last NAL unit is whole
    }
}

}  // namespace livevideo
