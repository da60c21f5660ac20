// A URL provider for the URL monikers that fetches http://127.0.0.1:<port>/... from a loopback
// server with the stand-in browser's small HTTP client, and answers file: URLs as the default
// provider does. Installed for the life of the object.
#pragma once

#include "platform/net/url_provider.h"
#include "platform/net/urlmon.h"
#include "scripting/utf8_tools.h"
#include "tests/support/npapi_browser/http_fetch.h"

#include <memory>
#include <string>

namespace activex_test {

inline void fetchOverHttp(const platform::UrlRequest& request, const std::shared_ptr<platform::UrlTransfer>& transfer) {
    const std::string url = FB::wideToUtf8(request.url);
    const std::string prefix = "http://127.0.0.1:";
    if (url.rfind(prefix, 0) != 0) {
        platform::serveLocalFile(request, transfer);
        return;
    }
    test_support::HttpRequest http;
    http.method = request.verb;
    http.host = "127.0.0.1";
    const size_t slash = url.find('/', prefix.size());
    http.port = static_cast<uint16_t>(std::stoi(url.substr(prefix.size(), slash - prefix.size())));
    http.path = slash == std::string::npos ? "/" : url.substr(slash);
    for (size_t at = 0; at < request.headers.size();) {
        const size_t end = request.headers.find("\r\n", at);
        const std::string line = request.headers.substr(at, end - at);
        const size_t colon = line.find(": ");
        if (colon != std::string::npos) http.headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
        if (end == std::string::npos) break;
        at = end + 2;
    }
    http.body = request.body;
    transfer->keep(std::make_shared<test_support::HttpFetch>(http, [transfer](test_support::HttpResponse response) {
        if (!response.error.empty()) {
            transfer->finish(INET_E_DOWNLOAD_FAILURE);
            return;
        }
        std::string headers = response.statusLine + "\r\n";
        for (const auto& [name, value] : response.headers) headers += name + ": " + value + "\r\n";
        if (transfer->respond(response.status, headers + "\r\n") && !response.body.empty())
            transfer->deliver(response.body.data(), response.body.size());
        transfer->finish(response.status < 400 ? S_OK : INET_E_RESOURCE_NOT_FOUND);
    }));
}

class ScopedHttpUrlProvider {
public:
    ScopedHttpUrlProvider() { platform::testing::setUrlProvider(fetchOverHttp); }
    ~ScopedHttpUrlProvider() { platform::testing::setUrlProvider(nullptr); }
    ScopedHttpUrlProvider(const ScopedHttpUrlProvider&) = delete;
    ScopedHttpUrlProvider& operator=(const ScopedHttpUrlProvider&) = delete;
};

}  // namespace activex_test
