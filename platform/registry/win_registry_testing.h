// Test switches of the registry stand-in.
#pragma once

namespace platform::testing {

// While on, RegOpenKeyExW and RegCreateKeyExW fail with ERROR_ACCESS_DENIED, as they do on the
// original platform for a key the user may not open.
void setRegistryKeyOpeningFails(bool fails);

}  // namespace platform::testing
