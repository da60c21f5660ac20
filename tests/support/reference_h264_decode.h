#pragma once
// Decodes a whole H.264 Annex B stream with libavcodec directly (its own parser, one thread, drained
// at the end): the reference that tests and benchmarks compare the player's decoder against.

#include <cstdint>
#include <vector>

struct AVFrame;

namespace test_support {

struct ReferenceDecode {
    int reorderDelay = 0;                        // pictures the codec holds back for reordering
    std::vector<std::vector<uint8_t>> pictures;  // packed I420, in output order
};

// A decoded 4:2:0 picture as packed I420 bytes (rows without padding).
std::vector<uint8_t> PackI420(const AVFrame* frame);

// Throws std::runtime_error when the codec cannot be set up.
ReferenceDecode DecodeH264Reference(const std::vector<uint8_t>& stream);

// The stream cut into whole pictures by libavcodec's H.264 parser (padding not included).
std::vector<std::vector<uint8_t>> SplitIntoPictures(const std::vector<uint8_t>& stream);

}  // namespace test_support
