// The framework's rectangle: four signed 32-bit values in the order top, left, bottom, right.
#pragma once

#include <cstdint>

namespace FB {

struct Rect {
    int32_t top = 0;
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;
};

inline bool operator==(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

}  // namespace FB
