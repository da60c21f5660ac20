// Where a URL asked for by the plug-in leads: a local file (a file: URL, an absolute path, or a path
// relative to the page's folder) or an HTTP server on the loopback interface. Tests run offline, so
// any other host, and any other scheme, is refused with a reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace test_support {

struct UrlTarget {
    enum class Kind { File, Http, Refused };
    Kind kind = Kind::Refused;
    std::filesystem::path file;  // File
    std::string host;            // Http: the host as written
    uint16_t port = 80;          // Http
    std::string path;            // Http: path and query, at least "/"
    std::string reason;          // Refused
};

UrlTarget resolveUrl(std::string_view url, const std::filesystem::path& baseDirectory);

}  // namespace test_support
