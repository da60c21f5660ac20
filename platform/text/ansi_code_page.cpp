#include "platform/text/ansi_code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace platform {
namespace {

constexpr const char* kAnsiCharset = "CP936";
constexpr const char* kWideCharset = "WCHAR_T";
constexpr wchar_t kReplacement = 0xFFFD;

// iconv descriptors carry conversion state and may not be shared between threads, so every thread
// keeps its own pair, opened on first use.
class ThreadConverters {
public:
    ThreadConverters()
        : toWide_(iconv_open(kWideCharset, kAnsiCharset)), toAnsi_(iconv_open(kAnsiCharset, kWideCharset)) {}
    ~ThreadConverters() {
        if (toWide_ != invalid()) iconv_close(toWide_);
        if (toAnsi_ != invalid()) iconv_close(toAnsi_);
    }
    ThreadConverters(const ThreadConverters&) = delete;
    ThreadConverters& operator=(const ThreadConverters&) = delete;

    iconv_t toWide() { return reset(toWide_); }
    iconv_t toAnsi() { return reset(toAnsi_); }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    static iconv_t reset(iconv_t cd) {
        if (cd != invalid()) iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return cd;
    }
    iconv_t toWide_;
    iconv_t toAnsi_;
};

ThreadConverters& converters() {
    thread_local ThreadConverters perThread;
    return perThread;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAscii(std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0 && c < 0x80; });
}

}  // namespace

bool decodeAnsi(std::string_view ansi, std::wstring& out) {
    if (isAscii(ansi)) {
        out.assign(ansi.begin(), ansi.end());
        return false;
    }
    bool hadInvalidBytes = false;
    // Every input byte yields at most one character, so the output never needs to grow.
    out.resize(ansi.size());
    char* in = const_cast<char*>(ansi.data());
    size_t inLeft = ansi.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * sizeof(wchar_t);
    iconv_t cd = converters().toWide();
    auto emitReplacement = [&] {
        *reinterpret_cast<wchar_t*>(outPtr) = kReplacement;
        outPtr += sizeof(wchar_t);
        outLeft -= sizeof(wchar_t);
        hadInvalidBytes = true;
    };
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (char c : ansi) {
            if (static_cast<unsigned char>(c) < 0x80) {
                *reinterpret_cast<wchar_t*>(outPtr) = c;
                outPtr += sizeof(wchar_t);
                outLeft -= sizeof(wchar_t);
            } else {
                emitReplacement();
            }
        }
    }
    while (inLeft > 0 && cd != reinterpret_cast<iconv_t>(-1)) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
        // EILSEQ: a byte that starts no GBK character; EINVAL: a lead byte cut off at the end.
        emitReplacement();
        ++in;
        --inLeft;
    }
    out.resize(out.size() - outLeft / sizeof(wchar_t));
    return hadInvalidBytes;
}

bool encodeAnsi(std::wstring_view wide, std::string_view defaultChar, std::string& out) {
    if (isAscii(wide)) {
        out.assign(wide.begin(), wide.end());
        return false;
    }
    bool usedDefaultChar = false;
    // A GBK character takes at most two bytes; an unmappable one takes the default's bytes.
    const size_t perChar = std::max<size_t>(2, defaultChar.size());
    out.resize(wide.size() * perChar);
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(wide.data()));
    size_t inLeft = wide.size() * sizeof(wchar_t);
    char* outPtr = out.data();
    size_t outLeft = out.size();
    iconv_t cd = converters().toAnsi();
    while (inLeft > 0) {
        if (cd != reinterpret_cast<iconv_t>(-1) &&
            iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        std::copy(defaultChar.begin(), defaultChar.end(), outPtr);
        outPtr += defaultChar.size();
        outLeft -= defaultChar.size();
        usedDefaultChar = true;
        in += sizeof(wchar_t);
        inLeft -= sizeof(wchar_t);
    }
    out.resize(out.size() - outLeft);
    return usedDefaultChar;
}

std::wstring ansiToWideText(std::string_view ansi) {
    std::wstring wide;
    decodeAnsi(ansi, wide);
    return wide;
}

std::string wideToAnsiText(std::wstring_view wide) {
    std::string ansi;
    encodeAnsi(wide, "?", ansi);
    return ansi;
}

}  // namespace platform
