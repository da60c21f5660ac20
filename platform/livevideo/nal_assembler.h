// Rebuilds whole NAL units from the packets of libavformat's H.264 RTP depacketiser. A packet that
// begins with a start code begins one NAL unit, or several (an aggregation packet); a packet without
// one continues the NAL unit before it (one fragment of a fragmentation unit). So a NAL unit is
// known to be whole only when the next one begins or the stream ends; until then it waits here.
#pragma once

#include "platform/livevideo/annexb.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace livevideo {

class NalAssembler {
public:
    // NAL units longer than this are dropped rather than grown without bound.
    static constexpr size_t kMaxNalSize = 16 * 1024 * 1024;

    // Takes one packet; calls emit(nal, size) for every NAL unit it completes.
    template <typename Emit>
    void push(const uint8_t* data, size_t size, Emit&& emit)
    {
        const size_t prefix = startCodeLength(data, size);
        if (prefix == 0) {
            append(data, size);
            return;
        }
        flush(emit);
        const uint8_t* end = data + size;
        const uint8_t* begin = data + prefix;
        for (const uint8_t* next = findStartCode(begin, end); next != end; next = findStartCode(begin, end)) {
            const uint8_t* last = trimTrailingZeros(begin, next);
            if (last != begin) {
                emit(begin, static_cast<size_t>(last - begin));
            }
            begin = next + 3;
        }
        begin_ = true;
        append(begin, static_cast<size_t>(end - begin));
    }

    // Hands on the waiting NAL unit, when the stream has ended.
    template <typename Emit>
    void flush(Emit&& emit)
    {
        if (begin_ && !overflowed_) {
            const uint8_t* first = pending_.data();
            const uint8_t* last = trimTrailingZeros(first, first + pending_.size());
            if (last != first) {
                emit(first, static_cast<size_t>(last - first));
            }
        }
        reset();
    }

    // Forgets the waiting NAL unit; keeps the buffer for reuse.
    void reset();

private:
    void append(const uint8_t* data, size_t size);

    std::vector<uint8_t> pending_;
    bool begin_ = false;       // pending_ holds a NAL unit whose start was seen
    bool overflowed_ = false;  // it grew past kMaxNalSize and is dropped
};

}  // namespace livevideo
