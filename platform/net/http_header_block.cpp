#include "platform/net/http_header_block.h"

#include <strings.h>

namespace platform {

namespace {

std::string_view trimmed(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) return {};
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

}  // namespace

std::optional<std::string> httpHeaderValue(std::string_view block, std::string_view name) {
    if (name.empty()) return std::nullopt;
    size_t lineStart = block.find('\n');  // the status line names no header
    while (lineStart != std::string_view::npos && lineStart < block.size()) {
        ++lineStart;
        const size_t lineEnd = block.find('\n', lineStart);
        const std::string_view line =
            block.substr(lineStart, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - lineStart);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            const std::string_view key = trimmed(line.substr(0, colon));
            if (key.size() == name.size() && strncasecmp(key.data(), name.data(), key.size()) == 0)
                return std::string(trimmed(line.substr(colon + 1)));
        }
        lineStart = lineEnd;
    }
    return std::nullopt;
}

}  // namespace platform
