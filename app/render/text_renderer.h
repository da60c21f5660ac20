// On-picture text: TrueType glyphs from the Windows font simhei.ttf, rendered once per character
// and pixel size as 1-bit bitmaps and then drawn from a cache straight into I420 pictures, in the
// given colour with a black copy 2 pixels right and down behind it (a drop shadow).
#pragma once

#include "app/render/freetype_owners.h"
#include "app/render/i420_picture.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TextRenderer {
public:
    // Loads the fonts folder's simhei.ttf at 24 pixels; without the font nothing is ever drawn.
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    void LoadFont(int pixelSize);
    void SetFontSize(int pixelSize);
    // Renders and caches the glyph of one character; false when it cannot.
    bool LoadGlyph(unsigned int codeUnit);
    // Draws ANSI text into the picture with its pen starting at (x, y); the baseline lies one font
    // size below the pen. A line feed, or a glyph that would reach the right edge, starts a new
    // line one font size lower at x. An underscore takes its room but is not drawn.
    void DrawText(uint8_t* picture, const char* text, int width, int height, int penX, int penY, int pixelSize,
                  const int32_t rgb[3]);
    // Draws one 1-bit glyph bitmap with its top left at (x, y), a place of DrawText's layout; writes
    // that would fall outside the picture are skipped.
    void DrawGlyph(uint8_t* picture, const FT_Bitmap* bitmap, int x, int y, int width, int height,
                   const int32_t rgb[3]);

    // What DrawText does, given to the caller to draw elsewhere: calls draw (bitmap, x, y) for each
    // glyph DrawText would draw with these arguments, in its order.
    template <class Draw>
    void ForEachGlyph(const char* text, int width, int height, int penX, int penY, int pixelSize, Draw draw);
    // What DrawGlyph does, the same way: calls put (x, y, colour) for each pixel it sets, in its
    // order, colour being the one given or the shadow's black.
    template <class Put>
    static void ForEachGlyphPixel(const FT_Bitmap* bitmap, int x, int y, int width, int height, YuvColour colour,
                                  Put put);

    bool loaded() const { return loaded_; }
    int fontSize() const { return fontSize_; }

    static constexpr int kMaxLayoutUnits = 1024;
    static constexpr int kMaxPixelSize = 1024;

private:
    struct CachedGlyph {
        bool loaded = false;
        int advance = 0;
        int left = 0;
        int top = 0;
        FT_UInt index = 0;
        FreeTypeGlyphPtr glyph;  // a bitmap glyph: the rendered 1-bit bitmap
    };
    struct Placement {
        const FT_Bitmap* bitmap;
        wchar_t codeUnit;
        int x;
        int y;
    };

    static constexpr int kShadowOffset = 2;
    static constexpr YuvColour kShadow{0, 128, 128};
    static constexpr wchar_t kUnderscore = L'_';

    void clearGlyphCache();
    void releaseFont();
    // Lays out the text as DrawText draws it; answers how many glyphs went into placements_.
    size_t layOut(const char* text, int width, int height, int penX, int penY, int pixelSize);
    size_t layout(int x, int y, int width, int height);

    // In this order, so that glyphs go before the face and the face before the library.
    FreeTypeLibraryPtr library_;
    FreeTypeFacePtr face_;
    // One slot per 16-bit character code, kept on the heap so that a renderer may live anywhere.
    std::unique_ptr<std::array<CachedGlyph, 65536>> glyphs_;
    int fontSize_ = 0;
    bool loaded_ = false;
    std::string fontPath_;  // ANSI code page
    // Work buffers of DrawText, kept so that drawing a frame allocates nothing once warmed up.
    std::vector<wchar_t> wideText_;
    std::array<Placement, kMaxLayoutUnits> placements_{};
};

template <class Draw>
void TextRenderer::ForEachGlyph(const char* text, int width, int height, int penX, int penY, int pixelSize, Draw draw) {
    const size_t count = layOut(text, width, height, penX, penY, pixelSize);
    for (size_t i = 0; i < count; ++i) {
        const Placement& place = placements_[i];
        if (place.codeUnit == kUnderscore) continue;  // takes its room, never drawn
        draw(place.bitmap, place.x, place.y);
    }
}

// The colour goes up and left of each set bit and the shadow's black in its place, one after the
// other, so that a later bit's colour may cover an earlier bit's shadow.
template <class Put>
void TextRenderer::ForEachGlyphPixel(const FT_Bitmap* bitmap, int x, int y, int width, int height, YuvColour colour,
                                     Put put) {
    if (!bitmap || !bitmap->buffer || bitmap->pixel_mode != FT_PIXEL_MODE_MONO || bitmap->rows == 0 ||
        bitmap->pitch <= 0) {
        return;
    }
    const int rows = static_cast<int>(bitmap->rows);
    const int columns = static_cast<int>(bitmap->width);
    for (int r = 0; r < rows && y + r < height; ++r) {
        const unsigned char* bits = bitmap->buffer + static_cast<ptrdiff_t>(r) * bitmap->pitch;
        for (int c = 0; c < columns && x + c < width; ++c) {
            if (((bits[c / 8] >> (7 - c % 8)) & 1) == 0) continue;
            put(x + c - kShadowOffset, y + r - kShadowOffset, colour);
            put(x + c, y + r, kShadow);
        }
    }
}
