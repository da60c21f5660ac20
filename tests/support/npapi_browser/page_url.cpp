#include "tests/support/npapi_browser/page_url.h"

#include "tests/support/page_engine/browser_text.h"

#include <charconv>

namespace test_support {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX escapes become their bytes; a malformed escape stays as written.
std::string percentDecoded(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return decoded;
}

// The URL without its query and fragment, which a file has no use for.
std::string_view withoutQuery(std::string_view url) { return url.substr(0, url.find_first_of("?#")); }

UrlTarget refused(std::string reason) {
    UrlTarget target;
    target.reason = std::move(reason);
    return target;
}

UrlTarget fileTarget(std::filesystem::path file) {
    UrlTarget target;
    target.kind = UrlTarget::Kind::File;
    target.file = file.lexically_normal();
    return target;
}

bool isLoopbackHost(const std::string& host) { return host == "127.0.0.1" || host == "localhost" || host == "[::1]"; }

UrlTarget httpTarget(std::string_view rest) {
    const size_t slash = rest.find_first_of("/?#");
    const std::string_view authority = rest.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
    path = path.substr(0, path.find('#'));
    UrlTarget target;
    target.kind = UrlTarget::Kind::Http;
    target.path = path.empty() || path[0] != '/' ? "/" + std::string(path) : std::string(path);
    const size_t colon = authority.rfind(':');
    const bool hasPort = colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos;
    target.host = asciiLowerCase(authority.substr(0, hasPort ? colon : authority.size()));
    if (hasPort) {
        const std::string_view port = authority.substr(colon + 1);
        unsigned value = 0;
        const auto [ptr, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || ptr != port.data() + port.size() || value == 0 || value > 65535)
            return refused("bad port in URL");
        target.port = static_cast<uint16_t>(value);
    }
    if (!isLoopbackHost(target.host)) return refused("only loopback hosts are served: " + target.host);
    return target;
}

}  // namespace

UrlTarget resolveUrl(std::string_view url, const std::filesystem::path& baseDirectory) {
    const size_t colon = url.find(':');
    const size_t firstSeparator = url.find_first_of("/?#");
    const bool hasScheme = colon != std::string_view::npos && colon > 1 && colon < firstSeparator;
    if (!hasScheme) {
        const std::filesystem::path path(percentDecoded(withoutQuery(url)));
        if (path.empty()) return refused("empty URL");
        return fileTarget(path.is_absolute() ? path : baseDirectory / path);
    }
    const std::string scheme = asciiLowerCase(url.substr(0, colon));
    const std::string_view rest = url.substr(colon + 1);
    if (scheme == "file") {
        std::string_view path = withoutQuery(rest);
        if (path.substr(0, 2) == "//") {
            path.remove_prefix(2);
            const size_t slash = path.find('/');
            const std::string_view host = path.substr(0, slash);
            if (!host.empty() && asciiLowerCase(host) != "localhost") return refused("file URL names a remote host");
            path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
        }
        if (path.empty() || path[0] != '/') return refused("file URL without an absolute path");
        return fileTarget(percentDecoded(path));
    }
    if (scheme == "http") {
        if (rest.substr(0, 2) != "//") return refused("http URL without a host");
        return httpTarget(rest.substr(2));
    }
    return refused("scheme not served: " + scheme);
}

}  // namespace test_support
