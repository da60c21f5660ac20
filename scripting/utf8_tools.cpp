#include "scripting/utf8_tools.h"

#include "platform/utf_text.h"

namespace FB {

std::wstring utf8ToWide(const std::string& utf8) {
    return platform::utf8ToWideText(utf8);
}

std::string wideToUtf8(const std::wstring& wide) {
    return platform::wideToUtf8Text(wide);
}

}  // namespace FB
