#include "host/plugin_core.h"

#include "host/browser_host.h"
#include "host/framework_log.h"
#include "host/plugin_window.h"

#include <exception>

namespace FB {

namespace {

// Changed only on the browser's main thread, where every core is made and destroyed.
int32_t g_activeCoreCount = 0;
std::string g_platformOS;
std::string g_platformBrowser;

}  // namespace

PluginCore::PluginCore() { ++g_activeCoreCount; }

PluginCore::~PluginCore() {
    if (m_host) m_host->shutdown();
    --g_activeCoreCount;
}

void PluginCore::setHost(const std::shared_ptr<BrowserHost>& host) { m_host = host; }

PluginWindow* PluginCore::getWindow() const { return m_window; }

void PluginCore::setFlag(bool flag) { m_flag = flag; }

bool PluginCore::getFlag() const { return m_flag; }

void PluginCore::SetWindow(PluginWindow* window) {
    frameworkLog("PluginCore", "Window Set");
    if (m_window && m_window != window) ClearWindow();
    m_window = window;
    if (window) window->addObserver(this);
}

void PluginCore::ClearWindow() {
    frameworkLog("PluginCore", "Window Cleared");
    if (!m_window) return;
    m_window->removeObserver(this);
    m_window = nullptr;
}

bool PluginCore::markReady() {
    frameworkLog("PluginCore", "Plugin Ready");
    bool invoked = false;
    try {
        auto onload = m_params.find("onload");
        if (onload != m_params.end() && m_host) {
            m_host->installCallHelper(this);
            JSObjectPtr handler = onload->second.convertTo<JSObjectPtr>();
            if (handler) {
                frameworkLog("PluginCore", "InvokeDelayed(onload)");
                m_host->InvokeDelayed(250, handler, VariantList{variant(rootScriptingObject())}, "");
                invoked = true;
            }
        }
    } catch (...) {
        // Whatever the page did, the plug-in is ready.
    }
    handleReady();
    return invoked;
}

JSAPIPtr PluginCore::rootScriptingObject() {
    if (!m_rootScriptingObject) m_rootScriptingObject = makeScriptingObject();
    return m_rootScriptingObject;
}

bool PluginCore::answersWindowless() {
    if (m_windowless) return *m_windowless;
    bool windowless = false;
    auto found = m_params.find("windowless");
    if (found != m_params.end()) {
        try {
            windowless = found->second.convertTo<bool>();
        } catch (const std::bad_cast&) {
            windowless = false;
        }
    }
    m_windowless = windowless;
    return windowless;
}

void PluginCore::setPluginPath(const std::string& path) { m_pluginPath = path; }

std::string PluginCore::getPluginPath() const { return m_pluginPath; }

variant PluginCore::resolveEventHandler(const std::string& name, const variant& value) {
    try {
        const std::string functionName = value.convertTo<std::string>();
        DOM::WindowPtr window = m_host ? m_host->pageWindow() : DOM::WindowPtr();
        JSObjectPtr handler = window ? window->getProperty<JSObjectPtr>(functionName) : JSObjectPtr();
        frameworkLog("PluginCore", "Found <param> event handler: " + name);
        return variant(handler);
    } catch (const std::exception& e) {
        frameworkLog("PluginCore", "Exception processing <param> " + name + ": " + e.what());
        return value;
    }
}

void PluginCore::takeParamList(const std::map<std::string, variant>& params) {
    for (const auto& [name, value] : params) {
        if (name.size() >= 2 && name.compare(0, 2, "on") == 0) {
            m_params[name] = resolveEventHandler(name, value);
        } else {
            m_params[name] = value;
        }
    }
}

std::optional<std::string> PluginCore::paramValue(const std::string& name) {
    auto found = m_params.find(name);
    if (found == m_params.end()) return std::nullopt;
    return found->second.convertTo<std::string>();
}

void PluginCore::setPlatform(const std::string& osName, const std::string& browserName) {
    if (&osName != &g_platformOS) g_platformOS = osName;
    if (&browserName != &g_platformBrowser) g_platformBrowser = browserName;
}

int32_t PluginCore::activeCoreCount() { return g_activeCoreCount; }

}  // namespace FB
