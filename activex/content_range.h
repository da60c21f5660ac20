// The Content-Range header of a partial response ("bytes 200-299/1000", or "/*" for an unknown
// length), as the range requests' data are placed by it. It comes from the network: a value that
// is not exactly of that form, or whose first byte is after its last, is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace FB::ActiveX {

struct ContentRange {
    uint32_t first;
    uint32_t last;
};

std::optional<ContentRange> parseContentRange(std::string_view value);

}  // namespace FB::ActiveX
