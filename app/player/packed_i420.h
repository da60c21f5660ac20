#pragma once
// Decoded pictures in the layout the frame path takes: 8-bit I420 of W x H x 3 / 2 bytes, W x H luma
// bytes, the U plane from W x H and the V plane from W x H x 5 / 4, each of (H/2) rows of (W/2)
// bytes; rows without padding. Only odd sizes leave bytes between and after the chroma planes;
// they are neutral (128). A picture the decoder gives in 8-bit 4:2:0 is copied plane by plane; any
// other layout (4:2:2, 4:4:4, more than 8 bits a sample, planar RGB) is converted by libswscale
// straight into the packed picture, keeping the samples' range. Either way each sample is written
// once.

#include "app/player/ffmpeg_owners.h"
#include "app/render/sample_range.h"

#include <cstdint>
#include <vector>

// True for the layouts CopyPackedI420 takes: 8-bit 4:2:0 in either range.
bool IsEightBit420(int format);

// The range of a decoded picture's samples: full when the frame says so, by its colour range or by
// a format that is full range by name; studio otherwise, as H.264 streams are unless they say.
SampleRange RangeOfFrame(const AVFrame& frame);

// Copies an 8-bit 4:2:0 frame's planes into out, which holds W x H x 3 / 2 bytes. For an odd side
// the last chroma column or row of the frame is left out.
void CopyPackedI420(const AVFrame& frame, uint8_t* out);

// Converts pictures of any other layout. The conversion context is made for the first picture and
// kept while the format, size, range and colour matrix stay the same, so a stream costs one set-up,
// not one per picture. One thread at a time.
class PackedI420Converter {
public:
    // Writes the frame as packed I420 of its own size into out (W x H x 3 / 2 bytes), its samples
    // in the range given. False when libswscale cannot read the frame's format or memory runs out.
    bool Convert(const AVFrame& frame, SampleRange range, uint8_t* out);
    // Frees the context.
    void Reset();

private:
    struct Setup {
        int format = -1;
        int width = 0;
        int height = 0;
        SampleRange range = SampleRange::Studio;
        int colorspace = 0;
        bool operator==(const Setup&) const = default;
    };

    bool Prepare(const Setup& wanted);
    bool Scale(const AVFrame& frame, uint8_t* const destination[4], const int strides[4]);

    ScaleContextPtr context_;
    // For a picture with a side of odd length: its U and V planes as libswscale writes them, with
    // the one more column or row of chroma that the packed picture has no room for.
    std::vector<uint8_t> oddChroma_;
    Setup setup_;  // what context_ was made for
};
