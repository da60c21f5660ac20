#pragma once
// Names of the files a view saves: "<folder>\YYYYMMDDhhmmss.<extension>" by the local time, in a
// buffer of a fixed size.

#include <cstddef>

// Formats the name into out (size bytes, zero-filled first). False when the name does not fit,
// leaving out empty.
bool FormatSaveFileName(char* out, size_t size, const char* folder, const char* extension);
