// A 64-bit hash of a run of bytes, to tell whether pixels changed without keeping a copy of them.
// Fast rather than strong: a few tenths of a millisecond for a 1080p picture. Internal to the
// platform library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::detail {

uint64_t hashBytes(const uint8_t* bytes, size_t count);

// The hash of runs of bytes taken in order: each run's hash folded into the hash of those before.
inline uint64_t hashMore(uint64_t hash, const uint8_t* bytes, size_t count) {
    return (hash ^ hashBytes(bytes, count)) * 0x9E3779B185EBCA87ull;
}

}  // namespace platform::detail
