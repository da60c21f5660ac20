#pragma once
// What an SPS says of its stream's pictures in time: how many pictures a decoder may have to hold
// back to show them in order, and how long one picture lasts.

#include "app/util/sps_parser.h"

#include <cstdint>
#include <optional>

// The most pictures H.264 lets a decoder hold back for reordering.
constexpr int kMaxReorderDepth = 16;

// The pictures that may precede any picture in decoding order and follow it in output order: the
// VUI's max_num_reorder_frames when the SPS has it, otherwise what H.264 infers (none for intra-only
// profiles, as many as the level's picture buffer holds otherwise), except that streams whose order
// cannot differ from decoding order (pic_order_cnt_type 2, the Baseline profile) need none.
int ReorderDepth(const H264Sps& sps);

// The length of one frame in ticks of a clock of the given rate, from the VUI's timing information
// (two ticks of num_units_in_tick / time_scale); nothing when the SPS has none or it is implausible.
std::optional<int64_t> FrameDuration(const H264Sps& sps, int64_t clockRate);
