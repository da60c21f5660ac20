// The script operations both stand-ins run for the other side on a script object of the page
// (member tests, reads, writes, deletions, calls, construction, listing), each under a protected
// call so that a script error comes back as a value, and the conversions of script numbers and
// strings they share.
#pragma once

#include <duktape.h>

#include <string>

namespace test_support {

enum class ScriptOperation {
    Has,              // key in object
    HasMethod,        // typeof object[key] is callable
    Get,              // object[key]
    Set,              // object[key] = the one value; true
    Delete,           // delete object[key]
    Call,             // object.call(this, values...)
    CallMember,       // object[key].call(this, values...)
    Construct,        // new object(values...)
    ConstructMember,  // new object[key](values...)
    OwnKeys,          // the object's own enumerable keys, as an array
};

// Takes the script object, the member key (undefined when there is none), the this-value and
// `valueCount` values from the top of the stack and leaves the answer in their place, or the error
// thrown; answers whether the operation succeeded.
bool runScriptOperation(duk_context* context, ScriptOperation operation, duk_idx_t valueCount);

// Whether a script number passes as a 32-bit integer (so not -0).
bool isInt32Number(double number);

// The string at the index as UTF-8; `asKey` converts any value as a property key would.
std::string scriptText(duk_context* context, duk_idx_t index, bool asKey = false);

}  // namespace test_support
