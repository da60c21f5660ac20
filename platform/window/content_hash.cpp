#include "platform/window/content_hash.h"

#include <cstring>

namespace platform::detail {

namespace {

// Two 64-bit lanes; the compiler makes SIMD instructions of the lane arithmetic.
typedef uint64_t Lanes __attribute__((vector_size(16)));

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;

}  // namespace

// Four accumulators over 64-byte blocks. Each adds the block's words as they are (so no bit of the
// input is lost) and the product of the halves of the words mixed with a key that changes from block
// to block (32 x 32 -> 64 bits, one instruction per two lanes), so that the same bytes in another
// place hash differently: a picture whose content moved by a block is a new picture. The tail is
// folded in byte by byte.
uint64_t hashBytes(const uint8_t* bytes, size_t count) {
    static const Lanes keys[4] = {{kPrime1, kPrime2},
                                  {kPrime3, 0x85EBCA77C2B2AE63ull},
                                  {0x27D4EB2F165667C5ull, 0xFF51AFD7ED558CCDull},
                                  {0xC4CEB9FE1A85EC53ull, 0x9E3779B97F4A7C15ull}};
    const Lanes step = {kPrime3, kPrime1};
    Lanes position = {};
    Lanes accumulators[4] = {};
    size_t at = 0;
    for (; at + 64 <= count; at += 64) {
        position += step;
        for (int lane = 0; lane < 4; ++lane) {
            Lanes words;
            std::memcpy(&words, bytes + at + 16 * lane, sizeof words);
            const Lanes keyed = words ^ (keys[lane] + position);
            accumulators[lane] += words + (keyed & 0xFFFFFFFFu) * (keyed >> 32);
        }
    }
    uint64_t hash = count * kPrime1;
    for (const Lanes& accumulator : accumulators) {
        for (int half = 0; half < 2; ++half) {
            hash ^= accumulator[half];
            hash *= kPrime2;
            hash ^= hash >> 29;
        }
    }
    for (; at < count; ++at) hash = (hash ^ bytes[at]) * kPrime3;
    return hash ^ (hash >> 32);
}

}  // namespace platform::detail
