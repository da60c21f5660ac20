// Hidden Duktape keys of the script bridge. A leading 0xFF byte makes a key no script can name, and
// such keys are read from a proxy's target without running any of its traps.
#pragma once

namespace test_support {

constexpr const char* kBridgeKey =
    "\xFF"
    "bridge";  // stash: the ScriptBridge
constexpr const char* kProxyHandlerKey =
    "\xFF"
    "proxyHandler";  // stash: the traps of every proxy
constexpr const char* kPageObjectKey =
    "\xFF"
    "npPageObject";  // script object: its page object
constexpr const char* kProxyRecordKey =
    "\xFF"
    "npProxyRecord";  // proxy target or method function

}  // namespace test_support
