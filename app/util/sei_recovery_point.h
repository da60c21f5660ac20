#pragma once
// Finds the recovery point message of an H.264 SEI unit (NAL unit type 6): the mark an encoder puts
// on a picture from which a decoder can begin without an IDR picture, the I picture of an open group
// of pictures or the first picture of an intra-refresh cycle. The unit comes from the network: every
// read stops at its end, and a unit holding more messages than any encoder writes is not searched
// further.

#include <cstddef>
#include <cstdint>

struct H264RecoveryPoint {
    // Pictures after this one, in decoding order, until the pictures shown are whole (0 for an I
    // picture of an open group, a refresh cycle's length for intra refresh).
    uint32_t recoveryFrameCount = 0;
    bool exactMatch = false;
    bool brokenLink = false;
};

// True, with the message's fields in point (when not null), when the SEI unit (without start code)
// carries a whole recovery point message; false for any other unit, for a unit cut off or malformed
// before one, and for one whose message cannot be read whole.
bool FindRecoveryPoint(const uint8_t* unit, size_t length, H264RecoveryPoint* point);
