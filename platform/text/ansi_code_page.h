// The ANSI code page (GBK) through glibc's iconv, for the platform's own code. Conversions never
// fail: bytes that are no GBK character become U+FFFD, characters GBK lacks become the given
// default bytes; the flags report whether that happened.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Both write into out, reusing its storage, so that callers converting on every frame keep one
// buffer and allocate nothing once it is large enough. decodeAnsi answers whether invalid bytes
// were met; encodeAnsi whether the default character was used.
bool decodeAnsi(std::string_view ansi, std::wstring& out);
bool encodeAnsi(std::wstring_view wide, std::string_view defaultChar, std::string& out);

// Convenience forms for paths and files: invalid input is replaced, never refused.
std::wstring ansiToWideText(std::string_view ansi);
std::string wideToAnsiText(std::wstring_view wide);

}  // namespace platform
