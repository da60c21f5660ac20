// The bridge between a Linux browser that loads windowless plug-ins (QtWebKit) and npVeltrin.so,
// which was written for a Windows browser and its windowed plug-ins. Towards the browser it is a
// windowless X11 plug-in; towards npVeltrin.so it is that Windows browser: it makes the plug-in's
// window in the platform stand-in, paints the window's pixels into the page and turns the page's
// input into the window's. Script calls, identifiers and objects pass between the two unchanged:
// npVeltrin.so gets the browser's own function table, with only the window functions replaced.
// One per process, made by NP_Initialize; browser's main thread only.
#pragma once

#include "tools/desktop_bridge/bridge_instance.h"
#include "tools/desktop_bridge/main_thread_pump.h"
#include "tools/desktop_bridge/paint_timing.h"
#include "tools/desktop_bridge/plugin_module.h"
#include "tools/desktop_bridge/screen_mirror.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace desktop {

class DesktopBridge {
public:
    // Loads npVeltrin.so and starts it with a copy of the browser's table; throws
    // std::runtime_error when the library cannot be loaded or started.
    explicit DesktopBridge(const NPNetscapeFuncs& browser);
    ~DesktopBridge();  // shuts npVeltrin.so down
    DesktopBridge(const DesktopBridge&) = delete;
    DesktopBridge& operator=(const DesktopBridge&) = delete;

    // The bridge's callbacks for the browser.
    static void fillPluginFuncs(NPPluginFuncs& funcs);

    // The bridge of the process, while there is one.
    static DesktopBridge* current();

private:
    // NPP callbacks, from the browser.
    static NPError newInstance(NPMIMEType type, NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                               NPSavedData* saved);
    static NPError destroyInstance(NPP instance, NPSavedData** save);
    static NPError setWindow(NPP instance, NPWindow* window);
    static int16_t handleEvent(NPP instance, void* event);
    static NPError getValue(NPP instance, NPPVariable variable, void* value);
    static NPError setValue(NPP instance, NPNVariable variable, void* value);
    static NPError newStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
    static NPError destroyStream(NPP instance, NPStream* stream, NPReason reason);
    static void streamAsFile(NPP instance, NPStream* stream, const char* fname);
    static int32_t writeReady(NPP instance, NPStream* stream);
    static int32_t write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
    static void urlNotify(NPP instance, const char* url, NPReason reason, void* notifyData);

    // Browser functions npVeltrin.so gets in place of the browser's own.
    static NPError pluginGetValue(NPP instance, NPNVariable variable, void* value);
    static NPError pluginSetValue(NPP instance, NPPVariable variable, void* value);
    static void pluginInvalidateRect(NPP instance, NPRect* rect);
    static void pluginInvalidateRegion(NPP instance, NPRegion region);
    static void pluginForceRedraw(NPP instance);

    // Pixels changed in a stand-in window: its new picture is kept for the page, and a repaint of
    // its instance asked for when none is under way.
    void pixelsChanged(HWND window);
    // Asks the browser, through its main thread, to paint the instance again (any thread).
    void scheduleRepaint(NPP instance, uintptr_t serial);
    static void askRepaint(void* serial);

    static BridgeInstance* find(NPP instance);

    NPNetscapeFuncs browser_{};
    NPNetscapeFuncs forPlugin_{};
    NPPluginFuncs plugin_{};
    PluginModule library_;
    PaintTiming timing_;
    std::map<NPP, std::unique_ptr<BridgeInstance>> instances_;
    // The pictures of the instances' windows, for the threads that draw into them.
    struct WatchedPicture {
        NPP instance;
        uintptr_t serial;  // names the instance in a repaint that reaches the main thread later
        std::shared_ptr<WindowPicture> picture;
    };
    const std::thread::id mainThread_ = std::this_thread::get_id();  // the browser's main thread
    std::mutex picturesLock_;
    std::map<HWND, WatchedPicture> pictures_;  // guarded by picturesLock_
    uintptr_t nextSerial_ = 1;
    ScreenMirror mirror_;  // the plug-in's full-screen windows
    std::optional<MainThreadPump> pump_;
};

}  // namespace desktop
