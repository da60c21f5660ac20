// The application's factory: the framework asks it for the plug-in object of every instance, for
// either binding. One exists per process (sharedFactory, declared with the factory base).
#pragma once

#include "host/factory_base.h"

#include <memory>
#include <string>

class PluginFactory : public FB::FactoryBase {
public:
    // A new Veltrin for every MIME type.
    std::shared_ptr<FB::PluginCore> makePluginObject(const std::string& mimetype) override;
    void processStartHook() override {}
    void processEndHook() override {}
};
