// Converts and scales YV12 pictures to a window's 32-bit pixels through libswscale: nearest
// neighbour, BT.601 studio range, SIMD. The planes are first stretched to the window's size, then
// converted at that size by libswscale's own converter, which is both quicker and more exact than
// converting while scaling. One per off-screen surface: the contexts and the pictures between the
// steps are kept from one Blt to the next and made again only when a size changes. Internal to the
// platform library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct SwsContext;

namespace platform::detail {

// A rectangle of a YV12 picture: the first sample of each plane and the planes' pitches.
struct Yv12Region {
    const uint8_t* y;
    const uint8_t* u;
    const uint8_t* v;
    int lumaPitch;
    int chromaPitch;
    int width;
    int height;
};

class Yv12Scaler {
public:
    Yv12Scaler();
    ~Yv12Scaler();
    Yv12Scaler(const Yv12Scaler&) = delete;
    Yv12Scaler& operator=(const Yv12Scaler&) = delete;

    // Stretches the region onto width x height opaque pixels (0xAARRGGBB) at `pixels`, rows
    // `pixelsPerRow` apart; nothing outside them is written. False, writing nothing, when libswscale
    // refuses the sizes or memory runs out.
    bool scale(const Yv12Region& region, uint32_t* pixels, size_t pixelsPerRow, int width, int height);

private:
    struct ContextFree {
        void operator()(SwsContext* context) const;
    };
    using Context = std::unique_ptr<SwsContext, ContextFree>;

    bool prepare(int sourceWidth, int sourceHeight, int width, int height);
    bool stretchPlanes(const Yv12Region& region);

    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    Context stretch_;                // the region's planes onto planes of the window's size
    std::vector<uint8_t> stretched_;  // those planes: Y, then U and V of (width + 1) / 2 columns
    Context convert_;                // planes of the window's size to pixels
    // libswscale's SIMD writes up to 15 pixels past the end of a row: it writes here, and the rows
    // are copied into the window.
    std::vector<uint32_t> scratch_;
    size_t scratchPerRow_ = 0;
};

}  // namespace platform::detail
