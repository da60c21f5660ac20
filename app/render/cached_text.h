// A text drawn into picture after picture, kept as the samples it writes: the code-page conversion,
// the layout and the glyph bits run again only when the text, its place, size or colour, or the
// picture's size changes (an on-screen clock's line changes once a second, its pictures come 25
// times). Each picture still gets the text, sample for sample as TextRenderer::DrawText writes it.
#pragma once

#include "app/render/text_renderer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CachedText {
public:
    // Draws as renderer.DrawText (picture, text, width, height, x, y, pixelSize, rgb) would.
    void Draw(TextRenderer& renderer, uint8_t* picture, const char* text, int width, int height, int x, int y,
              int pixelSize, const int32_t rgb[3]);

    // How many times the text was laid out and drawn afresh rather than copied from what it wrote.
    int builds() const { return builds_; }

private:
    struct Key {
        int width = 0;
        int height = 0;
        int x = 0;
        int y = 0;
        int pixelSize = 0;
        std::array<int32_t, 3> rgb{};
        bool operator==(const Key&) const = default;
    };

    // What the text writes into one plane: the smallest rectangle of the plane's rows and columns
    // that holds every written sample, with the values written and, for every sample of the
    // rectangle, 0x00 where it is written or 0xFF where the picture's own value stays.
    struct PlaneStamp {
        size_t start = 0;   // the plane's offset in the picture
        size_t stride = 1;  // the plane's row length
        size_t top = 0;
        size_t left = 0;
        size_t rows = 0;
        size_t columns = 0;
        std::vector<uint8_t> keep;
        std::vector<uint8_t> value;
        void Apply(uint8_t* picture) const;
    };

    void Build(TextRenderer& renderer, const char* text);
    template <class Write>
    void ForEachWrite(TextRenderer& renderer, const char* text, Write write) const;

    bool built_ = false;
    int builds_ = 0;
    Key key_;
    std::string text_;
    std::array<PlaneStamp, 3> planes_;  // Y, U, V
};
