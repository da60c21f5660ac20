#include "host/factory_base.h"

#include "host/plugin_window_win.h"
#include "host/plugin_windowless_win.h"

namespace FB {

PluginWindowWin* FactoryBase::makeWindowedWrapper(const WindowContextWindowed& context) {
    return new PluginWindowWin(context);
}

PluginWindowlessWin* FactoryBase::makeWindowlessWrapper(const WindowContextWindowless& context) {
    return new PluginWindowlessWin(context);
}

}  // namespace FB
