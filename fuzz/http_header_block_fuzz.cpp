// A response's header block comes from the server; the binding looks headers up in it by name.
#include "platform/net/http_header_block.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view block(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"Content-Length", "Content-Type", "Accept-Ranges", "Content-Range"}) {
        const auto value = platform::httpHeaderValue(block, name);
        if (value && value->size() >= size) __builtin_trap();
    }
    return 0;
}
