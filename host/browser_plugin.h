// The binding-side holder of the application's plug-in object: base of the NPAPI plug-in wrapper
// and of the ActiveX control. It asks the process-wide factory for the plug-in object and hands
// it the plug-in's file path.
#pragma once

#include <memory>
#include <string>

namespace FB {

class PluginCore;

class BrowserPlugin {
public:
    explicit BrowserPlugin(const std::string& mimetype);
    BrowserPlugin(const BrowserPlugin&) = delete;
    BrowserPlugin& operator=(const BrowserPlugin&) = delete;
    virtual ~BrowserPlugin();

    virtual void shutdown() = 0;
    virtual void setPluginPath(const std::string& path);

    std::shared_ptr<PluginCore> pluginCore() const { return m_pluginCore; }
    std::string pluginPath() const { return m_pluginPath; }

protected:
    std::string m_pluginPath;
    std::shared_ptr<PluginCore> m_pluginCore;
};

}  // namespace FB
