#include "app/render/frame_line.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

// The line is the union of square brushes placed along an integer Bresenham walk. Painting every
// brush pixel by pixel writes each sample (brush side)^2 times; instead each row or column across
// the line is filled once with the span that the brushes cover there, which is the same set of
// pixels: the walk moves at most one step across per step along, and a brush at least two pixels
// wide makes the spans of neighbouring brushes touch, so the union across the line is one span.
namespace {

bool within(float value, int limit) { return value >= 0.0f && value <= static_cast<float>(limit); }

// The picture's planes and the colour; spans are clipped to the picture before they get here.
class Planes {
public:
    Planes(uint8_t* picture, int width, int height, const int32_t colour[3])
        : picture_(picture),
          width_(width),
          lumaSize_(static_cast<size_t>(width) * static_cast<size_t>(height)),
          chromaSize_(lumaSize_ / 4),
          chromaWidth_(static_cast<size_t>(width / 2)),
          y_(static_cast<uint8_t>(colour[0])),
          u_(static_cast<uint8_t>(colour[1])),
          v_(static_cast<uint8_t>(colour[2])) {}

    // Pixels x0..x1 of one row. Each pixel's chroma sample is the one at (x / 2, y / 2) counted
    // across rows of width / 2 samples; samples past the plane (odd sizes) are not written.
    void Row(int y, int x0, int x1) {
        Fill(picture_ + static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x0), y_,
             static_cast<size_t>(x1 - x0 + 1));
        ChromaRow(y / 2, x0, x1);
    }

    // Pixels x0..x1 of rows y0..y1, each chroma row once.
    void Rect(int x0, int x1, int y0, int y1) {
        for (int y = y0; y <= y1; ++y) {
            Fill(picture_ + static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x0), y_,
                 static_cast<size_t>(x1 - x0 + 1));
        }
        for (int row = y0 / 2; row <= y1 / 2; ++row) ChromaRow(row, x0, x1);
    }

    // Pixels y0..y1 of one column.
    void Column(int x, int y0, int y1) {
        uint8_t* luma = picture_ + static_cast<size_t>(y0) * static_cast<size_t>(width_) + static_cast<size_t>(x);
        for (int y = y0; y <= y1; ++y, luma += width_) *luma = y_;
        for (int row = y0 / 2; row <= y1 / 2; ++row) {
            const size_t chroma = static_cast<size_t>(row) * chromaWidth_ + static_cast<size_t>(x / 2);
            if (chroma >= chromaSize_) break;
            picture_[lumaSize_ + chroma] = u_;
            picture_[lumaSize_ + chromaSize_ + chroma] = v_;
        }
    }

private:
    // Lines are mostly a few pixels across: short spans are written in place rather than through
    // a call.
    static void Fill(uint8_t* at, uint8_t value, size_t count) {
        if (count > 32) {
            std::memset(at, value, count);
            return;
        }
        for (size_t i = 0; i < count; ++i) at[i] = value;
    }

    void ChromaRow(int row, int x0, int x1) {
        if (chromaSize_ == 0) return;
        const size_t base = static_cast<size_t>(row) * chromaWidth_;
        const size_t first = base + static_cast<size_t>(x0 / 2);
        const size_t last = std::min(base + static_cast<size_t>(x1 / 2), chromaSize_ - 1);
        if (first > last) return;
        Fill(picture_ + lumaSize_ + first, u_, last - first + 1);
        Fill(picture_ + lumaSize_ + chromaSize_ + first, v_, last - first + 1);
    }

    uint8_t* picture_;
    int width_;
    size_t lumaSize_;
    size_t chromaSize_;
    size_t chromaWidth_;
    uint8_t y_;
    uint8_t u_;
    uint8_t v_;
};

// The minor coordinate of the Bresenham walk at each step along the major axis, stepped forward
// only: the walk paints (major0 + k, minor0 + step * crossed) before its k-th error update.
class BresenhamWalk {
public:
    BresenhamWalk(int minor0, int step, int along, int across)
        : minor_(minor0), step_(step), along_(along), across_(across), error_(along / 2) {}

    int MinorAt(int k) {
        while (k_ < k) {
            error_ -= across_;
            if (error_ < 0) {
                minor_ += step_;
                error_ += along_;
            }
            ++k_;
        }
        return minor_;
    }

private:
    int minor_;
    int step_;
    int along_;
    int across_;
    int error_;
    int k_ = 0;
};

}  // namespace

void DrawLineIntoFrame(uint8_t* picture, int width, int height, float x0, float y0, float x1, float y1, int thickness,
                       const int32_t colour[3]) {
    if (!picture || !colour || width <= 0 || height <= 0) return;
    if (!within(x0, width) || !within(x1, width) || !within(y0, height) || !within(y1, height)) return;

    int major0 = static_cast<int>(x0), minor0 = static_cast<int>(y0);
    int major1 = static_cast<int>(x1), minor1 = static_cast<int>(y1);
    const bool steep = std::abs(minor1 - minor0) > std::abs(major1 - major0);
    if (steep) {
        std::swap(major0, minor0);
        std::swap(major1, minor1);
    }
    if (major0 > major1) {
        std::swap(major0, major1);
        std::swap(minor0, minor1);
    }
    const int along = major1 - major0;  // brushes are placed at major0 .. major1 - 1
    if (along == 0) return;
    const int across = std::abs(minor1 - minor0);
    const int step = minor0 < minor1 ? 1 : -1;
    // A brush wider than the picture covers all of it; bounding the thickness keeps the brush
    // offsets from overflowing. Below 0 the brush is empty.
    thickness = std::clamp(thickness, -1, std::max(width, height) + 1);
    const int first = 1 - thickness;
    const int last = std::max(thickness, 2) - 1;
    if (first > last) return;

    Planes planes(picture, width, height, colour);
    const int majorLimit = (steep ? height : width) - 1;
    const int minorLimit = (steep ? width : height) - 1;
    // The brushes that reach major coordinate m are those placed at m - last .. m - first.
    BresenhamWalk lowWalk(minor0, step, along, across);
    BresenhamWalk highWalk(minor0, step, along, across);
    const int mFrom = std::max(major0 + first, 0);
    const int mTo = std::min(major1 - 1 + last, majorLimit);
    if (mFrom > mTo) return;
    if (across == 0) {
        // A horizontal or vertical line is a rectangle.
        const int from = std::max(minor0 + first, 0);
        const int to = std::min(minor0 + last, minorLimit);
        if (from > to) return;
        if (steep) {
            planes.Rect(from, to, mFrom, mTo);
        } else {
            planes.Rect(mFrom, mTo, from, to);
        }
        return;
    }
    for (int m = mFrom; m <= mTo; ++m) {
        const int a = lowWalk.MinorAt(std::clamp(m - last - major0, 0, along - 1));
        const int b = highWalk.MinorAt(std::clamp(m - first - major0, 0, along - 1));
        const int from = std::max(std::min(a, b) + first, 0);
        const int to = std::min(std::max(a, b) + last, minorLimit);
        if (from > to) continue;
        if (steep) {
            planes.Row(m, from, to);
        } else {
            planes.Column(m, from, to);
        }
    }
}
