// Test hooks of the NPP callbacks.
#pragma once

namespace FB::Npapi::testing {

// The host variant is decided by the first instance of the process; this lets the next instance
// decide again.
void forgetHostVariant();

}  // namespace FB::Npapi::testing
