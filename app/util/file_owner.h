#pragma once
// A C runtime file with an owner: closed when the owner goes, on every way out.

#include "platform/files/win_file.h"

#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

using FileOwner = std::unique_ptr<FILE, FileCloser>;

// Opens a file named in the ANSI code page (fopen_s); empty when it cannot be opened.
inline FileOwner OpenAnsiFile(const char* ansiPath, const char* mode) {
    FILE* file = nullptr;
    if (fopen_s(&file, ansiPath, mode) != 0) return nullptr;
    return FileOwner(file);
}
