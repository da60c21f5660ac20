#include "app/util/sps_parser.h"

#include <cstdint>

namespace {

constexpr int kSpsNalType = 7;
constexpr int64_t kMinPictureSide = 16;
constexpr int64_t kMaxPictureSide = 8192;
constexpr uint32_t kMaxPocCycleLength = 256;
constexpr int kFallbackWidth = 1920;
constexpr int kFallbackHeight = 1088;

// Only these profiles carry chroma format, bit depths and scaling matrices in their SPS.
bool HasChromaFormatFields(uint32_t profileIdc) {
    return profileIdc == 100 || profileIdc == 110 || profileIdc == 122 || profileIdc == 144;
}

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

void SkipHighProfileFields(SpsBitReader& reader) {
    const uint32_t chromaFormatIdc = ReadUe(reader);
    if (chromaFormatIdc == 3) {
        ReadBits(reader, 1);  // separate_colour_plane_flag
    }
    ReadUe(reader);       // bit_depth_luma_minus8
    ReadUe(reader);       // bit_depth_chroma_minus8
    ReadBits(reader, 1);  // qpprime_y_zero_transform_bypass_flag
    if (ReadBits(reader, 1) != 0) {  // seq_scaling_matrix_present_flag
        for (int i = 0; i < 8; ++i) {
            if (ReadBits(reader, 1) != 0) {
                SkipScalingList(reader, i < 6 ? 16 : 64);
            }
        }
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

bool IsPictureSideInRange(int64_t side) {
    return side >= kMinPictureSide && side <= kMaxPictureSide;
}

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

int ParseSps(SpsBitReader* reader, int* width, int* height) {
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
    if (HasChromaFormatFields(profileIdc)) {
        SkipHighProfileFields(*reader);
    }
    ReadUe(*reader);  // log2_max_frame_num_minus4
    if (!SkipPicOrderCountFields(*reader)) {
        return -1;
    }
    ReadUe(*reader);        // max_num_ref_frames
    ReadBits(*reader, 1);   // gaps_in_frame_num_value_allowed_flag
    const int64_t codedWidth = (int64_t{ReadUe(*reader)} + 1) * 16;
    const int64_t codedHeight = (int64_t{ReadUe(*reader)} + 1) * 16;
    // A unit cut off before the size ends, a size out of range, or an id beyond what H.264 allows
    // means the data is not a usable SPS.
    if (reader->exhausted || !IsPictureSideInRange(codedWidth) || !IsPictureSideInRange(codedHeight) ||
        spsId > 31) {
        return -1;
    }
    *width = static_cast<int>(codedWidth);
    *height = static_cast<int>(codedHeight);
    return static_cast<int>(spsId);
}

void GetFrameSizeFromSps(const uint8_t* sps, int length, int* width, int* height) {
    *width = kFallbackWidth;
    *height = kFallbackHeight;
    if (sps == nullptr) {
        return;
    }
    SpsBitReader reader = MakeSpsBitReader(sps, length);
    int parsedWidth = 0;
    int parsedHeight = 0;
    if (ParseSps(&reader, &parsedWidth, &parsedHeight) >= 0) {
        *width = parsedWidth;
        *height = parsedHeight;
    }
}
