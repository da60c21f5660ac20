#include "host/binding_factory_hooks.h"

namespace FB {

BindingFactoryHooks& bindingFactoryHooks() {
    static BindingFactoryHooks hooks;
    return hooks;
}

}  // namespace FB
