#pragma once
// The bytes of an MP4 file that holds no track: its file type and a movie header of time scale
// 90000 and no duration. A recording that ends before its first picture is left as this, which every
// reader opens as a movie without pictures, rather than as an empty file none can open.

#include <cstdint>
#include <vector>

std::vector<uint8_t> EmptyMp4Movie();
