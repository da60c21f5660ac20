// Bounds the NAL units the RTP depacketiser rebuilds from fragmentation units (FU-A, FU-B): it
// gathers fragments until one carries the end flag, so a server that never sends that flag would
// make it grow without limit. Looking at each RTP payload before the depacketiser does, this lets a
// fragmented unit through only while it stays within the bound; past it, the unit's remaining
// fragments are held back, and the gap they leave makes the depacketiser drop what it gathered.
#pragma once

#include <cstddef>
#include <cstdint>

namespace livevideo {

class FragmentBound {
public:
    // NAL units longer than this are dropped.
    static constexpr size_t kMaxNalSize = 16 * 1024 * 1024;

    // Whether the RTP payload may go on to the depacketiser.
    bool admit(const uint8_t* payload, size_t size);

private:
    size_t gathered_ = 0;    // payload bytes of the fragmented unit in progress
    bool dropping_ = false;  // that unit outgrew the bound: its fragments up to its end are held back
};

}  // namespace livevideo
