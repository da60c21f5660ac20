// UTF-8 to and from wide text. Never throws: invalid input becomes U+FFFD, so text from a page, a
// file or the network can always be converted.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::wstring utf8ToWideText(std::string_view utf8);
std::string wideToUtf8Text(std::wstring_view wide);

}  // namespace platform
