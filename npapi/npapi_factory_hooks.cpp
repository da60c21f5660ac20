#include "npapi/npapi_factory_hooks.h"

#include "host/binding_factory_hooks.h"
#include "npapi/npapi_browser_host.h"
#include "npapi/npapi_plugin_win.h"

#include <stdexcept>

namespace FB::Npapi {

void registerNpapiFactoryHooks() {
    auto& make = bindingFactoryHooks().makeNpapiPlugin;
    if (make) return;
    make = [](const std::shared_ptr<BrowserHost>& host, const std::string& mimetype) {
        auto npapiHost = std::dynamic_pointer_cast<NpapiBrowserHost>(host);
        if (!npapiHost) throw std::runtime_error("An NPAPI plug-in needs an NPAPI browser host");
        return makeWindowsNpapiPlugin(npapiHost, mimetype);
    };
}

}  // namespace FB::Npapi
