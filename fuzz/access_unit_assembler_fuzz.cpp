// The player gathers the camera's NAL units into whole pictures. The input is a run of NAL units,
// each a 16-bit length and its bytes.
#include "app/player/access_unit_assembler.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kMaxPicture = 4096;
    AccessUnitAssembler assembler(kMaxPicture);
    size_t at = 0;
    size_t gathered = 0;  // bytes given since the last completed picture, with start codes
    while (size - at >= 2) {
        const size_t length = static_cast<size_t>(data[at]) << 8 | data[at + 1];
        at += 2;
        const size_t unit = length < size - at ? length : size - at;
        gathered += unit + 4;
        if (assembler.Add(data + at, unit)) {
            const size_t picture = assembler.PictureSize();
            if (picture == 0 || picture > kMaxPicture) __builtin_trap();
            // A picture is made of units given since the last one, each behind a four-byte start code.
            if (picture > gathered) __builtin_trap();
            const uint8_t* bytes = assembler.PictureData();
            if (bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 1) __builtin_trap();
            gathered = unit + 4;  // the unit that completed it may open the next one
        }
        at += unit;
        if (at < size && data[at - 1] == 0xFF) assembler.Reset();
    }
    return 0;
}
