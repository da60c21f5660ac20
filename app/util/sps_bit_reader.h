#pragma once
// Bit reader for H.264 parameter sets: reads fixed-width fields and Exp-Golomb codes from the most
// significant bit of each byte onward. Every read stops at the end of the data; missing bits read as
// zero and mark the reader exhausted, so a caller can tell a cut-off unit from a complete one.

#include <cstdint>

struct SpsBitReader {
    const uint8_t* start = nullptr;    // first byte of the data
    const uint8_t* current = nullptr;  // byte being read
    const uint8_t* end = nullptr;      // one past the last byte
    int32_t bitsLeft = 8;              // unread bits of the current byte, 1 to 8
    bool exhausted = false;            // a read wanted bits beyond the end
};

SpsBitReader MakeSpsBitReader(const uint8_t* data, int length);

// The next n bits (n up to 32), first bit most significant.
uint32_t ReadBits(SpsBitReader& reader, int n);
// One unsigned Exp-Golomb value, ue(v). Values too large for 32 bits saturate at UINT32_MAX.
uint32_t ReadUe(SpsBitReader& reader);
// One signed Exp-Golomb value, se(v).
int64_t ReadSe(SpsBitReader& reader);
