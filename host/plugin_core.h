// The browser-neutral base of the application's plug-in object, one per plug-in instance on a
// page. The bindings hand it the browser host, the plug-in file path and the page's <param>
// values, give it a window when the browser supplies one, and tell it when it is ready; it
// receives the window's events as a sink and makes the root scripting object on first request.
#pragma once

#include "host/plugin_event_sink.h"
#include "scripting/jsapi.h"
#include "scripting/variant.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace FB {

class BrowserHost;
class PluginWindow;

class PluginCore : public PluginEventSink {
public:
    PluginCore();
    // Shuts the host down when one is held.
    ~PluginCore() override;

    bool handleEvent(PluginEvent* event, PluginEventSource* source) override = 0;
    virtual void setHost(const std::shared_ptr<BrowserHost>& host);
    virtual PluginWindow* getWindow() const;
    virtual void setFlag(bool flag);
    virtual bool getFlag() const;
    // Detaches from a different window first; the new one sends an AttachedEvent.
    virtual void SetWindow(PluginWindow* window);
    virtual void ClearWindow();
    // Schedules the page's "onload" handler 250 ms later; true when that call was issued.
    virtual bool markReady();
    virtual void handleReady() {}
    virtual void shutdown() {}
    virtual JSAPIPtr makeScriptingObject() = 0;
    virtual JSAPIPtr rootScriptingObject();
    virtual bool answersWindowless();
    virtual void setPluginPath(const std::string& path);
    virtual std::string getPluginPath() const;
    // Names that start with "on" are event handlers: their value names a function of the page's
    // window, which is looked up now.
    virtual void takeParamList(const std::map<std::string, variant>& params);
    virtual std::optional<std::string> paramValue(const std::string& name);

    // Kept for the whole process; nothing reads them back.
    static void setPlatform(const std::string& osName, const std::string& browserName);
    // The cores alive now; the COM unload check runs the factory's end hook only at 0.
    static int32_t activeCoreCount();

protected:
    std::shared_ptr<BrowserHost> m_host;
    std::string m_pluginPath;
    std::map<std::string, variant> m_params;
    PluginWindow* m_window = nullptr;
    JSAPIPtr m_rootScriptingObject;
    std::optional<bool> m_windowless;
    bool m_flag = false;

private:
    variant resolveEventHandler(const std::string& name, const variant& value);
};

}  // namespace FB
