#pragma once
// Reads the coded picture size out of an H.264 sequence parameter set (NAL unit type 7). Only the
// fields in front of the picture size are walked; everything else is skipped.

#include "app/util/sps_bit_reader.h"

#include <cstdint>

// Reads past one scaling list of 16 or 64 entries.
void SkipScalingList(SpsBitReader& reader, int size);

// Parses the SPS the reader is positioned on, with or without a leading 00 00 00 01 start code.
// Returns the seq_parameter_set_id (0 or more) and stores the coded width and height (whole
// macroblocks, no cropping, between 16 and 8192) on success. Returns -1 for data that cannot be an
// SPS (too short, a three-byte start code, cut off before the size, an unsupported
// pic_order_cnt_type, a size out of range) and -2 when the NAL unit is not an SPS. On failure width
// and height are left untouched.
int ParseSps(SpsBitReader* reader, int* width, int* height);

// The coded picture size of an SPS, or 1920 x 1088 when it cannot be parsed.
void GetFrameSizeFromSps(const uint8_t* sps, int length, int* width, int* height);
