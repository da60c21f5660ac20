#pragma once
// What a recording's readers of the stream tell from a NAL unit's first bytes alone: its type, and
// whether a slice opens its picture.

#include <cstddef>
#include <cstdint>

namespace nal_unit {

enum Type {
    kSlice = 1,
    kIdrSlice = 5,
    kSei = 6,
    kSps = 7,
    kPps = 8,
    kDelimiter = 9,
};

inline int TypeOf(const uint8_t* unit) { return unit[0] & 0x1F; }

// A coded slice of a picture (data partitions are not looked into).
inline bool IsSlice(int type) { return type == kSlice || type == kIdrSlice; }

// first_mb_in_slice, the first field of a slice header, is 0 exactly when its Exp-Golomb code
// begins with a one bit.
inline bool StartsAtFirstMacroblock(const uint8_t* unit, size_t length) { return length > 1 && (unit[1] & 0x80) != 0; }

}  // namespace nal_unit
