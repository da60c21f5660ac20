// Writing into an I420 picture: Y plane (width x height), then U and V planes of
// (width / 2) x (height / 2), with nothing between them. Writes outside the picture are dropped,
// so the drawing code can clip simply by writing.
#pragma once

#include <cstddef>
#include <cstdint>

struct YuvColour {
    uint8_t y;
    uint8_t u;
    uint8_t v;
};

// BT.601 studio range, each result truncated toward zero and kept as a byte.
YuvColour RgbToYuv(int r, int g, int b);

class I420Picture {
public:
    I420Picture(uint8_t* data, int width, int height)
        : data_(data),
          width_(width),
          height_(height),
          lumaSize_(static_cast<size_t>(width > 0 ? width : 0) * static_cast<size_t>(height > 0 ? height : 0)),
          chromaSize_(lumaSize_ / 4) {}

    bool valid() const { return data_ && width_ > 0 && height_ > 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // The Y sample and the pixel's shared U and V samples.
    void put(int x, int y, YuvColour colour) {
        forEachPut(x, y, colour, [this](size_t offset, uint8_t value) { data_[offset] = value; });
    }

    // Hands each sample that put writes, as its offset in the picture and its new value, to write,
    // in put's order; nothing is written.
    template <class Write>
    void forEachPut(int x, int y, YuvColour colour, Write write) const {
        if (!contains(x, y)) return;
        write(lumaIndex(x, y), colour.y);
        const size_t chroma = chromaIndex(x, y);
        if (chroma >= chromaSize_) return;  // odd sizes: the last column or row has no chroma of its own
        write(lumaSize_ + chroma, colour.u);
        write(lumaSize_ + chromaSize_ + chroma, colour.v);
    }

    // Each sample becomes the truncated mean of its old value and the colour's.
    void blend(int x, int y, YuvColour colour) {
        if (!contains(x, y)) return;
        mix(data_[lumaIndex(x, y)], colour.y);
        const size_t chroma = chromaIndex(x, y);
        if (chroma >= chromaSize_) return;
        mix(data_[lumaSize_ + chroma], colour.u);
        mix(data_[lumaSize_ + chromaSize_ + chroma], colour.v);
    }

    int width() const { return width_; }
    int height() const { return height_; }
    size_t lumaSize() const { return lumaSize_; }
    size_t chromaSize() const { return chromaSize_; }

private:
    size_t lumaIndex(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }
    size_t chromaIndex(int x, int y) const { return static_cast<size_t>(y / 2) * (width_ / 2) + x / 2; }
    static void mix(uint8_t& sample, uint8_t value) { sample = static_cast<uint8_t>((sample + value) / 2); }

    uint8_t* data_;
    int width_;
    int height_;
    size_t lumaSize_;
    size_t chromaSize_;
};
