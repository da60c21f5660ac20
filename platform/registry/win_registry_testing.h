// Test switches of the registry stand-in.
#pragma once

namespace platform::testing {

// While on, RegOpenKeyExW and RegCreateKeyExW fail with ERROR_ACCESS_DENIED, as they do on the
// original platform for a key the user may not open.
void setRegistryKeyOpeningFails(bool fails);
// The next `count` calls of RegOpenKeyExW or RegCreateKeyExW fail so, then they work again: a key
// held by someone else for a moment.
void failNextRegistryKeyOpenings(int count);

}  // namespace platform::testing
