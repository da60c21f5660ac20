// The framework's key codes and the mapping from Windows virtual-key codes to them.
#pragma once

namespace FB {

// Code given to every virtual key the framework has no name for (letters and digits among them).
constexpr int FBKEY_UNKNOWN = 84;

int windowsKeyToFBKey(unsigned virtualKey);

}  // namespace FB
