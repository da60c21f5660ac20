// A 64-bit hash of a run of bytes, to tell whether pixels changed without keeping a copy of them.
// Fast rather than strong: a few tenths of a millisecond for a 1080p picture. Internal to the
// platform library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::detail {

uint64_t hashBytes(const uint8_t* bytes, size_t count);

}  // namespace platform::detail
