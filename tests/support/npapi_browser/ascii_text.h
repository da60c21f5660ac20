// ASCII case folding for the names HTML and URLs compare without regard to case.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace test_support {

inline std::string asciiLowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace test_support
