#include "app/render/cached_text.h"

#include "app/render/i420_picture.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int kPlanes = 3;

// out = (out & keep) | value, eight samples at a time.
void MergeRow(uint8_t* out, const uint8_t* keep, const uint8_t* value, size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t samples;
        uint64_t kept;
        uint64_t written;
        std::memcpy(&samples, out + i, 8);
        std::memcpy(&kept, keep + i, 8);
        std::memcpy(&written, value + i, 8);
        samples = (samples & kept) | written;
        std::memcpy(out + i, &samples, 8);
    }
    for (; i < count; ++i) out[i] = static_cast<uint8_t>((out[i] & keep[i]) | value[i]);
}

// Where each plane of a picture lies, to find a written sample's plane, row and column.
struct PlaneLayout {
    explicit PlaneLayout(const I420Picture& frame)
        : start{0, frame.lumaSize(), frame.lumaSize() + frame.chromaSize()},
          stride{static_cast<size_t>(std::max(frame.width(), 1)), static_cast<size_t>(std::max(frame.width() / 2, 1)),
                 static_cast<size_t>(std::max(frame.width() / 2, 1))} {}
    int planeOf(size_t offset) const { return offset < start[1] ? 0 : offset < start[2] ? 1 : 2; }
    size_t start[kPlanes];
    size_t stride[kPlanes];
};

}  // namespace

void CachedText::Draw(TextRenderer& renderer, uint8_t* picture, const char* text, int width, int height, int x, int y,
                      int pixelSize, const int32_t rgb[3]) {
    if (!picture || !text || !rgb || !renderer.loaded()) return;
    const Key key{width, height, x, y, pixelSize, {rgb[0], rgb[1], rgb[2]}};
    if (!built_ || key != key_ || text_ != text) {
        key_ = key;
        text_ = text;
        Build(renderer, text);
    }
    for (const PlaneStamp& plane : planes_) plane.Apply(picture);
}

// Writes the text into no picture, handing each sample write to write (offset, value) in the order
// DrawText makes them.
template <class Write>
void CachedText::ForEachWrite(TextRenderer& renderer, const char* text, Write write) const {
    const I420Picture frame(nullptr, key_.width, key_.height);
    const YuvColour colour = RgbToYuv(key_.rgb[0], key_.rgb[1], key_.rgb[2]);
    renderer.ForEachGlyph(text, key_.width, key_.height, key_.x, key_.y, key_.pixelSize,
                          [&](const FT_Bitmap* bitmap, int glyphX, int glyphY) {
                              TextRenderer::ForEachGlyphPixel(
                                  bitmap, glyphX, glyphY, key_.width, key_.height, colour,
                                  [&](int px, int py, YuvColour pixel) { frame.forEachPut(px, py, pixel, write); });
                          });
}

// Two passes over the writes: the first finds each plane's rectangle, the second fills it in the
// writes' order, so that a later write of a sample wins as it does in a picture.
void CachedText::Build(TextRenderer& renderer, const char* text) {
    built_ = true;
    ++builds_;
    const PlaneLayout layout(I420Picture(nullptr, key_.width, key_.height));
    constexpr size_t kNone = std::numeric_limits<size_t>::max();
    size_t top[kPlanes] = {kNone, kNone, kNone};
    size_t left[kPlanes] = {kNone, kNone, kNone};
    size_t bottom[kPlanes] = {};
    size_t right[kPlanes] = {};
    ForEachWrite(renderer, text, [&](size_t offset, uint8_t) {
        const int plane = layout.planeOf(offset);
        const size_t at = offset - layout.start[plane];
        const size_t row = at / layout.stride[plane];
        const size_t column = at % layout.stride[plane];
        top[plane] = std::min(top[plane], row);
        left[plane] = std::min(left[plane], column);
        bottom[plane] = std::max(bottom[plane], row);
        right[plane] = std::max(right[plane], column);
    });
    for (int plane = 0; plane < kPlanes; ++plane) {
        PlaneStamp& stamp = planes_[plane];
        const bool written = top[plane] != kNone;
        stamp.start = layout.start[plane];
        stamp.stride = layout.stride[plane];
        stamp.top = written ? top[plane] : 0;
        stamp.left = written ? left[plane] : 0;
        stamp.rows = written ? bottom[plane] - top[plane] + 1 : 0;
        stamp.columns = written ? right[plane] - left[plane] + 1 : 0;
        stamp.keep.assign(stamp.rows * stamp.columns, 0xFF);
        stamp.value.assign(stamp.rows * stamp.columns, 0);
    }
    ForEachWrite(renderer, text, [&](size_t offset, uint8_t value) {
        const int plane = layout.planeOf(offset);
        PlaneStamp& stamp = planes_[plane];
        const size_t at = offset - stamp.start;
        const size_t index = (at / stamp.stride - stamp.top) * stamp.columns + at % stamp.stride - stamp.left;
        stamp.keep[index] = 0;
        stamp.value[index] = value;
    });
}

void CachedText::PlaneStamp::Apply(uint8_t* picture) const {
    for (size_t r = 0; r < rows; ++r) {
        MergeRow(picture + start + (top + r) * stride + left, keep.data() + r * columns, value.data() + r * columns,
                 columns);
    }
}
