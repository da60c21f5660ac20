#include "app/util/sps_parser.h"

#include <cstdint>

namespace {

constexpr int kSpsNalType = 7;
constexpr int64_t kMinPictureSide = 16;
constexpr int64_t kMaxPictureSide = 8192;
constexpr uint32_t kMaxLog2Minus4 = 12;  // log2_max_frame_num and log2_max_pic_order_cnt_lsb reach 16
constexpr uint32_t kMaxCpbCountMinus1 = 31;
constexpr uint32_t kExtendedSampleAspectRatio = 255;
constexpr int64_t kMaxOffset = 2147483647;  // picture order count offsets lie within +-(2^31 - 1)
constexpr int kFallbackWidth = 1920;
constexpr int kFallbackHeight = 1088;

// The profiles whose SPS carries chroma format, bit depths and scaling matrices.
bool HasChromaFormatFields(uint32_t profileIdc) {
    switch (profileIdc) {
        case 100:
        case 110:
        case 122:
        case 244:
        case 44:
        case 83:
        case 86:
        case 118:
        case 128:
        case 134:
        case 135:
        case 138:
        case 139:
        case 144:
            return true;
        default:
            return false;
    }
}

bool IsOffsetInRange(int64_t offset) { return offset >= -kMaxOffset && offset <= kMaxOffset; }

// What the chroma format means for cropping: offsets count in units of this many luma pixels.
struct CropUnits {
    int64_t x = 2;
    int64_t y = 2;
};

// Positions the reader after the NAL header. Returns the header byte, or -1 when the data cannot
// begin a NAL unit (too short, three-byte start code, a run of zero bytes).
int SkipToNalPayload(SpsBitReader& reader) {
    const uint8_t* p = reader.current;
    if (reader.end - p < 4) {
        return -1;
    }
    if (p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 1) {
        p += 4;
        if (p >= reader.end) {
            return -1;
        }
    } else if (((p[0] << 8) | p[1]) <= 3) {
        return -1;
    }
    const int header = *p;
    reader.current = p + 1;
    reader.bitsLeft = 8;
    return header;
}

// Reads the chroma format and skips bit depths and scaling matrices. False when the format is
// invalid.
bool ReadChromaFormatFields(SpsBitReader& reader, H264Sps& sps) {
    const uint32_t chromaFormatIdc = ReadUe(reader);
    if (chromaFormatIdc > 3) {
        return false;
    }
    sps.chromaFormatIdc = chromaFormatIdc;
    if (chromaFormatIdc == 3) {
        sps.separateColourPlane = ReadBits(reader, 1) != 0;
    }
    ReadUe(reader);                  // bit_depth_luma_minus8
    ReadUe(reader);                  // bit_depth_chroma_minus8
    ReadBits(reader, 1);             // qpprime_y_zero_transform_bypass_flag
    if (ReadBits(reader, 1) != 0) {  // seq_scaling_matrix_present_flag
        // 4:4:4 has separate 8x8 lists for its two chroma components as well.
        const int lists = chromaFormatIdc == 3 ? 12 : 8;
        for (int i = 0; i < lists; ++i) {
            if (ReadBits(reader, 1) != 0) {
                SkipScalingList(reader, i < 6 ? 16 : 64);
            }
        }
    }
    return true;
}

CropUnits CropUnitsFor(int chromaArrayType, bool frameMbsOnly) {
    const int64_t fieldFactor = frameMbsOnly ? 1 : 2;
    switch (chromaArrayType) {
        case 0:
            return {1, fieldFactor};  // monochrome or separate planes
        case 2:
            return {2, fieldFactor};  // 4:2:2
        case 3:
            return {1, fieldFactor};  // 4:4:4
        default:
            return {2, 2 * fieldFactor};  // 4:2:0
    }
}

// Reads the picture order count fields; false for values H.264 does not allow.
bool ReadPicOrderCountFields(SpsBitReader& reader, H264Sps& sps) {
    sps.picOrderCntType = ReadUe(reader);
    if (sps.picOrderCntType == 0) {
        const uint32_t log2MaxLsbMinus4 = ReadUe(reader);
        if (log2MaxLsbMinus4 > kMaxLog2Minus4) {
            return false;
        }
        sps.log2MaxPicOrderCntLsb = static_cast<int>(log2MaxLsbMinus4) + 4;
    } else if (sps.picOrderCntType == 1) {
        sps.deltaPicOrderAlwaysZero = ReadBits(reader, 1) != 0;
        const int64_t nonRef = ReadSe(reader);
        const int64_t topToBottom = ReadSe(reader);
        const uint32_t cycleLength = ReadUe(reader);
        if (!IsOffsetInRange(nonRef) || !IsOffsetInRange(topToBottom) ||
            cycleLength > static_cast<uint32_t>(H264Sps::kMaxRefFramesInPocCycle)) {
            return false;
        }
        sps.offsetForNonRefPic = static_cast<int32_t>(nonRef);
        sps.offsetForTopToBottomField = static_cast<int32_t>(topToBottom);
        sps.numRefFramesInPicOrderCntCycle = static_cast<int>(cycleLength);
        for (uint32_t i = 0; i < cycleLength; ++i) {
            const int64_t offset = ReadSe(reader);
            if (!IsOffsetInRange(offset)) {
                return false;
            }
            sps.offsetForRefFrame[i] = static_cast<int32_t>(offset);
        }
    } else if (sps.picOrderCntType > 2) {
        return false;
    }
    return true;
}

// Reads past hrd_parameters(); false when its count is out of range.
bool SkipHrdParameters(SpsBitReader& reader) {
    const uint32_t cpbCountMinus1 = ReadUe(reader);
    if (cpbCountMinus1 > kMaxCpbCountMinus1) {
        return false;
    }
    ReadBits(reader, 8);  // bit_rate_scale, cpb_size_scale
    for (uint32_t i = 0; i <= cpbCountMinus1; ++i) {
        ReadUe(reader);       // bit_rate_value_minus1
        ReadUe(reader);       // cpb_size_value_minus1
        ReadBits(reader, 1);  // cbr_flag
    }
    ReadBits(reader, 20);  // four delay and offset lengths
    return true;
}

// Reads vui_parameters(); false when they are malformed.
bool ReadVui(SpsBitReader& reader, SpsVui& vui) {
    if (ReadBits(reader, 1) != 0 && ReadBits(reader, 8) == kExtendedSampleAspectRatio) {  // aspect_ratio_idc
        ReadBits(reader, 32);                                                             // sar_width, sar_height
    }
    if (ReadBits(reader, 1) != 0) {  // overscan_info_present_flag
        ReadBits(reader, 1);
    }
    if (ReadBits(reader, 1) != 0) {      // video_signal_type_present_flag
        ReadBits(reader, 4);             // video_format, video_full_range_flag
        if (ReadBits(reader, 1) != 0) {  // colour_description_present_flag
            ReadBits(reader, 24);
        }
    }
    if (ReadBits(reader, 1) != 0) {  // chroma_loc_info_present_flag
        ReadUe(reader);
        ReadUe(reader);
    }
    vui.timingInfoPresent = ReadBits(reader, 1) != 0;
    if (vui.timingInfoPresent) {
        vui.numUnitsInTick = ReadBits(reader, 32);
        vui.timeScale = ReadBits(reader, 32);
        vui.fixedFrameRate = ReadBits(reader, 1) != 0;
    }
    const bool nalHrd = ReadBits(reader, 1) != 0;
    if (nalHrd && !SkipHrdParameters(reader)) {
        return false;
    }
    const bool vclHrd = ReadBits(reader, 1) != 0;
    if (vclHrd && !SkipHrdParameters(reader)) {
        return false;
    }
    if (nalHrd || vclHrd) {
        ReadBits(reader, 1);  // low_delay_hrd_flag
    }
    ReadBits(reader, 1);  // pic_struct_present_flag
    vui.bitstreamRestriction = ReadBits(reader, 1) != 0;
    if (vui.bitstreamRestriction) {
        ReadBits(reader, 1);  // motion_vectors_over_pic_boundaries_flag
        for (int i = 0; i < 4; ++i) {
            ReadUe(reader);  // max_bytes_per_pic_denom .. log2_max_mv_length_vertical
        }
        vui.maxNumReorderFrames = ReadUe(reader);
        vui.maxDecFrameBuffering = ReadUe(reader);
    }
    return !reader.exhausted;
}

bool IsPictureSideInRange(int64_t side) { return side >= kMinPictureSide && side <= kMaxPictureSide; }

}  // namespace

void SkipScalingList(SpsBitReader& reader, int size) {
    int64_t lastScale = 8;
    int64_t nextScale = 8;
    for (int j = 0; j < size && !reader.exhausted; ++j) {
        if (nextScale != 0) {
            const int64_t delta = ReadSe(reader);
            nextScale = ((lastScale + delta + 256) % 256 + 256) % 256;
        }
        if (nextScale != 0) {
            lastScale = nextScale;
        }
    }
}

int ParseSequenceParameterSet(SpsBitReader* reader, H264Sps* out) {
    const int header = SkipToNalPayload(*reader);
    if (header < 0) {
        return -1;
    }
    if ((header & 0x1F) != kSpsNalType) {
        return -2;
    }
    H264Sps sps;
    sps.profileIdc = ReadBits(*reader, 8);
    sps.constraintFlags = ReadBits(*reader, 8);  // constraint_set0..5_flag and reserved bits
    sps.levelIdc = ReadBits(*reader, 8);
    const uint32_t spsId = ReadUe(*reader);
    if (HasChromaFormatFields(sps.profileIdc) && !ReadChromaFormatFields(*reader, sps)) {
        return -1;
    }
    const uint32_t log2MaxFrameNumMinus4 = ReadUe(*reader);
    if (log2MaxFrameNumMinus4 > kMaxLog2Minus4 || !ReadPicOrderCountFields(*reader, sps)) {
        return -1;
    }
    sps.log2MaxFrameNum = static_cast<int>(log2MaxFrameNumMinus4) + 4;
    sps.maxNumRefFrames = ReadUe(*reader);
    ReadBits(*reader, 1);  // gaps_in_frame_num_value_allowed_flag
    const int64_t widthInMbs = int64_t{ReadUe(*reader)} + 1;
    const int64_t heightInMapUnits = int64_t{ReadUe(*reader)} + 1;
    sps.frameMbsOnly = ReadBits(*reader, 1) != 0;
    if (!sps.frameMbsOnly) {
        ReadBits(*reader, 1);  // mb_adaptive_frame_field_flag
    }
    ReadBits(*reader, 1);             // direct_8x8_inference_flag
    int64_t crop[4] = {0, 0, 0, 0};   // left, right, top, bottom in cropping units
    if (ReadBits(*reader, 1) != 0) {  // frame_cropping_flag
        for (int64_t& offset : crop) {
            offset = ReadUe(*reader);
        }
    }
    // A field-coded stream's map units are field macroblock rows: a frame has twice as many.
    const int64_t codedWidth = widthInMbs * 16;
    const int64_t codedHeight = heightInMapUnits * 16 * (sps.frameMbsOnly ? 1 : 2);
    // A unit cut off before the cropping ends, a size out of range, or an id beyond what H.264
    // allows means the data is not a usable SPS.
    if (reader->exhausted || !IsPictureSideInRange(codedWidth) || !IsPictureSideInRange(codedHeight) || spsId > 31) {
        return -1;
    }
    const CropUnits units = CropUnitsFor(sps.chromaArrayType(), sps.frameMbsOnly);
    sps.size.codedWidth = static_cast<int>(codedWidth);
    sps.size.codedHeight = static_cast<int>(codedHeight);
    // Offsets are at most 2^32 - 1 units of at most 4 pixels: the sums cannot overflow.
    if ((crop[0] + crop[1]) * units.x < codedWidth && (crop[2] + crop[3]) * units.y < codedHeight) {
        sps.size.cropLeft = static_cast<int>(crop[0] * units.x);
        sps.size.cropRight = static_cast<int>(crop[1] * units.x);
        sps.size.cropTop = static_cast<int>(crop[2] * units.y);
        sps.size.cropBottom = static_cast<int>(crop[3] * units.y);
    }
    if (ReadBits(*reader, 1) != 0) {  // vui_parameters_present_flag
        SpsVui vui;
        sps.vuiPresent = ReadVui(*reader, vui);
        if (sps.vuiPresent) {
            sps.vui = vui;
        }
    }
    sps.id = static_cast<int>(spsId);
    *out = sps;
    return sps.id;
}

int ParseSpsPictureSize(SpsBitReader* reader, SpsPictureSize* size) {
    H264Sps sps;
    const int result = ParseSequenceParameterSet(reader, &sps);
    if (result >= 0) {
        *size = sps.size;
    }
    return result;
}

int ParseSps(SpsBitReader* reader, int* width, int* height) {
    SpsPictureSize size;
    const int result = ParseSpsPictureSize(reader, &size);
    if (result >= 0) {
        *width = size.codedWidth;
        *height = size.codedHeight;
    }
    return result;
}

void GetPictureSizeFromSps(const uint8_t* sps, int length, SpsPictureSize* size) {
    SpsPictureSize parsed;
    parsed.codedWidth = kFallbackWidth;
    parsed.codedHeight = kFallbackHeight;
    parsed.cropBottom = FallbackCropRows(kFallbackHeight);
    if (sps != nullptr) {
        SpsBitReader reader = MakeSpsBitReader(sps, length);
        SpsPictureSize read;
        if (ParseSpsPictureSize(&reader, &read) >= 0) {
            parsed = read;
        }
    }
    *size = parsed;
}

void GetFrameSizeFromSps(const uint8_t* sps, int length, int* width, int* height) {
    SpsPictureSize size;
    GetPictureSizeFromSps(sps, length, &size);
    *width = size.codedWidth;
    *height = size.codedHeight;
}

int FallbackCropRows(int codedHeight) {
    if (codedHeight == 1088) {
        return 8;
    }
    if (codedHeight == 1090) {
        return 10;
    }
    return 0;
}
