#include "app/util/pps_parser.h"

namespace {

constexpr int kPpsNalType = 8;
constexpr uint32_t kMaxPpsId = 255;
constexpr uint32_t kMaxSpsId = 31;
constexpr uint32_t kMaxSliceGroupsMinus1 = 7;
constexpr uint32_t kMaxRefIdxActive = 32;
constexpr uint32_t kMaxWeightedBipredIdc = 2;

// Bits of each slice_group_id: Ceil(Log2(num_slice_groups_minus1 + 1)).
int SliceGroupIdBits(uint32_t sliceGroupsMinus1) {
    int bits = 0;
    while ((1u << bits) < sliceGroupsMinus1 + 1) {
        ++bits;
    }
    return bits;
}

// Reads past the slice group map of a picture cut into several slice groups.
void SkipSliceGroupMap(SpsBitReader& reader, uint32_t sliceGroupsMinus1) {
    const uint32_t mapType = ReadUe(reader);
    if (mapType == 0) {
        for (uint32_t group = 0; group <= sliceGroupsMinus1; ++group) {
            ReadUe(reader);  // run_length_minus1
        }
    } else if (mapType == 2) {
        for (uint32_t group = 0; group < sliceGroupsMinus1; ++group) {
            ReadUe(reader);  // top_left
            ReadUe(reader);  // bottom_right
        }
    } else if (mapType >= 3 && mapType <= 5) {
        ReadBits(reader, 1);  // slice_group_change_direction_flag
        ReadUe(reader);       // slice_group_change_rate_minus1
    } else if (mapType == 6) {
        const uint64_t mapUnits = uint64_t{ReadUe(reader)} + 1;
        const int bits = SliceGroupIdBits(sliceGroupsMinus1);
        // One id per map unit, as many as the data holds.
        for (uint64_t unit = 0; unit < mapUnits && !reader.exhausted; ++unit) {
            ReadBits(reader, bits);
        }
    }
}

}  // namespace

int ParsePictureParameterSet(SpsBitReader* reader, H264Pps* out) {
    if (reader->current >= reader->end) {
        return -1;
    }
    if ((ReadBits(*reader, 8) & 0x1F) != kPpsNalType) {
        return -2;
    }
    H264Pps pps;
    const uint32_t ppsId = ReadUe(*reader);
    const uint32_t spsId = ReadUe(*reader);
    ReadBits(*reader, 1);  // entropy_coding_mode_flag
    pps.bottomFieldPicOrderInFramePresent = ReadBits(*reader, 1) != 0;
    const uint32_t sliceGroupsMinus1 = ReadUe(*reader);
    if (ppsId > kMaxPpsId || spsId > kMaxSpsId || sliceGroupsMinus1 > kMaxSliceGroupsMinus1) {
        return -1;
    }
    if (sliceGroupsMinus1 > 0) {
        SkipSliceGroupMap(*reader, sliceGroupsMinus1);
    }
    const uint64_t l0Active = uint64_t{ReadUe(*reader)} + 1;
    const uint64_t l1Active = uint64_t{ReadUe(*reader)} + 1;
    pps.weightedPred = ReadBits(*reader, 1) != 0;
    pps.weightedBipredIdc = ReadBits(*reader, 2);
    ReadSe(*reader);       // pic_init_qp_minus26
    ReadSe(*reader);       // pic_init_qs_minus26
    ReadSe(*reader);       // chroma_qp_index_offset
    ReadBits(*reader, 1);  // deblocking_filter_control_present_flag
    ReadBits(*reader, 1);  // constrained_intra_pred_flag
    pps.redundantPicCntPresent = ReadBits(*reader, 1) != 0;
    if (reader->exhausted || l0Active > kMaxRefIdxActive || l1Active > kMaxRefIdxActive ||
        pps.weightedBipredIdc > kMaxWeightedBipredIdc) {
        return -1;
    }
    pps.numRefIdxL0DefaultActive = static_cast<uint32_t>(l0Active);
    pps.numRefIdxL1DefaultActive = static_cast<uint32_t>(l1Active);
    pps.id = static_cast<int>(ppsId);
    pps.spsId = static_cast<int>(spsId);
    *out = pps;
    return pps.id;
}
