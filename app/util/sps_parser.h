#pragma once
// Reads an H.264 sequence parameter set (NAL unit type 7): the picture size (the coded size in whole
// macroblocks and the frame-cropping rectangle, which together give the size of the pictures the
// decoder hands out), and what a reader of the stream needs to put its pictures in order and in
// time: the fields that slice headers and picture order counts depend on, and the VUI's timing
// and reordering limits. The rest is skipped.

#include "app/util/sps_bit_reader.h"

#include <array>
#include <cstdint>

// The picture size an SPS describes. The decoder crops the coded picture by the four offsets, so
// its pictures are (codedWidth - cropLeft - cropRight) by (codedHeight - cropTop - cropBottom).
struct SpsPictureSize {
    int codedWidth = 0;   // whole macroblocks
    int codedHeight = 0;  // whole macroblocks; twice the map units of a field-coded stream
    int cropLeft = 0;     // luma pixels
    int cropRight = 0;
    int cropTop = 0;
    int cropBottom = 0;

    int shownWidth() const { return codedWidth - cropLeft - cropRight; }
    int shownHeight() const { return codedHeight - cropTop - cropBottom; }
};

// What the VUI says of the stream's timing and of its pictures' reordering.
struct SpsVui {
    bool timingInfoPresent = false;
    uint32_t numUnitsInTick = 0;
    uint32_t timeScale = 0;
    bool fixedFrameRate = false;
    bool bitstreamRestriction = false;
    uint32_t maxNumReorderFrames = 0;
    uint32_t maxDecFrameBuffering = 0;
};

// The fields of an SPS that the rest of the stream depends on.
struct H264Sps {
    static constexpr int kMaxRefFramesInPocCycle = 255;

    int id = 0;
    uint32_t profileIdc = 0;
    uint32_t constraintFlags = 0;  // constraint_set0_flag in the top bit of the byte
    uint32_t levelIdc = 0;
    uint32_t chromaFormatIdc = 1;
    bool separateColourPlane = false;
    int log2MaxFrameNum = 4;
    uint32_t picOrderCntType = 0;
    int log2MaxPicOrderCntLsb = 4;
    bool deltaPicOrderAlwaysZero = false;
    int32_t offsetForNonRefPic = 0;
    int32_t offsetForTopToBottomField = 0;
    int numRefFramesInPicOrderCntCycle = 0;
    std::array<int32_t, kMaxRefFramesInPocCycle> offsetForRefFrame{};
    uint32_t maxNumRefFrames = 0;
    bool frameMbsOnly = true;
    SpsPictureSize size;
    bool vuiPresent = false;  // and read whole
    SpsVui vui;

    bool constraintSet3() const { return (constraintFlags & 0x10) != 0; }
    // The colour planes are coded as one (the chroma_format_idc that slice syntax depends on).
    int chromaArrayType() const { return separateColourPlane ? 0 : static_cast<int>(chromaFormatIdc); }
};

// Parses the SPS the reader is positioned on, with or without a leading 00 00 00 01 start code.
// Returns the seq_parameter_set_id and stores the fields on success; -1 for data that cannot be an
// SPS (see ParseSpsPictureSize, and values outside the ranges H.264 allows) and -2 when the NAL unit
// is not an SPS, leaving sps untouched. A VUI cut off or malformed is taken as absent.
int ParseSequenceParameterSet(SpsBitReader* reader, H264Sps* sps);

// Reads past one scaling list of 16 or 64 entries.
void SkipScalingList(SpsBitReader& reader, int size);

// Parses the SPS the reader is positioned on, with or without a leading 00 00 00 01 start code,
// through the frame-cropping fields. Returns the seq_parameter_set_id (0 or more) and stores the
// size on success (coded sides between 16 and 8192). Cropping that would leave no picture is
// ignored, as the decoder ignores it. Returns -1 for data that cannot be an SPS (too short, a
// three-byte start code, cut off before the cropping fields, an unsupported pic_order_cnt_type, a
// size out of range) and -2 when the NAL unit is not an SPS; size is then left untouched.
int ParseSpsPictureSize(SpsBitReader* reader, SpsPictureSize* size);

// The same, storing the coded width and height only.
int ParseSps(SpsBitReader* reader, int* width, int* height);

// The picture size of an SPS. One that cannot be parsed gives the size of a 1080-line camera:
// coded 1920 x 1088 with 8 rows cropped at the bottom.
void GetPictureSizeFromSps(const uint8_t* sps, int length, SpsPictureSize* size);

// The coded picture size of an SPS, or 1920 x 1088 when it cannot be parsed.
void GetFrameSizeFromSps(const uint8_t* sps, int length, int* width, int* height);

// The rows a camera's decoder drops from a coded picture whose SPS could not be read: 8 of 1088,
// 10 of 1090, none otherwise.
int FallbackCropRows(int codedHeight);
