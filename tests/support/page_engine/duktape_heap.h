// The Duktape heap in which page script runs, with its owner.
//
// Duktape reports script errors with longjmp. A jump across a C++ frame that holds an object with
// a destructor is undefined, so the browser makes every call that can raise a script error through
// a protected call (duk_pcall, duk_safe_call, duk_peval) from C++ code, and its native functions
// raise errors only from frames that hold no such object.
#pragma once

#include <duktape.h>

#include <memory>

namespace test_support {

struct DuktapeHeapDeleter {
    void operator()(duk_context* context) const noexcept { duk_destroy_heap(context); }
};
using DuktapeHeap = std::unique_ptr<duk_context, DuktapeHeapDeleter>;

// A new heap. An error raised outside every protected call is fatal in Duktape (it may not
// return); the handler names it on the standard error before the process ends.
DuktapeHeap createDuktapeHeap();

}  // namespace test_support
