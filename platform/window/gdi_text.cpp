#include "platform/window/device_context.h"
#include "platform/window/surface_drawing.h"
#include "platform/files/drive_root.h"
#include "platform/window/freetype_owners.h"
#include "platform/window/win_gdi.h"

#include <algorithm>
#include <filesystem>
#include <string>

using namespace platform::detail;

namespace {

constexpr int kPixelHeight = 16;

// The one SimHei face of the process, loaded on first use and again when the fonts folder moves
// (tests point the drive root elsewhere) or the font file goes away.
struct TextFont {
    std::mutex lock;
    FreeTypeLibraryPtr library;  // before the face, which goes first
    FreeTypeFacePtr face;
    std::string path;
};

TextFont& textFont() {
    static TextFont* font = new TextFont;
    return *font;
}

bool loadFaceLocked(TextFont& font) {
    std::string path = (platform::fontsFolder() / "simhei.ttf").string();
    std::error_code error;
    bool present = std::filesystem::exists(path, error);
    if (font.face && font.path == path && present) return true;
    font.face.reset();
    if (!present) return false;
    if (!font.library) {
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0) return false;
        font.library.reset(library);
    }
    FT_Face face = nullptr;
    if (FT_New_Face(font.library.get(), path.c_str(), 0, &face) != 0) return false;
    font.face.reset(face);
    FT_Set_Pixel_Sizes(face, 0, kPixelHeight);
    font.path = path;
    return true;
}

int textWidthLocked(FT_Face face, LPCWSTR text, int length) {
    int width = 0;
    for (int i = 0; i < length; ++i) {
        if (FT_Load_Char(face, static_cast<FT_ULong>(text[i]), FT_LOAD_DEFAULT) == 0) {
            width += static_cast<int>(face->glyph->advance.x >> 6);
        }
    }
    return width;
}

// Where the pen starts and the baseline lies for the reference point (x, y) and the alignment.
void placeText(FT_Face face, UINT align, int x, int y, int width, int* penX, int* baseline) {
    UINT horizontal = align & TA_CENTER;
    *penX = horizontal == TA_CENTER ? x - width / 2 : horizontal == TA_RIGHT ? x - width : x;
    UINT vertical = align & TA_BASELINE;
    int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
    int descent = static_cast<int>(-(face->size->metrics.descender >> 6));
    *baseline = vertical == TA_BASELINE ? y : vertical == TA_BOTTOM ? y - descent : y + ascent;
}

// Darkens the surface under the glyph's coverage (black text, transparent background).
void blendGlyph(Surface& surface, const FT_Bitmap& bitmap, int left, int top) {
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        int y = top + static_cast<int>(row);
        if (y < 0 || y >= surface.height) continue;
        const unsigned char* coverage = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        uint32_t* line = surface.pixels.data() + static_cast<ptrdiff_t>(y) * surface.width;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            int x = left + static_cast<int>(column);
            if (x < 0 || x >= surface.width || coverage[column] == 0) continue;
            uint32_t keep = 255u - coverage[column];
            uint32_t pixel = line[x];
            uint32_t b = (pixel & 0xFF) * keep / 255;
            uint32_t g = ((pixel >> 8) & 0xFF) * keep / 255;
            uint32_t r = ((pixel >> 16) & 0xFF) * keep / 255;
            line[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
}

}  // namespace

BOOL WINAPI TextOutW(HDC deviceContext, int x, int y, LPCWSTR text, int length) {
    auto context = findDeviceContext(deviceContext);
    if (!context || length < 0 || (length > 0 && !text)) return FALSE;
    TextFont& font = textFont();
    std::lock_guard<std::mutex> fontLock(font.lock);
    if (!loadFaceLocked(font)) return FALSE;
    if (!context->surface || length == 0) return TRUE;

    FT_Face face = font.face.get();
    int penX = 0;
    int baseline = 0;
    placeText(face, context->textAlign.load(), x, y, textWidthLocked(face, text, length), &penX, &baseline);
    Surface& surface = *context->surface;
    SurfaceDrawing drawing(surface);
    for (int i = 0; i < length; ++i) {
        if (FT_Load_Char(face, static_cast<FT_ULong>(text[i]), FT_LOAD_RENDER) != 0) continue;
        FT_GlyphSlot glyph = face->glyph;
        if (glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            blendGlyph(surface, glyph->bitmap, penX + glyph->bitmap_left, baseline - glyph->bitmap_top);
        }
        penX += static_cast<int>(glyph->advance.x >> 6);
    }
    return TRUE;
}
