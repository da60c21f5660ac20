#pragma once
// Splits an H.264 Annex B byte stream into its NAL units, the way an RTSP source delivers them:
// each unit without its start code.

#include <cstdint>
#include <vector>

namespace test_support {

using NalUnit = std::vector<uint8_t>;

// Units are cut at every 00 00 01 (a preceding zero byte belongs to the four-byte start code).
// Trailing zero bytes of a unit are dropped; bytes before the first start code are ignored.
std::vector<NalUnit> SplitAnnexB(const std::vector<uint8_t>& stream);

// NAL unit type: the low five bits of the header byte.
int NalType(const NalUnit& unit);

}  // namespace test_support
