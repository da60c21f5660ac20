// What the source needs to know of an RTSP URL before the RTSP client sees it.
#pragma once

#include <string>
#include <string_view>

namespace livevideo {

// rtsp:// or rtsps:// (any case) followed by a host.
bool isRtspUrl(std::string_view url);

// How the stream travels, as the URL's options ask: "?udp", "?multicast", "?tcp", "?http",
// "?https", joined by '&'. Without any of them the stream goes interleaved over the RTSP connection.
struct RtspTransport {
    std::string location;  // the URL without those options, for the RTSP client
    bool udp = false;
    bool multicast = false;
    bool tcp = true;
    bool tunnel = false;         // RTSP and the stream tunnelled through HTTP
    bool tunnelOverTls = false;  // ... through HTTPS
};

// Takes the transport options out of the URL; every other option stays in it.
RtspTransport chooseTransport(std::string_view url);

}  // namespace livevideo
