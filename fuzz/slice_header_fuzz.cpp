// Slice headers come from the camera's stream and are read with its parameter sets, and their
// picture order counts worked out. The input is a run of NAL units, each a 16-bit length and its
// bytes: parameter sets and slices as a stream brings them.
#include "app/util/h264_parameter_sets.h"
#include "app/util/picture_order_count.h"
#include "app/util/slice_header_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    H264ParameterSets sets;
    PictureOrderCounter counter;
    for (size_t at = 0; size - at >= 2;) {
        const size_t length = static_cast<size_t>(data[at]) << 8 | data[at + 1];
        at += 2;
        const size_t unit = length < size - at ? length : size - at;
        sets.Take(data + at, static_cast<int>(unit));
        H264SliceHeader header;
        if (ReadSliceHeader(data + at, static_cast<int>(unit), sets, &header) == 0) {
            const H264Pps* pps = sets.Pps(header.ppsId);
            const H264Sps* sps = pps != nullptr ? sets.Sps(pps->spsId) : nullptr;
            if (sps == nullptr || header.sliceType > 4) __builtin_trap();
            if (header.frameNum >= (uint32_t{1} << sps->log2MaxFrameNum)) __builtin_trap();
            if (header.bottomField && !header.fieldPic) __builtin_trap();
            const PictureOrder order = counter.Next(header, *sps);
            if (header.memoryManagementReset && order.count != 0) __builtin_trap();
        }
        at += unit;
    }
    return 0;
}
