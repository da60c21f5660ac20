// Replacement of the global allocation functions that counts allocations. It is linked only into
// programs that ask for the count, and kept out of the code under test so it is never inlined there.
#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/support/allocation_counter.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

long FB::testing::allocationCount() { return allocations.load(); }

// malloc and free on both sides; GCC cannot see that the pair matches.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop
