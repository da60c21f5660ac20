// The library's C entry points: the only symbols it exports (see livevideo.map).
#include "platform/livevideo/livevideo.h"
#include "platform/livevideo/rtsp_source.h"

#include <new>

struct rtsp_source final : livevideo::RtspSource {
    using livevideo::RtspSource::RtspSource;
};

#define LIVEVIDEO_EXPORT __attribute__((visibility("default")))

extern "C" {

LIVEVIDEO_EXPORT rtsp_source* rtsp_source_new(rtsp_source_callback callback, void* user_data) {
    if (callback == nullptr) {
        return nullptr;
    }
    return new (std::nothrow) rtsp_source(callback, user_data);
}

LIVEVIDEO_EXPORT int rtsp_source_open(rtsp_source* source, const char* url, int options, int timeout_ms) {
    return source != nullptr ? source->open(url, options, timeout_ms) : RTSP_SOURCE_ERROR_ARGUMENT;
}

LIVEVIDEO_EXPORT int rtsp_source_play(rtsp_source* source) {
    return source != nullptr ? source->play() : RTSP_SOURCE_ERROR_ARGUMENT;
}

LIVEVIDEO_EXPORT void rtsp_source_close(rtsp_source* source) {
    if (source != nullptr) {
        source->close();
    }
}

// Closed before its destruction begins: a streaming thread that reports to the source until the
// close returns must find it whole, not halfway through its destructor.
LIVEVIDEO_EXPORT void rtsp_source_free(rtsp_source* source) {
    if (source != nullptr) {
        source->close();
    }
    delete source;
}

}  // extern "C"
