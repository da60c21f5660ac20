// Hidden Duktape keys of the script bridge. A leading 0xFF byte makes a key no script can name, and
// such keys are read from a proxy's target without running any of its traps. (Each name starts with
// a letter that is no hex digit, so that the escape ends where it should.)
#pragma once

#include "tests/support/page_engine/record_proxy.h"

namespace test_support {

constexpr const char* kBridgeKey = "\xFFnpBridge";              // stash: the ScriptBridge
constexpr const char* kProxyHandlerKey = "\xFFnpProxyHandler";  // stash: the traps of every proxy
constexpr const char* kPageObjectKey = "\xFFnpPageObject";      // script object: its page object
constexpr const char* kProxyRecordKey = "\xFFnpProxyRecord";    // proxy target or method function
constexpr const char* kProxyKey = "\xFFnpProxy";                // proxy target: its proxy

constexpr RecordProxyKeys kNpProxyKeys{kProxyHandlerKey, kProxyRecordKey, kProxyKey, kPageObjectKey};

}  // namespace test_support
