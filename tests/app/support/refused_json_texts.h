// Texts that the JSON library's reader refuses although other JSON readers take them as the empty
// object: a view handed one must change nothing, where the empty object would empty its settings.
#pragma once

#include <string>
#include <vector>

namespace test_support {

inline const std::vector<std::string> kTextsTheJsonReaderRefuses = {
    R"({"settings": 1,})",       // a comma after the last member
    R"({"settings": [1, 2,]})",  // a comma after the last element
    "\xEF\xBB\xBF{}",            // a UTF-8 byte-order mark
};

}  // namespace test_support
