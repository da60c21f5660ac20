// The RTSP source splits the depacketiser's byte-stream buffers into NAL units, closes each picture
// with a delimiter where the RTP marker says it ends, and bounds fragmented units before the
// depacketiser gathers them. The input is a run of packets, each a flags byte (bit 0: the RTP
// marker), a 16-bit length and its bytes.
#include "platform/livevideo/access_unit_closer.h"
#include "platform/livevideo/annexb.h"
#include "platform/livevideo/fragment_bound.h"

#include <cstddef>
#include <cstdint>

namespace {

// A NAL unit of a byte-stream buffer is never empty, lies inside that buffer, does not begin with a
// start code and does not end in a zero byte.
void CheckBufferUnit(const uint8_t* nal, size_t size, const uint8_t* first, const uint8_t* last) {
    if (size == 0 || nal[size - 1] == 0) __builtin_trap();
    if (nal < first || nal + size > last || livevideo::startCodeLength(nal, size) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    livevideo::AccessUnitCloser closer;
    livevideo::FragmentBound bound;
    size_t at = 0;
    while (size - at >= 3) {
        const bool marked = (data[at] & 1) != 0;
        const size_t length = static_cast<size_t>(data[at + 1]) << 8 | data[at + 2];
        at += 3;
        const size_t packet = length < size - at ? length : size - at;
        const uint8_t* bytes = data + at;
        bound.admit(bytes, packet);
        // The closer hands on every unit it is given, then at most one delimiter: never two in a row.
        bool delimiterLast = false;
        livevideo::forEachNalUnit(bytes, packet, [&](const uint8_t* nal, size_t n, bool last) {
            CheckBufferUnit(nal, n, bytes, bytes + packet);
            closer.pass(nal, n, marked && last, [&](const uint8_t* unit, size_t unitSize) {
                const bool delimiter = unit == livevideo::AccessUnitCloser::kDelimiter;
                if (delimiter && delimiterLast) __builtin_trap();
                if (!delimiter && unitSize == 0) __builtin_trap();
                delimiterLast = delimiter;
            });
        });
        at += packet;
    }
    return 0;
}
