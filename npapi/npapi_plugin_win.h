// The NPAPI plug-in object of the Windows platform: it wraps the window the browser gives (a
// window handle for a windowed instance, a drawing context and position for a windowless one) in
// the matching plug-in window and attaches it to the core, and forwards a windowless instance's
// events to it.
#pragma once

#include "host/plugin_window.h"
#include "npapi/npapi_plugin.h"

#include <memory>
#include <string>

namespace FB::Npapi {

class NpapiPluginWin : public NpapiPlugin {
public:
    NpapiPluginWin(const NpapiBrowserHostPtr& host, const std::string& mimetype);
    // The window goes before the rest; the core is detached from it first.
    ~NpapiPluginWin() override;

    // Always 0 for a usable window; NPERR_INVALID_PARAM for a window handle that names no window.
    NPError SetWindow(NPWindow* window) override;
    int16_t HandleEvent(void* event) override;

    // Asks the browser to repaint part of a windowless instance; any thread.
    void invalidateWindow(int left, int top, int right, int bottom);

private:
    void clearWindow();
    NPError setWindowed(NPWindow* window);
    void setWindowless(NPWindow* window);
    HWND browserWindow() const;

    std::unique_ptr<PluginWindow> m_pluginWindow;
};

// What the factory's NPAPI entry makes for every instance.
std::shared_ptr<NpapiPlugin> makeWindowsNpapiPlugin(const NpapiBrowserHostPtr& host, const std::string& mimetype);

}  // namespace FB::Npapi
