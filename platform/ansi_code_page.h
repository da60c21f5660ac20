// The ANSI code page (GBK) through glibc's iconv, for the platform's own code. Conversions never
// fail: bytes that are no GBK character become U+FFFD, characters GBK lacks become the given
// default bytes; the flags report whether that happened.
#pragma once

#include <string>
#include <string_view>

namespace platform {

struct AnsiDecodeResult {
    std::wstring text;
    bool hadInvalidBytes = false;
};

struct AnsiEncodeResult {
    std::string text;
    bool usedDefaultChar = false;
};

AnsiDecodeResult decodeAnsi(std::string_view ansi);
AnsiEncodeResult encodeAnsi(std::wstring_view wide, std::string_view defaultChar);

// Convenience forms for paths and files: invalid input is replaced, never refused.
std::wstring ansiToWideText(std::string_view ansi);
std::string wideToAnsiText(std::wstring_view wide);

}  // namespace platform
