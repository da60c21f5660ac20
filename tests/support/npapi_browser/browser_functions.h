// The browser's NPN functions as the plug-in calls them: plain functions with no browser pointer,
// which reach the session attached here. Each checks that it runs on the browser's main thread
// and records a fault otherwise.
#pragma once

#include "platform/npapi/npfunctions.h"

namespace test_support {

class BrowserSession;

// One session at a time per process; a second attach throws std::logic_error.
void attachBrowserSession(BrowserSession& session);
void detachBrowserSession();

// The whole table, with size and version set; an entry no test needs records a fault when called.
NPNetscapeFuncs browserFunctionTable();

}  // namespace test_support
