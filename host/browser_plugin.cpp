#include "host/browser_plugin.h"

#include "host/factory_base.h"
#include "host/plugin_core.h"

namespace FB {

BrowserPlugin::BrowserPlugin(const std::string& mimetype) : m_pluginCore(sharedFactory()->makePluginObject(mimetype)) {}

// The plug-in object goes before the path, as they were taken.
BrowserPlugin::~BrowserPlugin() { m_pluginCore.reset(); }

void BrowserPlugin::setPluginPath(const std::string& path) {
    if (&path != &m_pluginPath) m_pluginPath = path;
    if (m_pluginCore) m_pluginCore->setPluginPath(m_pluginPath);
}

}  // namespace FB
