// A redirect's Location comes from the server; the binding resolves it against the URL it asked.
#include "platform/net/url_resolution.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t split = size > 0 ? data[0] % (size + 1) : 0;
    const std::wstring base(data, data + split);
    const std::wstring location(data + split, data + size);
    const std::wstring resolved = platform::resolveUrl(base, location);
    if (resolved.size() > base.size() + location.size() + 1) __builtin_trap();
    return 0;
}
