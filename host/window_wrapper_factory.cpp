#include "host/factory_base.h"

namespace FB {

PluginWindowWin* FactoryBase::makeWindowedWrapper(const WindowContextWindowed&) {
    return nullptr;
}

PluginWindowlessWin* FactoryBase::makeWindowlessWrapper(const WindowContextWindowless&) {
    return nullptr;
}

}  // namespace FB
