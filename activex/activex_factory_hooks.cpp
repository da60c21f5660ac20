#include "activex/activex_factory_hooks.h"

#include "activex/activex_browser_host.h"
#include "activex/com_javascript_object.h"
#include "activex/com_module.h"
#include "host/binding_factory_hooks.h"

#include <mutex>
#include <stdexcept>

namespace FB::ActiveX {

void registerActiveXFactoryHooks() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        bindingFactoryHooks().createCOMJSObject = [](const std::shared_ptr<BrowserHost>& host,
                                                     const std::weak_ptr<JSAPI>& api, bool autoRelease) {
            auto activexHost = std::dynamic_pointer_cast<ActiveXBrowserHost>(host);
            if (!activexHost) throw std::runtime_error("A COM scripting object needs an ActiveX browser host");
            return COMJavascriptObject::wrapApi(activexHost, api, autoRelease);
        };
        bindingFactoryHooks().updateRegistry = [](bool install) {
            return ComModule::instance().updateControlRegistry(install);
        };
    });
}

}  // namespace FB::ActiveX
