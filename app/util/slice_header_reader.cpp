#include "app/util/slice_header_reader.h"

namespace {

constexpr int kNonIdrSliceType = 1;
constexpr int kIdrSliceType = 5;
constexpr uint32_t kMaxSliceType = 9;
constexpr uint32_t kMaxRefIdxActive = 32;
// Bounds on the list of operations a header may carry; a longer list is malformed.
constexpr int kMaxListOperations = 100;

enum SliceKind { kP = 0, kB = 1, kI = 2, kSp = 3, kSi = 4 };

bool IsIntra(uint32_t sliceType) { return sliceType == kI || sliceType == kSi; }

// ref_pic_list_modification() for one list: false when it does not end within the bound.
bool SkipRefPicListModification(SpsBitReader& reader) {
    if (ReadBits(reader, 1) == 0) return true;  // ref_pic_list_modification_flag
    for (int i = 0; i < kMaxListOperations && !reader.exhausted; ++i) {
        const uint32_t idc = ReadUe(reader);  // modification_of_pic_nums_idc
        if (idc == 3) return true;
        if (idc > 5) return false;
        ReadUe(reader);  // abs_diff_pic_num_minus1, long_term_pic_num or abs_diff_view_idx_minus1
    }
    return false;
}

void SkipWeights(SpsBitReader& reader, uint32_t refs, bool chroma) {
    for (uint32_t i = 0; i < refs && !reader.exhausted; ++i) {
        if (ReadBits(reader, 1) != 0) {  // luma_weight_lX_flag
            ReadSe(reader);
            ReadSe(reader);
        }
        if (chroma && ReadBits(reader, 1) != 0) {  // chroma_weight_lX_flag
            for (int j = 0; j < 4; ++j) ReadSe(reader);
        }
    }
}

void SkipPredWeightTable(SpsBitReader& reader, uint32_t sliceType, uint32_t l0, uint32_t l1, bool chroma) {
    ReadUe(reader);              // luma_log2_weight_denom
    if (chroma) ReadUe(reader);  // chroma_log2_weight_denom
    SkipWeights(reader, l0, chroma);
    if (sliceType == kB) SkipWeights(reader, l1, chroma);
}

// dec_ref_pic_marking(): notes an operation 5; false when the list does not end within the bound.
bool ReadRefPicMarking(SpsBitReader& reader, H264SliceHeader& header) {
    if (header.idr) {
        ReadBits(reader, 2);  // no_output_of_prior_pics_flag, long_term_reference_flag
        return true;
    }
    if (ReadBits(reader, 1) == 0) return true;  // adaptive_ref_pic_marking_mode_flag
    for (int i = 0; i < kMaxListOperations && !reader.exhausted; ++i) {
        const uint32_t operation = ReadUe(reader);
        switch (operation) {
            case 0:
                return true;
            case 1:
            case 2:
            case 4:
            case 6:
                ReadUe(reader);  // difference_of_pic_nums_minus1, long_term_pic_num, max or idx
                break;
            case 3:
                ReadUe(reader);  // difference_of_pic_nums_minus1
                ReadUe(reader);  // long_term_frame_idx
                break;
            case 5:
                header.memoryManagementReset = true;
                break;
            default:
                return false;
        }
    }
    return false;
}

// The header after pic_parameter_set_id, with both parameter sets at hand.
bool ReadRest(SpsBitReader& reader, const H264Sps& sps, const H264Pps& pps, H264SliceHeader& header) {
    if (sps.separateColourPlane) ReadBits(reader, 2);  // colour_plane_id
    header.frameNum = ReadBits(reader, sps.log2MaxFrameNum);
    if (!sps.frameMbsOnly) {
        header.fieldPic = ReadBits(reader, 1) != 0;
        if (header.fieldPic) header.bottomField = ReadBits(reader, 1) != 0;
    }
    if (header.idr) header.idrPicId = ReadUe(reader);
    const bool bottomDeltas = pps.bottomFieldPicOrderInFramePresent && !header.fieldPic;
    if (sps.picOrderCntType == 0) {
        header.picOrderCntLsb = ReadBits(reader, sps.log2MaxPicOrderCntLsb);
        if (bottomDeltas) header.deltaPicOrderCntBottom = ReadSe(reader);
    } else if (sps.picOrderCntType == 1 && !sps.deltaPicOrderAlwaysZero) {
        header.deltaPicOrderCnt[0] = ReadSe(reader);
        if (bottomDeltas) header.deltaPicOrderCnt[1] = ReadSe(reader);
    }
    if (pps.redundantPicCntPresent) ReadUe(reader);  // redundant_pic_cnt
    const uint32_t type = header.sliceType;
    if (type == kB) ReadBits(reader, 1);  // direct_spatial_mv_pred_flag
    uint64_t l0 = pps.numRefIdxL0DefaultActive;
    uint64_t l1 = pps.numRefIdxL1DefaultActive;
    if ((type == kP || type == kSp || type == kB) && ReadBits(reader, 1) != 0) {  // num_ref_idx_active_override_flag
        l0 = uint64_t{ReadUe(reader)} + 1;
        if (type == kB) l1 = uint64_t{ReadUe(reader)} + 1;
    }
    if (l0 > kMaxRefIdxActive || l1 > kMaxRefIdxActive) return false;
    if (!IsIntra(type) && !SkipRefPicListModification(reader)) return false;
    if (type == kB && !SkipRefPicListModification(reader)) return false;
    if ((pps.weightedPred && (type == kP || type == kSp)) || (pps.weightedBipredIdc == 1 && type == kB)) {
        SkipPredWeightTable(reader, type, static_cast<uint32_t>(l0), static_cast<uint32_t>(l1),
                            sps.chromaArrayType() != 0);
    }
    if (header.isReference() && !ReadRefPicMarking(reader, header)) return false;
    return !reader.exhausted;
}

}  // namespace

int ReadSliceHeader(const uint8_t* unit, int length, const H264ParameterSets& sets, H264SliceHeader* out) {
    if (unit == nullptr || length < 2) return -1;
    const int nalType = unit[0] & 0x1F;
    if (nalType != kNonIdrSliceType && nalType != kIdrSliceType) return -1;
    H264SliceHeader header;
    header.nalRefIdc = (unit[0] >> 5) & 3;
    header.idr = nalType == kIdrSliceType;
    SpsBitReader reader = MakeSpsBitReader(unit + 1, length - 1);
    header.firstMbInSlice = ReadUe(reader);
    const uint32_t sliceType = ReadUe(reader);
    const uint32_t ppsId = ReadUe(reader);
    if (sliceType > kMaxSliceType || ppsId >= static_cast<uint32_t>(H264ParameterSets::kPpsIds)) return -1;
    header.sliceType = sliceType % 5;
    header.ppsId = static_cast<int>(ppsId);
    const H264Pps* pps = sets.Pps(header.ppsId);
    const H264Sps* sps = pps != nullptr ? sets.Sps(pps->spsId) : nullptr;
    if (sps == nullptr || !ReadRest(reader, *sps, *pps, header)) return -1;
    *out = header;
    return 0;
}
