// Hidden Duktape keys of the container's COM bridge. A leading 0xFF byte makes a key no script can
// name, and such keys are read from a proxy's target without running any of its traps. (The byte
// is a literal of its own, so that the escape ends where it should.)
#pragma once

#include "tests/support/page_engine/record_proxy.h"

namespace test_support {

constexpr const char* kComBridgeKey =
    "\xFF"
    "comBridge";  // stash: the ComBridge
constexpr const char* kComProxyHandlerKey =
    "\xFF"
    "comProxyHandler";  // stash: the traps of every proxy
constexpr const char* kComPageObjectKey =
    "\xFF"
    "comPageObject";  // script object: its PageDispatch
constexpr const char* kComProxyRecordKey =
    "\xFF"
    "comProxyRecord";  // proxy target: its record
constexpr const char* kComProxyKey =
    "\xFF"
    "comProxy";  // proxy target: its proxy

constexpr RecordProxyKeys kComProxyKeys{kComProxyHandlerKey, kComProxyRecordKey, kComProxyKey, kComPageObjectKey};

}  // namespace test_support
