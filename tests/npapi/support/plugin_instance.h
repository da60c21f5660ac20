// One plug-in instance driven the way a browser drives it: the entry points, NPP_New with the
// given <param> values, and at the end NPP_Destroy and NP_Shutdown.
#pragma once

#include "npapi/npapi_browser_host.h"
#include "npapi/npapi_plugin.h"
#include "tests/npapi/support/test_browser.h"
#include "tests/npapi/support/test_plugin.h"

#include <string>
#include <utility>
#include <vector>

namespace npapi_test {

using Params = std::vector<std::pair<std::string, std::string>>;

class PluginInstance {
public:
    explicit PluginInstance(TestBrowser& browser, const Params& params = {});
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // NPP_GetValue for the scriptable object: one reference for the caller.
    NPObject* scriptable();
    NPError destroy();

    FB::Npapi::NpapiBrowserHostPtr host() const;
    FB::Npapi::NpapiPluginPtr plugin() const;
    TestPluginCore& core() const;
    std::shared_ptr<TestApi> api() const;

    TestBrowser& browser;
    NPPluginFuncs pluginFuncs{};
    NPError created = NPERR_GENERIC_ERROR;

private:
    bool m_destroyed = false;
};

}  // namespace npapi_test
