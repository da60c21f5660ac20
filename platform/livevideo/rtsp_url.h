// What the source needs to know of an RTSP URL before libavformat sees it.
#pragma once

#include <string_view>

namespace livevideo {

// rtsp:// or rtsps:// (any case) followed by a host.
bool isRtspUrl(std::string_view url);

// The URL's options ("?udp", "?multicast", "?http", "?https", joined by '&') choose the transport;
// without them the stream goes interleaved over the RTSP connection.
bool urlChoosesTransport(std::string_view url);

}  // namespace livevideo
