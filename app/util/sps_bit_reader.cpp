#include "app/util/sps_bit_reader.h"

#include <cstdint>
#include <limits>

namespace {

// Entry n has the low n bits set.
constexpr uint32_t kLowBitMasks[33] = {0x0,       0x1,        0x3,        0x7,        0xF,       0x1F,      0x3F,
                                       0x7F,      0xFF,       0x1FF,      0x3FF,      0x7FF,     0xFFF,     0x1FFF,
                                       0x3FFF,    0x7FFF,     0xFFFF,     0x1FFFF,    0x3FFFF,   0x7FFFF,   0xFFFFF,
                                       0x1FFFFF,  0x3FFFFF,   0x7FFFFF,   0xFFFFFF,   0x1FFFFFF, 0x3FFFFFF, 0x7FFFFFF,
                                       0xFFFFFFF, 0x1FFFFFFF, 0x3FFFFFFF, 0x7FFFFFFF, 0xFFFFFFFF};

// A 00 00 03 sequence inside a NAL unit carries an emulation-prevention byte that is not part of the
// syntax: skip the 03 when the reader steps onto it.
bool IsEmulationPreventionByte(const SpsBitReader& reader) {
    const uint8_t* p = reader.current;
    return p < reader.end && *p == 0x03 && p - reader.start >= 2 && p[-1] == 0 && p[-2] == 0;
}

void StepToNextByte(SpsBitReader& reader) {
    ++reader.current;
    reader.bitsLeft = 8;
    if (IsEmulationPreventionByte(reader)) {
        ++reader.current;
    }
}

}  // namespace

SpsBitReader MakeSpsBitReader(const uint8_t* data, int length) {
    SpsBitReader reader;
    reader.start = data;
    reader.current = data;
    reader.end = data != nullptr && length > 0 ? data + length : data;  // no offset on null
    return reader;
}

uint32_t ReadBits(SpsBitReader& reader, int n) {
    if (n <= 0) {
        return 0;
    }
    if (n > 32) {
        n = 32;
    }
    uint64_t value = 0;
    int wanted = n;
    while (true) {
        if (reader.current >= reader.end) {
            reader.exhausted = true;
            return static_cast<uint32_t>(value << wanted);  // missing low bits read as zero
        }
        const uint32_t byte = *reader.current;
        if (reader.bitsLeft >= wanted) {
            value = (value << wanted) | ((byte >> (reader.bitsLeft - wanted)) & kLowBitMasks[wanted]);
            reader.bitsLeft -= wanted;
            if (reader.bitsLeft == 0) {
                StepToNextByte(reader);
            }
            return static_cast<uint32_t>(value);
        }
        value = (value << reader.bitsLeft) | (byte & kLowBitMasks[reader.bitsLeft]);
        wanted -= reader.bitsLeft;
        StepToNextByte(reader);
    }
}

uint32_t ReadUe(SpsBitReader& reader) {
    int zeros = 0;
    while (zeros < 32 && ReadBits(reader, 1) == 0) {
        if (reader.exhausted) {
            break;
        }
        ++zeros;
    }
    const uint64_t value = (uint64_t{1} << zeros) - 1 + ReadBits(reader, zeros);
    return value > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(value);
}

int64_t ReadSe(SpsBitReader& reader) {
    const int64_t k = ReadUe(reader);
    return (k % 2 == 1) ? (k + 1) / 2 : -(k / 2);
}
