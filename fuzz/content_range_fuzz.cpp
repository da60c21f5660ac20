// A partial response's Content-Range comes from the server and places the data it carries.
#include "activex/content_range.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto range = FB::ActiveX::parseContentRange(std::string_view(reinterpret_cast<const char*>(data), size));
    if (range && range->first > range->last) __builtin_trap();
    return 0;
}
