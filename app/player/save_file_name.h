#pragma once
// Names of the files a view saves: "<folder>\YYYYMMDDhhmmss.<extension>" by the local time, in a
// buffer of a fixed size.

#include <cstddef>

// Whether the folder text names a folder: not empty, and not separators alone (such as \\\///),
// which would put the file in the root of the file system. The separators are ASCII, so the text
// may be UTF-8 or in the ANSI code page.
bool NamesAFolder(const char* folder);

// Formats the name into out (size bytes, zero-filled first). False when the name does not fit,
// leaving out empty.
bool FormatSaveFileName(char* out, size_t size, const char* folder, const char* extension);
