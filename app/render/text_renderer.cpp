#include "app/render/text_renderer.h"

#include "app/render/drawing_coordinate.h"
#include "app/render/font_file.h"
#include "platform/text/win_code_page.h"
#include "platform/files/win_shell_folders.h"

namespace {

constexpr int kDefaultPixelSize = 24;
constexpr wchar_t kLineFeed = L'\n';

bool validPixelSize(int size) { return size >= 1 && size <= TextRenderer::kMaxPixelSize; }

// "<fonts folder>\simhei.ttf" in the ANSI code page.
std::string simheiPath() {
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_FONTS, FALSE)) return std::string();
    char ansi[MAX_PATH * 2] = {};
    if (WideCharToMultiByte(CP_ACP, 0, folder, -1, ansi, sizeof(ansi), nullptr, nullptr) <= 0) return std::string();
    return std::string(ansi) + "\\simhei.ttf";
}

}  // namespace

TextRenderer::TextRenderer() : glyphs_(std::make_unique<std::array<CachedGlyph, 65536>>()), fontPath_(simheiPath()) {
    LoadFont(kDefaultPixelSize);
}

// The members' order frees the glyphs, then the face, then the library.
TextRenderer::~TextRenderer() = default;

void TextRenderer::clearGlyphCache() {
    for (auto& entry : *glyphs_) entry = CachedGlyph{};
}

// Glyphs belong to the library's memory, so they go before the library does.
void TextRenderer::releaseFont() {
    clearGlyphCache();
    face_.reset();
    library_.reset();
    loaded_ = false;
}

void TextRenderer::LoadFont(int pixelSize) {
    releaseFont();
    fontSize_ = pixelSize;
    if (!validPixelSize(pixelSize) || fontPath_.empty()) return;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return;
    library_.reset(library);
    FT_Face face = nullptr;
    if (OpenFontFile(library_.get(), fontPath_.c_str(), 0, &face) != 0) {
        releaseFont();
        return;
    }
    face_.reset(face);
    if (FT_Select_Charmap(face_.get(), FT_ENCODING_UNICODE) != 0 ||
        FT_Set_Pixel_Sizes(face_.get(), 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        releaseFont();
        return;
    }
    loaded_ = true;
}

void TextRenderer::SetFontSize(int pixelSize) {
    if (!loaded_ || pixelSize == fontSize_ || !validPixelSize(pixelSize)) return;
    LoadFont(pixelSize);
}

bool TextRenderer::LoadGlyph(unsigned int codeUnit) {
    if (!loaded_ || codeUnit > 0xFFFF) return false;
    CachedGlyph& entry = (*glyphs_)[codeUnit];
    if (entry.loaded) return true;
    if (FT_Load_Char(face_.get(), codeUnit, FT_LOAD_RENDER | FT_LOAD_MONOCHROME) != 0) return false;
    FT_Glyph copy = nullptr;
    if (FT_Get_Glyph(face_->glyph, &copy) != 0) return false;
    FreeTypeGlyphPtr glyph(copy);
    if (glyph->format != FT_GLYPH_FORMAT_BITMAP) return false;
    entry.glyph = std::move(glyph);  // its bitmap is a copy that later loads cannot change
    entry.advance = static_cast<int>(face_->glyph->advance.x / 64);
    entry.left = face_->glyph->bitmap_left;
    entry.top = face_->glyph->bitmap_top;
    entry.index = FT_Get_Char_Index(face_.get(), codeUnit);
    entry.loaded = true;
    return true;
}

// Places the glyphs of wideText_ (without its terminator); answers how many were placed.
size_t TextRenderer::layout(int x, int y, int width, int height) {
    size_t count = 0;
    int penX = x;
    int penY = y;
    const size_t units = wideText_.size() - 1;
    for (size_t i = 0; i < units && count < placements_.size() && penY < height; ++i) {
        const wchar_t unit = wideText_[i];
        if (unit == kLineFeed) {  // a new line, taking no room of its own
            penX = x;
            penY += fontSize_;
            continue;
        }
        if (!LoadGlyph(static_cast<unsigned int>(unit))) continue;
        const CachedGlyph& glyph = (*glyphs_)[static_cast<unsigned int>(unit)];
        if (penX + glyph.advance >= width) {
            penX = x;
            penY += fontSize_;
            if (penY >= height) break;
        }
        const auto* bitmap = &reinterpret_cast<FT_BitmapGlyph>(glyph.glyph.get())->bitmap;
        placements_[count++] = Placement{bitmap, unit, penX + glyph.left, penY + fontSize_ - glyph.top};
        penX += glyph.advance;
    }
    return count;
}

// The pen may come from the page or the camera (a label's place): it is held within the drawing's
// reach, which leaves room for every offset the layout and the glyphs add to it.
size_t TextRenderer::layOut(const char* text, int width, int height, int penX, int penY, int pixelSize) {
    const int x = DrawingCoordinate(penX);
    const int y = DrawingCoordinate(penY);
    if (!loaded_ || !text || width <= 0 || height <= 0 || x > width || y > height) return 0;
    if (!validPixelSize(pixelSize)) return 0;
    SetFontSize(pixelSize);
    if (!loaded_) return 0;
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 0) return 0;
    wideText_.resize(static_cast<size_t>(needed));
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wideText_.data(), needed) != needed) return 0;
    return layout(x, y, width, height);
}

void TextRenderer::DrawText(uint8_t* picture, const char* text, int width, int height, int penX, int penY,
                            int pixelSize, const int32_t rgb[3]) {
    if (!picture || !rgb) return;
    ForEachGlyph(text, width, height, penX, penY, pixelSize,
                 [&](const FT_Bitmap* bitmap, int x, int y) { DrawGlyph(picture, bitmap, x, y, width, height, rgb); });
}

void TextRenderer::DrawGlyph(uint8_t* picture, const FT_Bitmap* bitmap, int x, int y, int width, int height,
                             const int32_t rgb[3]) {
    I420Picture frame(picture, width, height);
    if (!frame.valid() || !rgb) return;
    ForEachGlyphPixel(bitmap, x, y, width, height, RgbToYuv(rgb[0], rgb[1], rgb[2]),
                      [&](int px, int py, YuvColour colour) { frame.put(px, py, colour); });
}
