// One plug-in instance and what the browser keeps for it: the NPP record, the page's window and the
// plug-in's own window (a real child window of the platform stand-in, handed over as a windowed
// NPWindow of the element's size, so that the plug-in draws into its pixel surface) and the
// scriptable object it gave. Main thread only.
#pragma once

#include "tests/support/page_engine/page_document.h"

#include "platform/npapi/npfunctions.h"
#include "platform/window/win_window.h"

#include <memory>
#include <string>
#include <vector>

namespace test_support {

class PluginInstance {
public:
    // Makes the page's window; the instance itself comes with create.
    PluginInstance(const NPPluginFuncs& plugin, void* browserData);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // NPP_New with the element's attributes followed by its <param>s as names and values, as WebKit
    // passes them, in mode NP_EMBED. The answer is kept.
    NPError create(const PluginElement& element);
    // Makes or resizes the plug-in window and hands it over with NPP_SetWindow.
    NPError setWindow(int width, int height);
    // NPP_GetValue(NPPVpluginScriptableNPObject), asked once; the browser owns the reference it gave.
    NPObject* scriptableObject();
    // Calls NPP_Destroy and destroys the plug-in window. The scriptable object's reference is handed
    // back to the caller to release.
    NPObject* destroy();

    NPP npp() { return &npp_; }
    bool live() const { return live_; }
    NPError newResult() const { return newResult_; }
    HWND pageWindow() const { return pageWindow_; }
    HWND pluginWindow() const { return pluginWindow_; }

private:
    const NPPluginFuncs& plugin_;
    NPP_t npp_{};
    HWND pageWindow_ = nullptr;
    HWND pluginWindow_ = nullptr;
    NPWindow window_{};  // stays put: a plug-in may keep the pointer it was given
    bool live_ = false;
    NPError newResult_ = NPERR_GENERIC_ERROR;
    bool scriptableAsked_ = false;
    NPObject* scriptable_ = nullptr;
};

}  // namespace test_support
