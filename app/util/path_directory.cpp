#include "app/util/path_directory.h"

#include <string_view>

int GetPathDirectory(const char* path, std::string& directory) {
    const std::string_view text(path ? path : "");
    const auto last = text.find_last_of("/\\");
    directory.assign(last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1));
    return 1;
}
