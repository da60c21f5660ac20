// The range a picture's samples use. A camera's stream is in studio range unless it says otherwise:
// Y from 16 (black) to 235 (white), U and V from 16 to 240 around 128. Full range uses 0 to 255 for
// every sample; JPEG files are full range, and some cameras send it too.
#pragma once

#include <cstdint>

enum class SampleRange : uint8_t { Studio, Full };
