// Counts the test program's heap allocations (it replaces the global operator new), so tests can
// show which operations allocate.
#pragma once

namespace FB::testing {

long allocationCount();

}  // namespace FB::testing
