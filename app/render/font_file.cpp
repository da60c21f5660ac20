#include "app/render/font_file.h"

#include "platform/files/win_file.h"

#include <cstdio>

namespace {

unsigned long readFont(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
    auto* file = static_cast<FILE*>(stream->descriptor.pointer);
    const bool sought = std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
    if (count == 0) return sought ? 0 : 1;  // a pure seek reports failure as non-zero
    return sought ? std::fread(buffer, 1, count, file) : 0;
}

// FreeType calls this once when the face goes (or when opening it fails); the stream is ours.
void closeFont(FT_Stream stream) {
    std::fclose(static_cast<FILE*>(stream->descriptor.pointer));
    delete stream;
}

}  // namespace

FT_Error OpenFontFile(FT_Library library, const char* ansiPath, FT_Long faceIndex, FT_Face* face) {
    FILE* file = nullptr;
    if (fopen_s(&file, ansiPath, "rb") != 0) return FT_Err_Cannot_Open_Resource;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size <= 0) {
        std::fclose(file);
        return FT_Err_Cannot_Open_Stream;
    }
    auto* stream = new FT_StreamRec{};
    stream->size = static_cast<unsigned long>(size);
    stream->descriptor.pointer = file;
    stream->read = readFont;
    stream->close = closeFont;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = stream;
    return FT_Open_Face(library, &args, faceIndex, face);
}
