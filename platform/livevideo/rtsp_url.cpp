#include "platform/livevideo/rtsp_url.h"

#include <cctype>

namespace livevideo {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
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

}  // namespace

bool isRtspUrl(std::string_view url)
{
    for (std::string_view scheme : {"rtsp://", "rtsps://"}) {
        if (startsWithNoCase(url, scheme)) {
            const std::string_view rest = url.substr(scheme.size());
            return !rest.empty() && rest.front() != '/' && rest.front() != ':' && rest.front() != '?';
        }
    }
    return false;
}

bool urlChoosesTransport(std::string_view url)
{
    const size_t query = url.rfind('?');
    if (query == std::string_view::npos) {
        return false;
    }
    std::string_view options = url.substr(query + 1);
    while (!options.empty()) {
        const size_t amp = options.find('&');
        const std::string_view option = options.substr(0, amp);
        if (option == "udp" || option == "multicast" || option == "http" || option == "https") {
            return true;
        }
        options = amp == std::string_view::npos ? std::string_view{} : options.substr(amp + 1);
    }
    return false;
}

}  // namespace livevideo
