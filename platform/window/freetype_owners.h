#pragma once
// Owners of the FreeType handles behind TextOutW, each freed by its own library call when its
// owner goes. A face belongs to the library's memory: its owner must go before the library's.
// Internal to the platform library, which shares no header with the system's code.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>

namespace platform::detail {

struct FreeTypeLibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FreeTypeFaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};

using FreeTypeLibraryPtr = std::unique_ptr<FT_LibraryRec_, FreeTypeLibraryDeleter>;
using FreeTypeFacePtr = std::unique_ptr<FT_FaceRec_, FreeTypeFaceDeleter>;

}  // namespace platform::detail
