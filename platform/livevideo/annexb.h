// Start codes of the H.264 byte-stream form (00 00 01, or 00 00 00 01).
#pragma once

#include <cstddef>
#include <cstdint>

namespace livevideo {

// Length of the start code the bytes begin with: 3, 4, or 0 when they begin with none.
size_t startCodeLength(const uint8_t* data, size_t size);

// The first 00 00 01 in [begin, end), or end when there is none.
const uint8_t* findStartCode(const uint8_t* begin, const uint8_t* end);

// The end of the NAL unit in [begin, end) once the zero bytes that may follow it (the leading zero
// of a four-byte start code, trailing_zero_8bits) are cut off.
const uint8_t* trimTrailingZeros(const uint8_t* begin, const uint8_t* end);

// Calls emit(nal, size, last) for every non-empty NAL unit of a byte-stream buffer, last telling
// whether it is the buffer's last one; bytes before the first start code are skipped.
template <typename Emit>
void forEachNalUnit(const uint8_t* data, size_t size, Emit&& emit) {
    const uint8_t* end = data + size;
    const uint8_t* pendingBegin = nullptr;  // the unit found last, handed on once the next is found
    const uint8_t* pendingEnd = nullptr;
    for (const uint8_t* p = findStartCode(data, end); p != end;) {
        const uint8_t* begin = p + 3;
        p = findStartCode(begin, end);
        const uint8_t* last = trimTrailingZeros(begin, p);
        if (last != begin) {
            if (pendingBegin != nullptr) {
                emit(pendingBegin, static_cast<size_t>(pendingEnd - pendingBegin), false);
            }
            pendingBegin = begin;
            pendingEnd = last;
        }
    }
    if (pendingBegin != nullptr) {
        emit(pendingBegin, static_cast<size_t>(pendingEnd - pendingBegin), true);
    }
}

}  // namespace livevideo
