#include "platform/text/utf_text.h"

#include <utf8.h>

#include <iterator>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isScalarValue(char32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

}  // namespace

std::wstring utf8ToWideText(std::string_view utf8) {
    std::string valid;
    valid.reserve(utf8.size());
    utf8::replace_invalid(utf8.begin(), utf8.end(), std::back_inserter(valid), kReplacement);
    std::wstring wide;
    wide.reserve(valid.size());
    for (auto it = valid.begin(); it != valid.end();) {
        wide.push_back(static_cast<wchar_t>(utf8::unchecked::next(it)));
    }
    return wide;
}

std::string wideToUtf8Text(std::wstring_view wide) {
    std::string utf8;
    utf8.reserve(wide.size());
    for (wchar_t w : wide) {
        char32_t c = static_cast<char32_t>(w);
        utf8::unchecked::append(isScalarValue(c) ? c : kReplacement, std::back_inserter(utf8));
    }
    return utf8;
}

}  // namespace platform
