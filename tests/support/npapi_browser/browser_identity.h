// What the stand-in browser says it is: its user agent and the version of the function table it
// hands the plug-in. From them the plug-in picks, with its first instance in the process, how its
// hosts bring work to the browser's main thread: through NPN_PluginThreadAsyncCall, or (for a
// Safari-like agent such as QtWebKit's, or a table older than version 19) through a message
// window of their own. The library stays loaded for the rest of the process, and so does the pick.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace test_support {

enum class PluginHost { AsyncCall, MessageWindow };

struct BrowserIdentity {
    std::string name;  // a word for test names
    std::string userAgent;
    uint16_t tableVersion = 26;
    PluginHost host = PluginHost::AsyncCall;  // the host the plug-in picks for such a browser
};

void PrintTo(const BrowserIdentity& identity, std::ostream* out);

// The stand-in's own agent with QtWebKit's table (version 26): the async-call host.
BrowserIdentity plainBrowser();
// QtWebKit's kind of agent, "Safari" in it: the message-window host.
BrowserIdentity safariLikeBrowser();
// A table of version 18, which has no NPN_PluginThreadAsyncCall: the message-window host.
BrowserIdentity oldTableBrowser();
// One browser of each kind above.
std::vector<BrowserIdentity> browsersOfEveryHost();

// Whether a stand-in browser of this identity can meet the host it picks in this process: no
// plug-in instance has been made yet, or the first one was made by a browser picking the same.
// Any thread.
bool pluginCanPickHostOf(const BrowserIdentity& identity);
// A stand-in browser of this identity is asking for a plug-in instance.
void notePluginInstanceAskedBy(const BrowserIdentity& identity);

}  // namespace test_support
