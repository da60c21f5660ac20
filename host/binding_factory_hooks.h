// The factory's operations that make binding objects are supplied by the bindings themselves, so
// that the host core never depends on a binding: each binding fills its entries once, when the
// browser first initialises it, and the factory's operations call them.
#pragma once

#include "platform/base/win_types.h"

#include <functional>
#include <memory>
#include <string>

struct IDispatchEx;

namespace FB {

class BrowserHost;
class JSAPI;
namespace Npapi {
class NpapiPlugin;
}

struct BindingFactoryHooks {
    std::function<std::shared_ptr<Npapi::NpapiPlugin>(const std::shared_ptr<BrowserHost>&, const std::string& mimetype)>
        makeNpapiPlugin;
    std::function<IDispatchEx*(const std::shared_ptr<BrowserHost>&, const std::weak_ptr<JSAPI>&, bool autoRelease)>
        createCOMJSObject;
    std::function<HRESULT(bool install)> updateRegistry;
    // Whether the COM module object failed to initialise; set from the COM binding's static
    // initialisers, which run before the library's entry point.
    std::function<bool()> comModuleInitFailed;
};

BindingFactoryHooks& bindingFactoryHooks();

}  // namespace FB
