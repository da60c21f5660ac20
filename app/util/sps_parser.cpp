#include "app/util/sps_parser.h"

#include <cstdint>

namespace {

constexpr int kSpsNalType = 7;
constexpr int64_t kMinPictureSide = 16;
constexpr int64_t kMaxPictureSide = 8192;
constexpr uint32_t kMaxPocCycleLength = 256;
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

// Reads the chroma format and skips bit depths and scaling matrices. Returns the chroma format as
// the cropping sees it (0 when the colour planes are coded separately), or -1 when it is invalid.
int ReadChromaFormatFields(SpsBitReader& reader) {
    const uint32_t chromaFormatIdc = ReadUe(reader);
    if (chromaFormatIdc > 3) {
        return -1;
    }
    bool separateColourPlanes = false;
    if (chromaFormatIdc == 3) {
        separateColourPlanes = ReadBits(reader, 1) != 0;
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
    return separateColourPlanes ? 0 : static_cast<int>(chromaFormatIdc);
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

// Returns false for a pic_order_cnt_type this parser does not know.
bool SkipPicOrderCountFields(SpsBitReader& reader) {
    const uint32_t picOrderCntType = ReadUe(reader);
    if (picOrderCntType == 0) {
        ReadUe(reader);  // log2_max_pic_order_cnt_lsb_minus4
    } else if (picOrderCntType == 1) {
        ReadBits(reader, 1);  // delta_pic_order_always_zero_flag
        ReadUe(reader);       // offset_for_non_ref_pic
        ReadUe(reader);       // offset_for_top_to_bottom_field
        uint32_t cycleLength = ReadUe(reader);
        if (cycleLength > kMaxPocCycleLength) {
            cycleLength = kMaxPocCycleLength;
        }
        for (uint32_t i = 0; i < cycleLength && !reader.exhausted; ++i) {
            ReadUe(reader);  // offset_for_ref_frame[i]
        }
    } else if (picOrderCntType > 2) {
        return false;
    }
    return true;
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

int ParseSpsPictureSize(SpsBitReader* reader, SpsPictureSize* size) {
    const int header = SkipToNalPayload(*reader);
    if (header < 0) {
        return -1;
    }
    if ((header & 0x1F) != kSpsNalType) {
        return -2;
    }
    const uint32_t profileIdc = ReadBits(*reader, 8);
    ReadBits(*reader, 3);  // constraint_set0..2_flag
    ReadBits(*reader, 5);  // constraint_set3..5_flag and reserved bits
    ReadBits(*reader, 8);  // level_idc
    const uint32_t spsId = ReadUe(*reader);
    int chromaArrayType = 1;  // 4:2:0 unless the profile says otherwise
    if (HasChromaFormatFields(profileIdc)) {
        chromaArrayType = ReadChromaFormatFields(*reader);
        if (chromaArrayType < 0) {
            return -1;
        }
    }
    ReadUe(*reader);  // log2_max_frame_num_minus4
    if (!SkipPicOrderCountFields(*reader)) {
        return -1;
    }
    ReadUe(*reader);       // max_num_ref_frames
    ReadBits(*reader, 1);  // gaps_in_frame_num_value_allowed_flag
    const int64_t widthInMbs = int64_t{ReadUe(*reader)} + 1;
    const int64_t heightInMapUnits = int64_t{ReadUe(*reader)} + 1;
    const bool frameMbsOnly = ReadBits(*reader, 1) != 0;
    if (!frameMbsOnly) {
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
    const int64_t codedHeight = heightInMapUnits * 16 * (frameMbsOnly ? 1 : 2);
    // A unit cut off before the cropping ends, a size out of range, or an id beyond what H.264
    // allows means the data is not a usable SPS.
    if (reader->exhausted || !IsPictureSideInRange(codedWidth) || !IsPictureSideInRange(codedHeight) || spsId > 31) {
        return -1;
    }
    const CropUnits units = CropUnitsFor(chromaArrayType, frameMbsOnly);
    SpsPictureSize parsed;
    parsed.codedWidth = static_cast<int>(codedWidth);
    parsed.codedHeight = static_cast<int>(codedHeight);
    // Offsets are at most 2^32 - 1 units of at most 4 pixels: the sums cannot overflow.
    if ((crop[0] + crop[1]) * units.x < codedWidth && (crop[2] + crop[3]) * units.y < codedHeight) {
        parsed.cropLeft = static_cast<int>(crop[0] * units.x);
        parsed.cropRight = static_cast<int>(crop[1] * units.x);
        parsed.cropTop = static_cast<int>(crop[2] * units.y);
        parsed.cropBottom = static_cast<int>(crop[3] * units.y);
    }
    *size = parsed;
    return static_cast<int>(spsId);
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
