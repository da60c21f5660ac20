#include "platform/livevideo/rtsp_url.h"

#include <cctype>

namespace livevideo {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Notes one option of the URL's query; false when it is not a transport option.
bool takeTransportOption(std::string_view option, RtspTransport& transport) {
    if (option == "udp") {
        transport.udp = true;
    } else if (option == "multicast") {
        transport.multicast = true;
    } else if (option == "tcp") {
        transport.tcp = true;
    } else if (option == "http" || option == "https") {
        transport.tunnel = true;
        transport.tunnelOverTls = option == "https";
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool isRtspUrl(std::string_view url) {
    for (std::string_view scheme : {"rtsp://", "rtsps://"}) {
        if (startsWithNoCase(url, scheme)) {
            const std::string_view rest = url.substr(scheme.size());
            return !rest.empty() && rest.front() != '/' && rest.front() != ':' && rest.front() != '?';
        }
    }
    return false;
}

RtspTransport chooseTransport(std::string_view url) {
    RtspTransport transport;
    transport.tcp = false;
    const size_t query = url.rfind('?');
    transport.location = url.substr(0, query);
    std::string kept;  // the other options, in their order
    for (std::string_view options = query == std::string_view::npos ? std::string_view{} : url.substr(query + 1);
         !options.empty();) {
        const size_t amp = options.find('&');
        const std::string_view option = options.substr(0, amp);
        if (!takeTransportOption(option, transport) && !option.empty()) {
            kept.append(kept.empty() ? "?" : "&").append(option);
        }
        options = amp == std::string_view::npos ? std::string_view{} : options.substr(amp + 1);
    }
    transport.location += kept;
    if (!transport.udp && !transport.multicast) {
        transport.tcp = true;  // interleaved unless the URL asks for datagrams
    }
    return transport;
}

}  // namespace livevideo
