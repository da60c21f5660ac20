// Opening a FreeType face from a font file named in the ANSI code page. FreeType reads the file
// through the platform's file calls, so the Windows form of the fonts folder works as it is.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

FT_Error OpenFontFile(FT_Library library, const char* ansiPath, FT_Long faceIndex, FT_Face* face);
