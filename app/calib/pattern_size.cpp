#include "app/calib/pattern_size.h"

#include "app/util/registry_settings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

// The leading decimal number of the setting, or fallback when there is none above 0.
int ReadDimension(const wchar_t* name, int fallback) {
    const std::string text = RegistrySettings::GetString(name);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || errno == ERANGE || value <= 0 || value > INT_MAX) return fallback;
    return static_cast<int>(value);
}

}  // namespace

PatternSize ReadPatternSize() {
    const PatternSize defaults;
    return PatternSize{ReadDimension(L"PatternWidth", defaults.width),
                       ReadDimension(L"PatternHeight", defaults.height)};
}
