#include "host/events/key_codes.h"

#include <array>

namespace FB {

namespace {

// Indexed by virtual-key code 0..145; unnamed keys hold FBKEY_UNKNOWN.
constexpr std::array<unsigned char, 146> kKeyTable = {
    84, 35, 51, 2,  36, 84, 84, 84, 68, 60, 84, 84, 4,  52, 84, 84, 56, 5,  1,  71, 3,  84, 84, 84, 84,
    84, 84, 9,  84, 84, 84, 84, 58, 50, 49, 69, 70, 63, 61, 64, 62, 54, 72, 10, 57, 34, 7,  33, 84, 84,
    84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84,
    84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 65, 67, 66, 84, 84, 39, 40, 41, 42,
    43, 44, 45, 46, 47, 48, 37, 0,  55, 59, 6,  8,  11, 22, 26, 27, 28, 29, 30, 31, 32, 12, 13, 14, 15,
    16, 17, 18, 19, 20, 21, 23, 24, 25, 84, 84, 84, 84, 84, 84, 84, 84, 84, 84, 38, 53,
};

}  // namespace

int windowsKeyToFBKey(unsigned virtualKey) {
    if (virtualKey < 1 || virtualKey >= kKeyTable.size()) return FBKEY_UNKNOWN;
    return kKeyTable[virtualKey];
}

}  // namespace FB
