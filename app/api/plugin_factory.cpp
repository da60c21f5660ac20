#include "app/api/plugin_factory.h"

#include "app/api/veltrin.h"

std::shared_ptr<FB::PluginCore> PluginFactory::makePluginObject(const std::string&) {
    return std::make_shared<Veltrin>();
}

// Made on the first call (safely, whichever thread makes it) and released at process exit.
FB::FactoryBasePtr sharedFactory() {
    static const FB::FactoryBasePtr factory = std::make_shared<PluginFactory>();
    return factory;
}
