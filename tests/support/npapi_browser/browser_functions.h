// The browser's NPN functions as the plug-in calls them: plain functions with no browser pointer,
// which reach the session attached here. Each checks that it runs on the browser's main thread
// (NPN_PluginThreadAsyncCall alone may be called from any thread) and records a fault otherwise.
#pragma once

#include "tests/support/page_engine/browser_main_thread.h"

#include "platform/npapi/npfunctions.h"

namespace test_support {

class BrowserSession;

// One session at a time per process; a second attach throws std::logic_error.
void attachBrowserSession(BrowserSession& session, BrowserMainThread& mainThread);
void detachBrowserSession();

// Every entry this browser offers, with size and version set.
NPNetscapeFuncs browserFunctionTable();

}  // namespace test_support
