// Shows YV12 pictures in a window's 32-bit pixels: nearest neighbour, BT.601 studio range. Down the
// picture each window row takes the source row nearest its centre; across, libswscale stretches
// those rows to the window's width, then converts them at that size with its SIMD converter (both
// quicker and more exact than converting while scaling). One per off-screen surface: the contexts
// and the pictures between the steps are kept from one Blt to the next and made again only when a
// size changes. Internal to the platform library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct SwsContext;

namespace platform::detail {

// A YV12 picture's planes, each with its pitch.
struct Yv12Planes {
    const uint8_t* y;
    const uint8_t* u;
    const uint8_t* v;
    int lumaPitch;
    int chromaPitch;
};

// The part of a picture a stretch shows: the source row of each window row, and the columns
// [firstColumn, firstColumn + columns) stretched across the window's width. A window row pair shares
// the chroma row of its upper row's source.
struct Yv12Pick {
    const std::vector<int>& rows;
    int firstColumn;
    int columns;
};

class Yv12Scaler {
public:
    Yv12Scaler();
    ~Yv12Scaler();
    Yv12Scaler(const Yv12Scaler&) = delete;
    Yv12Scaler& operator=(const Yv12Scaler&) = delete;

    // A hash of every sample the pick shows: the same pick of pictures with the same hash draws the
    // same pixels.
    static uint64_t hashShown(const Yv12Planes& picture, const Yv12Pick& pick);

    // Draws the pick onto `width` x pick.rows.size() opaque pixels (0xAARRGGBB) at `pixels`, rows
    // `pixelsPerRow` apart; nothing outside them is written. False, writing nothing, when libswscale
    // refuses the sizes or memory runs out.
    bool draw(const Yv12Planes& picture, const Yv12Pick& pick, uint32_t* pixels, size_t pixelsPerRow, int width);

private:
    struct ContextFree {
        void operator()(SwsContext* context) const;
    };
    using Context = std::unique_ptr<SwsContext, ContextFree>;

    bool prepare(int columns, int width, int height, bool gathers);
    Yv12Planes gather(const Yv12Planes& picture, const Yv12Pick& pick);
    bool stretchAcross(const Yv12Planes& rows);

    int columns_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> gathered_;   // the picked rows, when they are not evenly spaced
    Context stretch_;                 // the picked columns across the window's width
    std::vector<uint8_t> stretched_;  // the rows stretched: Y, then U and V of (width + 1) / 2 columns
    Context convert_;                 // planes of the window's size to pixels
    // libswscale's SIMD writes up to 15 pixels past the end of a row: it writes here, and the rows
    // are copied into the window.
    std::vector<uint32_t> scratch_;
    size_t scratchPerRow_ = 0;
};

}  // namespace platform::detail
