// Test switches of the module stand-in.
#pragma once

#include <string>

namespace platform::testing {

// While not empty, the executable's file name (GetModuleFileNameW of the executable's handle or of
// NULL) is this path instead of the real one, so that tests can pose as another program.
void setExecutablePath(const std::wstring& path);

}  // namespace platform::testing
