// The browser's NPN functions as the plug-in calls them: plain functions with no browser pointer,
// which reach the session attached here. Each checks that it runs on the browser's main thread
// and records a fault otherwise; NPN_PluginThreadAsyncCall alone may be called from any thread.
#pragma once

#include "platform/npapi/npfunctions.h"

#include <cstdint>

namespace test_support {

class BrowserSession;

// One session at a time per process; a second attach throws std::logic_error.
void attachBrowserSession(BrowserSession& session);
void detachBrowserSession();

// The whole table, with its size and the given version (26 is QtWebKit's); an entry no test needs
// records a fault when called.
NPNetscapeFuncs browserFunctionTable(uint16_t version = 26);

}  // namespace test_support
