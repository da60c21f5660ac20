// UTF-8 and wide text, the two encodings of names and strings in the scripting layer. Neither
// direction fails: bad input becomes U+FFFD, so text from a page or a file can always be converted.
#pragma once

#include <string>

namespace FB {

std::wstring utf8ToWide(const std::string& utf8);
std::string wideToUtf8(const std::wstring& wide);

}  // namespace FB
