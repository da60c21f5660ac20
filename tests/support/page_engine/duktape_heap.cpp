#include "tests/support/page_engine/duktape_heap.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace test_support {

namespace {

void reportFatalError(void*, const char* message) {
    std::fprintf(stderr, "page script: fatal Duktape error: %s\n", message ? message : "(no message)");
    std::fflush(stderr);
    std::abort();
}

}  // namespace

DuktapeHeap createDuktapeHeap() {
    DuktapeHeap heap(duk_create_heap(nullptr, nullptr, nullptr, nullptr, reportFatalError));
    if (!heap) throw std::runtime_error("page script: cannot create a Duktape heap");
    return heap;
}

}  // namespace test_support
