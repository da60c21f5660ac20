#include "tests/support/npapi_browser/browser_identity.h"

#include <atomic>

namespace test_support {

namespace {

constexpr int kNoHostYet = -1;

std::atomic<int>& firstHost() {
    static std::atomic<int> host{kNoHostYet};
    return host;
}

}  // namespace

void PrintTo(const BrowserIdentity& identity, std::ostream* out) { *out << identity.name; }

BrowserIdentity plainBrowser() {
    return {"Plain", "Mozilla/5.0 (X11; Linux x86_64) StandInBrowser/1.0", 26, PluginHost::AsyncCall};
}

BrowserIdentity safariLikeBrowser() {
    return {"SafariLike",
            "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/602.1 (KHTML, like Gecko) StandInBrowser/1.0 Safari/602.1", 26,
            PluginHost::MessageWindow};
}

BrowserIdentity oldTableBrowser() {
    return {"OldTable", "Mozilla/5.0 (X11; Linux x86_64) StandInBrowser/1.0", 18, PluginHost::MessageWindow};
}

std::vector<BrowserIdentity> browsersOfEveryHost() { return {plainBrowser(), safariLikeBrowser(), oldTableBrowser()}; }

bool pluginCanPickHostOf(const BrowserIdentity& identity) {
    const int first = firstHost().load();
    return first == kNoHostYet || first == static_cast<int>(identity.host);
}

void notePluginInstanceAskedBy(const BrowserIdentity& identity) {
    int expected = kNoHostYet;
    firstHost().compare_exchange_strong(expected, static_cast<int>(identity.host));
}

}  // namespace test_support
