#include "app/util/code_page_text.h"

#include "platform/text/win_code_page.h"

#include <cstring>
#include <string>

namespace {

// Converts a zero-terminated text to wide text through the given code page.
std::wstring toWide(UINT codePage, const char* text) {
    const int needed = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(needed), L'\0');  // includes the terminator
    if (MultiByteToWideChar(codePage, 0, text, -1, wide.data(), needed) != needed) return std::wstring();
    wide.pop_back();
    return wide;
}

std::string fromWide(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int length = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string text(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(codePage, 0, wide.data(), length, text.data(), needed, nullptr, nullptr) != needed) {
        return std::string();
    }
    return text;
}

// Longest prefix of at most limit bytes that ends on a whole GBK character (lead bytes 0x81..0xFE
// start a two-byte character).
size_t ansiPrefixLength(const std::string& text, size_t limit) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t length = static_cast<unsigned char>(text[at]) >= 0x81 && at + 1 < text.size() ? 2 : 1;
        if (at + length > limit) break;
        at += length;
    }
    return at;
}

// Longest prefix of at most limit bytes that ends on a whole UTF-8 sequence.
size_t utf8PrefixLength(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t at = limit;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

void copyTerminated(char* out, const std::string& text, size_t length) {
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

}  // namespace

void Utf8ToAnsi(char* out, const char* utf8, int size) {
    if (!out || size <= 0) return;
    const std::string ansi = utf8 ? fromWide(CP_ACP, toWide(CP_UTF8, utf8)) : std::string();
    copyTerminated(out, ansi, ansiPrefixLength(ansi, static_cast<size_t>(size - 1)));
}

void AnsiToUtf8(char* out, const char* ansi) {
    if (!out) return;
    const std::string utf8 = ansi ? fromWide(CP_UTF8, toWide(CP_ACP, ansi)) : std::string();
    copyTerminated(out, utf8, utf8PrefixLength(utf8, kAnsiToUtf8Size - 1));
}

std::string AnsiToUtf8(const char* ansi) {
    char buffer[kAnsiToUtf8Size];
    AnsiToUtf8(buffer, ansi);
    return buffer;
}
