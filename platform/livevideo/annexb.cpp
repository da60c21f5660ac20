#include "platform/livevideo/annexb.h"

#include <cstring>

namespace livevideo {

size_t startCodeLength(const uint8_t* data, size_t size) {
    if (size >= 3 && data[0] == 0 && data[1] == 0 && data[2] == 1) {
        return 3;
    }
    if (size >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 1) {
        return 4;
    }
    return 0;
}

const uint8_t* findStartCode(const uint8_t* begin, const uint8_t* end) {
    if (end - begin < 3) {
        return end;
    }
    // memchr finds each candidate 01 fast; a start code is a 01 behind two zero bytes.
    const uint8_t* p = begin + 2;
    while (p < end) {
        const void* one = std::memchr(p, 1, static_cast<size_t>(end - p));
        if (one == nullptr) {
            return end;
        }
        p = static_cast<const uint8_t*>(one);
        if (p[-1] == 0 && p[-2] == 0) {
            return p - 2;
        }
        ++p;
    }
    return end;
}

const uint8_t* trimTrailingZeros(const uint8_t* begin, const uint8_t* end) {
    while (end != begin && end[-1] == 0) {
        --end;
    }
    return end;
}

}  // namespace livevideo
