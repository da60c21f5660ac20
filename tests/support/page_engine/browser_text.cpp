#include "tests/support/page_engine/browser_text.h"

namespace test_support {

namespace {

// The surrogate (0xD800 to 0xDFFF) encoded at text[i] in three bytes, or 0.
uint32_t surrogateAt(const unsigned char* text, size_t length, size_t i) {
    if (i + 2 >= length || text[i] != 0xED || (text[i + 1] & 0xE0) != 0xA0 || (text[i + 2] & 0xC0) != 0x80) return 0;
    return 0xD000u | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
}

}  // namespace

std::string utf8FromScript(const char* text, size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::string utf8;
    utf8.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const uint32_t high = surrogateAt(bytes, length, i);
        if (!high) {
            utf8 += text[i];
            continue;
        }
        const uint32_t low = high < 0xDC00 ? surrogateAt(bytes, length, i + 3) : 0;
        if (low >= 0xDC00) {
            appendUtf8(utf8, 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
            i += 5;
        } else {
            appendUtf8(utf8, 0xFFFD);
            i += 2;
        }
    }
    return utf8;
}

}  // namespace test_support
