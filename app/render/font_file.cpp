#include "app/render/font_file.h"

#include "app/util/file_owner.h"

#include <cstdio>
#include <memory>

namespace {

unsigned long readFont(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
    auto* file = static_cast<FILE*>(stream->descriptor.pointer);
    const bool sought = std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
    if (count == 0) return sought ? 0 : 1;  // a pure seek reports failure as non-zero
    return sought ? std::fread(buffer, 1, count, file) : 0;
}

// FreeType calls this once when the face goes (or when opening it fails): the stream and its file
// come back to their owners here.
void closeFont(FT_Stream stream) {
    const std::unique_ptr<FT_StreamRec> owned(stream);
    const FileOwner file(static_cast<FILE*>(owned->descriptor.pointer));
}

}  // namespace

FT_Error OpenFontFile(FT_Library library, const char* ansiPath, FT_Long faceIndex, FT_Face* face) {
    // FreeType refuses these before it takes the stream, which would then have no owner.
    if (library == nullptr || face == nullptr) return FT_Err_Invalid_Argument;
    FileOwner file = OpenAnsiFile(ansiPath, "rb");
    if (!file) return FT_Err_Cannot_Open_Resource;
    long size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    if (size <= 0) return FT_Err_Cannot_Open_Stream;
    auto stream = std::make_unique<FT_StreamRec>();
    stream->size = static_cast<unsigned long>(size);
    stream->read = readFont;
    stream->close = closeFont;
    // From here FreeType holds both and gives them back through closeFont, whatever the outcome.
    stream->descriptor.pointer = file.release();
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = stream.release();
    return FT_Open_Face(library, &args, faceIndex, face);
}
