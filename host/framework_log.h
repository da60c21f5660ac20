// Diagnostic lines of the framework. Each line is composed where it happens (a source word such as
// "PluginCore" and a text) and handed here; the framework keeps no log of its own, so the line is
// dropped. This is the one place to route them should a log ever be wanted.
#pragma once

#include <string_view>

namespace FB {

inline void frameworkLog(std::string_view source, std::string_view text) {
    (void)source;
    (void)text;
}

}  // namespace FB
