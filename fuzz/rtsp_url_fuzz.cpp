// The camera's address comes from the page as an RTSP URL.
#include "platform/livevideo/rtsp_url.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    const bool rtsp = livevideo::isRtspUrl(url);
    // Only a URL that names the scheme can be one.
    if (rtsp && size < 8) __builtin_trap();
    // Taking the transport options out never adds to the URL.
    if (livevideo::chooseTransport(url).location.size() > size) __builtin_trap();
    return 0;
}
