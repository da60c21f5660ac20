// Nearest-neighbour stretching as both StretchDIBits and DirectDraw's Blt do it here, so that the
// two show the same source pixels for the same rectangles. Internal to the platform library.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform::detail {

// Destination pixel `offset` of a run of `destinationExtent` pixels shows the source pixel whose
// span holds its centre, counted from the start of a run of `sourceExtent` source pixels.
inline int64_t nearestSourceOffset(int64_t offset, int64_t sourceExtent, int64_t destinationExtent) {
    return (2 * offset + 1) * sourceExtent / (2 * destinationExtent);
}

// One axis of a stretch: the destination span [destinationStart, destinationStart +
// destinationExtent) shows the source span [sourceStart, sourceStart + sourceExtent).
struct StretchAxis {
    int64_t destinationStart;
    int64_t destinationExtent;  // above 0
    int64_t sourceStart;
    int64_t sourceExtent;

    // 64-bit: the starts and extents come from callers unchecked.
    int64_t sourceAt(int destination) const {
        return sourceStart + nearestSourceOffset(static_cast<int64_t>(destination) - destinationStart, sourceExtent,
                                                 destinationExtent);
    }
    // The destination coordinates this axis covers within [0, limit).
    int firstVisible(int limit) const { return static_cast<int>(std::clamp<int64_t>(destinationStart, 0, limit)); }
    int endVisible(int limit) const {
        return static_cast<int>(std::clamp<int64_t>(destinationStart + destinationExtent, 0, limit));
    }
};

// The source coordinate of every destination coordinate in [first, end), or -1 where it falls
// outside [0, sourceLimit): such destination pixels are left as they are.
inline void mapSourceCoordinates(const StretchAxis& axis, int first, int end, int sourceLimit,
                                 std::vector<int>& sources) {
    sources.clear();
    for (int at = first; at < end; ++at) {
        int64_t source = axis.sourceAt(at);
        sources.push_back(source >= 0 && source < sourceLimit ? static_cast<int>(source) : -1);
    }
}

}  // namespace platform::detail
