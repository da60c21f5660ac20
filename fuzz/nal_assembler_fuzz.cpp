// The RTSP source rebuilds NAL units from the packets of the network's RTP depacketiser, and splits
// byte-stream buffers at their start codes. The input is a run of packets, each a 16-bit length and
// its bytes.
#include "platform/livevideo/annexb.h"
#include "platform/livevideo/nal_assembler.h"

#include <cstddef>
#include <cstdint>

namespace {

// A NAL unit handed on is never empty and never ends in a zero byte.
void CheckUnit(const uint8_t* nal, size_t size) {
    if (size == 0 || nal[size - 1] == 0) __builtin_trap();
}

// A NAL unit of a byte-stream buffer also lies inside that buffer and does not begin with a start
// code.
void CheckBufferUnit(const uint8_t* nal, size_t size, const uint8_t* first, const uint8_t* last) {
    CheckUnit(nal, size);
    if (nal < first || nal + size > last || livevideo::startCodeLength(nal, size) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    livevideo::forEachNalUnit(data, size,
                              [&](const uint8_t* nal, size_t n) { CheckBufferUnit(nal, n, data, data + size); });

    livevideo::NalAssembler assembler;
    const auto emit = [](const uint8_t* nal, size_t n) { CheckUnit(nal, n); };
    size_t at = 0;
    while (size - at >= 2) {
        const size_t length = static_cast<size_t>(data[at]) << 8 | data[at + 1];
        at += 2;
        const size_t packet = length < size - at ? length : size - at;
        assembler.push(data + at, packet, emit);
        at += packet;
    }
    assembler.flush(emit);
    return 0;
}
