// The PPS parser reads picture parameter sets that come from the camera's stream.
#include "app/util/pps_parser.h"

#include <climits>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT_MAX) return 0;
    H264Pps pps;
    SpsBitReader reader = MakeSpsBitReader(data, static_cast<int>(size));
    const int id = ParsePictureParameterSet(&reader, &pps);
    if (id >= 0 &&
        (id > 255 || pps.spsId < 0 || pps.spsId > 31 || pps.numRefIdxL0DefaultActive < 1 ||
         pps.numRefIdxL0DefaultActive > 32 || pps.numRefIdxL1DefaultActive > 32 || pps.weightedBipredIdc > 2)) {
        __builtin_trap();
    }
    if (id < -2) __builtin_trap();
    return 0;
}
