// Text between UTF-8 (the page's and the scripting layer's) and the system's ANSI code page (file
// paths, device texts, settings). Both conversions stay inside the output buffer and leave it
// zero-terminated; a text that does not fit is cut at a character boundary.
#pragma once

#include <string>

// Converts utf8 into out, at most size bytes with the terminator. Characters the ANSI code page
// lacks become its default character.
void Utf8ToAnsi(char* out, const char* utf8, int size);

constexpr int kAnsiToUtf8Size = 255;
// Converts ansi into out, which holds at least kAnsiToUtf8Size bytes (terminator included).
void AnsiToUtf8(char* out, const char* ansi);
// The same, as a text of at most kAnsiToUtf8Size - 1 bytes.
std::string AnsiToUtf8(const char* ansi);
