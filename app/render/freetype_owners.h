#pragma once
// Owners of FreeType's handles, each freed by its own library call when its owner goes. A face and
// a glyph belong to the library's memory: their owners must go before the library's.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <memory>

struct FreeTypeLibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FreeTypeFaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct FreeTypeGlyphDeleter {
    void operator()(FT_Glyph glyph) const { FT_Done_Glyph(glyph); }
};

using FreeTypeLibraryPtr = std::unique_ptr<FT_LibraryRec_, FreeTypeLibraryDeleter>;
using FreeTypeFacePtr = std::unique_ptr<FT_FaceRec_, FreeTypeFaceDeleter>;
using FreeTypeGlyphPtr = std::unique_ptr<FT_GlyphRec_, FreeTypeGlyphDeleter>;
