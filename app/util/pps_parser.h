#pragma once
// Reads an H.264 picture parameter set (NAL unit type 8) as far as slice headers depend on it: the
// fields that decide which syntax elements a slice header carries, up to its reference picture
// marking. The rest is skipped.

#include "app/util/sps_bit_reader.h"

#include <cstdint>

struct H264Pps {
    int id = 0;
    int spsId = 0;
    bool bottomFieldPicOrderInFramePresent = false;
    uint32_t numRefIdxL0DefaultActive = 1;
    uint32_t numRefIdxL1DefaultActive = 1;
    bool weightedPred = false;
    uint32_t weightedBipredIdc = 0;
    bool redundantPicCntPresent = false;
};

// Parses the NAL unit (without start code) the reader is positioned on. Returns the
// pic_parameter_set_id and stores the fields on success; -1 for data that cannot be a PPS (cut off,
// values outside the ranges H.264 allows) and -2 when the NAL unit is not a PPS, leaving pps
// untouched.
int ParsePictureParameterSet(SpsBitReader* reader, H264Pps* pps);
