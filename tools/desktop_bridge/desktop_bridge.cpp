#include "tools/desktop_bridge/desktop_bridge.h"

#include "platform/window/win_surface_host.h"
#include "platform/window/win_window.h"

#include <cassert>
#include <cstdio>
#include <cstring>
#include <exception>

namespace desktop {

namespace {

DesktopBridge* currentBridge = nullptr;

// Nothing may unwind into the browser: a callback that throws answers its fallback.
template <typename Result, typename Work>
Result guarded(Result fallback, Work&& work) noexcept {
    try {
        return work();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "desktop bridge: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "desktop bridge: unknown failure\n");
    }
    return fallback;
}

// A browser function table copied as far as both records reach.
void copyTable(NPNetscapeFuncs& to, const NPNetscapeFuncs& from) {
    to = NPNetscapeFuncs{};
    std::memcpy(&to, &from, std::min<size_t>(from.size, sizeof(NPNetscapeFuncs)));
}

}  // namespace

DesktopBridge* DesktopBridge::current() { return currentBridge; }

DesktopBridge::DesktopBridge(const NPNetscapeFuncs& browser) : library_(PluginModule::besideBridge()) {
    copyTable(browser_, browser);
    // A window the plug-in destroyed while its messages ran leaves the screen.
    pump_.emplace(browser_.size >= NP_TABLE_SIZE_THROUGH(NPNetscapeFuncs, pluginthreadasynccall)
                      ? browser_.pluginthreadasynccall
                      : nullptr,
                  [this] { mirror_.recheck(); });
    forPlugin_ = browser_;
    forPlugin_.getvalue = &DesktopBridge::pluginGetValue;
    forPlugin_.setvalue = &DesktopBridge::pluginSetValue;
    forPlugin_.invalidaterect = &DesktopBridge::pluginInvalidateRect;
    forPlugin_.invalidateregion = &DesktopBridge::pluginInvalidateRegion;
    forPlugin_.forceredraw = &DesktopBridge::pluginForceRedraw;

    plugin_.size = sizeof(plugin_);
    NPError result = library_.entryPoints().getEntryPoints(&plugin_);
    if (result == NPERR_NO_ERROR) result = library_.entryPoints().initialize(&forPlugin_);
    if (result != NPERR_NO_ERROR) throw std::runtime_error("the plug-in library refused to start");
    currentBridge = this;
    platform::embedding::setPixelsChangedListener([this](HWND window) { pixelsChanged(window); });
}

DesktopBridge::~DesktopBridge() {
    platform::embedding::setPixelsChangedListener(nullptr);
    instances_.clear();  // what a browser left: its windows go before the plug-in's module
    library_.entryPoints().shutdown();
    pump_.reset();
    currentBridge = nullptr;
}

void DesktopBridge::fillPluginFuncs(NPPluginFuncs& funcs) {
    funcs.newp = &DesktopBridge::newInstance;
    funcs.destroy = &DesktopBridge::destroyInstance;
    funcs.setwindow = &DesktopBridge::setWindow;
    funcs.newstream = &DesktopBridge::newStream;
    funcs.destroystream = &DesktopBridge::destroyStream;
    funcs.asfile = &DesktopBridge::streamAsFile;
    funcs.writeready = &DesktopBridge::writeReady;
    funcs.write = &DesktopBridge::write;
    funcs.print = nullptr;  // the print record holds a window record of the other layout
    funcs.event = &DesktopBridge::handleEvent;
    funcs.urlnotify = &DesktopBridge::urlNotify;
    funcs.getvalue = &DesktopBridge::getValue;
    funcs.setvalue = &DesktopBridge::setValue;
}

BridgeInstance* DesktopBridge::find(NPP instance) {
    if (!currentBridge) return nullptr;
    assert(std::this_thread::get_id() == currentBridge->mainThread_);
    auto found = currentBridge->instances_.find(instance);
    return found == currentBridge->instances_.end() ? nullptr : found->second.get();
}

NPError DesktopBridge::newInstance(NPMIMEType type, NPP instance, uint16_t mode, int16_t argc, char* argn[],
                                   char* argv[], NPSavedData* saved) {
    return guarded<NPError>(NPERR_GENERIC_ERROR, [&]() -> NPError {
        DesktopBridge* bridge = currentBridge;
        if (!bridge || !instance) return NPERR_INVALID_INSTANCE_ERROR;
        assert(std::this_thread::get_id() == bridge->mainThread_);
        // Towards the browser the plug-in is windowless and opaque: it paints every pixel of its
        // rectangle.
        if (bridge->browser_.setvalue) {
            bridge->browser_.setvalue(instance, NPPVpluginWindowBool, nullptr);
            bridge->browser_.setvalue(instance, NPPVpluginTransparentBool, nullptr);
        }
        const uintptr_t serial = bridge->nextSerial_++;
        bridge->instances_[instance] = std::make_unique<BridgeInstance>(
            instance, serial, bridge->plugin_, bridge->timing_,
            [bridge, instance, serial] { bridge->scheduleRepaint(instance, serial); });
        bridge->pump_->addInstance(instance);
        const NPError result = bridge->plugin_.newp
                                   ? bridge->plugin_.newp(type, instance, mode, argc, argn, argv, saved)
                                   : NPERR_INVALID_FUNCTABLE_ERROR;
        if (result != NPERR_NO_ERROR) {
            bridge->instances_.erase(instance);
            bridge->pump_->removeInstance(instance);
        }
        return result;
    });
}

NPError DesktopBridge::destroyInstance(NPP instance, NPSavedData** save) {
    return guarded<NPError>(NPERR_GENERIC_ERROR, [&]() -> NPError {
        DesktopBridge* bridge = currentBridge;
        BridgeInstance* found = find(instance);
        if (!found) return NPERR_INVALID_INSTANCE_ERROR;
        // The plug-in lets go of its window and stops first (its threads end); then its windows go.
        found->detachWindow();
        const NPError result = bridge->plugin_.destroy ? bridge->plugin_.destroy(instance, save) : NPERR_NO_ERROR;
        {
            std::lock_guard<std::mutex> hold(bridge->picturesLock_);
            bridge->pictures_.erase(found->pluginWindow());
        }
        if (found->picture()) {
            const std::shared_ptr<WindowPicture>& picture = found->picture();
            bridge->timing_.countPictures(picture->counts(WindowPicture::Period::kOpening),
                                          picture->counts(WindowPicture::Period::kAfter));
        }
        bridge->instances_.erase(instance);
        bridge->pump_->removeInstance(instance);
        if (bridge->instances_.empty()) bridge->mirror_.stop();
        // A browser may keep the plug-in loaded to the end of the process: the figures are told
        // when the last instance goes.
        if (bridge->instances_.empty()) bridge->timing_.report();
        return result;
    });
}

NPError DesktopBridge::setWindow(NPP instance, NPWindow* window) {
    return guarded<NPError>(NPERR_GENERIC_ERROR, [&]() -> NPError {
        BridgeInstance* found = find(instance);
        if (!found) return NPERR_INVALID_INSTANCE_ERROR;
        if (!window) return NPERR_NO_ERROR;
        // The browser lays the record out in its own (X11) form.
        const NPError result = found->setWindow(*static_cast<const X11PluginWindow*>(static_cast<void*>(window)));
        DesktopBridge* bridge = currentBridge;
        if (Display* display = found->display()) bridge->mirror_.setDisplay(DisplayString(display));
        if (found->picture()) {
            std::lock_guard<std::mutex> hold(bridge->picturesLock_);
            bridge->pictures_[found->pluginWindow()] = WatchedPicture{instance, found->serial(), found->picture()};
        }
        return result;
    });
}

int16_t DesktopBridge::handleEvent(NPP instance, void* event) {
    return guarded<int16_t>(0, [&]() -> int16_t {
        BridgeInstance* found = find(instance);
        if (!found || !event) return 0;
        return found->handleEvent(*static_cast<const XEvent*>(event));
    });
}

NPError DesktopBridge::getValue(NPP instance, NPPVariable variable, void* value) {
    return guarded<NPError>(NPERR_GENERIC_ERROR, [&]() -> NPError {
        DesktopBridge* bridge = currentBridge;
        if (!bridge) return NPERR_GENERIC_ERROR;
        if (variable == kPluginNeedsXEmbed) {
            if (!value) return NPERR_INVALID_PARAM;
            *static_cast<NPBool*>(value) = 0;  // windowless: painted through X events
            return NPERR_NO_ERROR;
        }
        return bridge->plugin_.getvalue ? bridge->plugin_.getvalue(instance, variable, value) : NPERR_GENERIC_ERROR;
    });
}

NPError DesktopBridge::setValue(NPP instance, NPNVariable variable, void* value) {
    return guarded<NPError>(NPERR_GENERIC_ERROR, [&]() -> NPError {
        DesktopBridge* bridge = currentBridge;
        if (!bridge || !bridge->plugin_.setvalue) return NPERR_GENERIC_ERROR;
        return bridge->plugin_.setvalue(instance, variable, value);
    });
}

NPError DesktopBridge::newStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype) {
    return guarded<NPError>(NPERR_GENERIC_ERROR, [&]() -> NPError {
        DesktopBridge* bridge = currentBridge;
        if (!bridge || !bridge->plugin_.newstream) return NPERR_GENERIC_ERROR;
        return bridge->plugin_.newstream(instance, type, stream, seekable, stype);
    });
}

NPError DesktopBridge::destroyStream(NPP instance, NPStream* stream, NPReason reason) {
    return guarded<NPError>(NPERR_GENERIC_ERROR, [&]() -> NPError {
        DesktopBridge* bridge = currentBridge;
        if (!bridge || !bridge->plugin_.destroystream) return NPERR_GENERIC_ERROR;
        return bridge->plugin_.destroystream(instance, stream, reason);
    });
}

void DesktopBridge::streamAsFile(NPP instance, NPStream* stream, const char* fname) {
    guarded<int>(0, [&] {
        DesktopBridge* bridge = currentBridge;
        if (bridge && bridge->plugin_.asfile) bridge->plugin_.asfile(instance, stream, fname);
        return 0;
    });
}

int32_t DesktopBridge::writeReady(NPP instance, NPStream* stream) {
    return guarded<int32_t>(0, [&]() -> int32_t {
        DesktopBridge* bridge = currentBridge;
        return bridge && bridge->plugin_.writeready ? bridge->plugin_.writeready(instance, stream) : 0;
    });
}

int32_t DesktopBridge::write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer) {
    return guarded<int32_t>(-1, [&]() -> int32_t {
        DesktopBridge* bridge = currentBridge;
        return bridge && bridge->plugin_.write ? bridge->plugin_.write(instance, stream, offset, len, buffer) : -1;
    });
}

void DesktopBridge::urlNotify(NPP instance, const char* url, NPReason reason, void* notifyData) {
    guarded<int>(0, [&] {
        DesktopBridge* bridge = currentBridge;
        if (bridge && bridge->plugin_.urlnotify) bridge->plugin_.urlnotify(instance, url, reason, notifyData);
        return 0;
    });
}

NPError DesktopBridge::pluginGetValue(NPP instance, NPNVariable variable, void* value) {
    DesktopBridge* bridge = currentBridge;
    if (!bridge) return NPERR_GENERIC_ERROR;
    if (variable == NPNVnetscapeWindow) {
        BridgeInstance* found = find(instance);
        if (!found || !value) return NPERR_GENERIC_ERROR;
        *static_cast<HWND*>(value) = found->browserWindow();
        return NPERR_NO_ERROR;
    }
    return bridge->browser_.getvalue ? bridge->browser_.getvalue(instance, variable, value) : NPERR_GENERIC_ERROR;
}

NPError DesktopBridge::pluginSetValue(NPP instance, NPPVariable variable, void* value) {
    DesktopBridge* bridge = currentBridge;
    if (!bridge) return NPERR_GENERIC_ERROR;
    // How the plug-in shows in the page is the bridge's to tell the browser.
    if (variable == NPPVpluginWindowBool || variable == NPPVpluginTransparentBool) return NPERR_NO_ERROR;
    return bridge->browser_.setvalue ? bridge->browser_.setvalue(instance, variable, value) : NPERR_GENERIC_ERROR;
}

void DesktopBridge::pluginInvalidateRect(NPP instance, NPRect*) {
    if (BridgeInstance* found = find(instance); found && found->pluginWindow())
        InvalidateRect(found->pluginWindow(), nullptr, FALSE);
}

void DesktopBridge::pluginInvalidateRegion(NPP instance, NPRegion) { pluginInvalidateRect(instance, nullptr); }

void DesktopBridge::pluginForceRedraw(NPP instance) {
    if (BridgeInstance* found = find(instance); found && found->pluginWindow()) UpdateWindow(found->pluginWindow());
}

void DesktopBridge::pixelsChanged(HWND window) {
    WatchedPicture watched{};
    {
        std::lock_guard<std::mutex> hold(picturesLock_);
        auto found = pictures_.find(window);
        if (found != pictures_.end()) watched = found->second;
    }
    if (!watched.picture) {
        if (ScreenMirror::shows(window)) mirror_.changed(window);
        return;
    }
    if (watched.picture->keepNewPicture()) scheduleRepaint(watched.instance, watched.serial);
}

void DesktopBridge::scheduleRepaint(NPP instance, uintptr_t serial) {
    if (!browser_.pluginthreadasynccall) return;
    // A browser drops what was scheduled with an instance it ends; the serial tells a later
    // instance at the same address from this one.
    browser_.pluginthreadasynccall(instance, &DesktopBridge::askRepaint, reinterpret_cast<void*>(serial));
}

void DesktopBridge::askRepaint(void* serial) {
    DesktopBridge* bridge = currentBridge;
    if (!bridge || !bridge->browser_.invalidaterect) return;
    for (const auto& [instance, kept] : bridge->instances_) {
        if (kept->serial() != reinterpret_cast<uintptr_t>(serial)) continue;
        RECT client{};
        GetClientRect(kept->pluginWindow(), &client);
        NPRect whole{0, 0, static_cast<uint16_t>(client.bottom), static_cast<uint16_t>(client.right)};
        bridge->browser_.invalidaterect(instance, &whole);
        return;
    }
}

}  // namespace desktop
