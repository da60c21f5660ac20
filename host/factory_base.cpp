#include "host/factory_base.h"

#include "host/binding_factory_hooks.h"

#include <stdexcept>

namespace FB {

std::shared_ptr<Npapi::NpapiPlugin> FactoryBase::makeNpapiPluginObject(const std::shared_ptr<BrowserHost>& host,
                                                                       const std::string& mimetype) {
    const auto& make = bindingFactoryHooks().makeNpapiPlugin;
    if (!make) throw std::runtime_error("No NPAPI binding available");
    return make(host, mimetype);
}

IDispatchEx* FactoryBase::createCOMJSObject(const std::shared_ptr<BrowserHost>& host, const std::weak_ptr<JSAPI>& api,
                                            bool autoRelease) {
    const auto& create = bindingFactoryHooks().createCOMJSObject;
    return create ? create(host, api, autoRelease) : nullptr;
}

HRESULT FactoryBase::updateRegistry(bool install) {
    const auto& update = bindingFactoryHooks().updateRegistry;
    return update ? update(install) : E_NOTIMPL;
}

}  // namespace FB
