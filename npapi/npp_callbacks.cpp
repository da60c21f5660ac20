#include "npapi/npp_callbacks.h"

#include "host/factory_base.h"
#include "host/framework_log.h"
#include "npapi/npapi_browser_host_async_win.h"
#include "npapi/npp_callbacks_testing.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <sstream>

namespace FB::Npapi {

namespace {

std::string pointerText(const void* pointer) {
    std::ostringstream text;
    text << pointer;
    return text.str();
}

NpapiPDataHolder* recordOf(NPP instance) {
    return instance ? static_cast<NpapiPDataHolder*>(instance->pdata) : nullptr;
}

// Runs a callback's work; an exception that escapes it becomes the answer onError.
template <typename R, typename Body>
R answerBrowser(R onError, const Body& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onError;
    }
}

// The same for work without an answer; false when it failed.
template <typename Body>
bool answerBrowser(const Body& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        return false;
    }
}

// The common shape of the callbacks that need the instance's plug-in object.
template <typename R, typename Body>
R withPlugin(NPP instance, R noRecord, R noPlugin, R onError, const Body& body) noexcept {
    return answerBrowser<R>(onError, [&]() -> R {
        if (!recordOf(instance)) return noRecord;
        const NpapiPluginPtr plugin = getPlugin(instance);
        return plugin ? body(*plugin) : noPlugin;
    });
}

template <typename Body>
void withPlugin(NPP instance, const Body& body) noexcept {
    answerBrowser([&] {
        if (const NpapiPluginPtr plugin = getPlugin(instance)) body(*plugin);
    });
}

// Shuts the instance's host and plug-in down and frees its record; each step runs even when an
// earlier one failed. False when one failed.
bool tearDown(NPP instance) noexcept {
    std::unique_ptr<NpapiPDataHolder> record(recordOf(instance));
    instance->pdata = nullptr;
    bool clean = true;
    if (record->host) clean &= answerBrowser([&] { record->host->shutdown(); });
    if (record->plugin) clean &= answerBrowser([&] { record->plugin->shutdown(); });
    clean &= answerBrowser([&] { record.reset(); });
    return clean;
}

// Whether this process's hosts post their main-thread calls to a message window.
std::optional<bool>& messageWindowDecision() {
    static std::optional<bool> decision;
    return decision;
}

std::string& pluginTextWithoutInstance(NPPVariable variable) {
    static std::string name = FactoryBase::pluginNameText("");
    static std::string description = FactoryBase::pluginDescriptionText("");
    return variable == NPPVpluginNameString ? name : description;
}

NPError newInstance(NPMIMEType pluginType, NPP instance, int16_t argc, char* argn[], char* argv[]) {
    NpapiPluginModulePtr module = NpapiPluginModule::getModule();
    NpapiBrowserHostPtr host = createBrowserHost(module, instance);
    try {
        host->setBrowserFuncs(&module->browserFuncs());
        NpapiPluginPtr plugin = sharedFactory()->makeNpapiPluginObject(host, pluginType ? pluginType : "");
        if (!plugin) {
            host->shutdown();
            return NPERR_OUT_OF_MEMORY_ERROR;
        }
        instance->pdata = new NpapiPDataHolder{host, plugin};
    } catch (...) {
        // The host may already hold page objects: it gives their references back.
        answerBrowser([&] { host->shutdown(); });
        throw;
    }
    try {
        getPlugin(instance)->init(pluginType, argc, argn, argv);
    } catch (...) {
        // The browser does not destroy an instance it was refused: take it down here.
        tearDown(instance);
        throw;
    }
    return NPERR_NO_ERROR;
}

}  // namespace

void testing::forgetHostVariant() { messageWindowDecision().reset(); }

NpapiPluginPtr getPlugin(NPP instance) {
    NpapiPDataHolder* record = recordOf(instance);
    return record ? record->plugin : NpapiPluginPtr();
}

NpapiBrowserHostPtr createBrowserHost(const NpapiPluginModulePtr& module, NPP instance) {
    NPNetscapeFuncs& funcs = module->browserFuncs();
    std::optional<bool>& useMessageWindow = messageWindowDecision();
    if (!useMessageWindow) {
        const char* agent = funcs.uagent ? funcs.uagent(instance) : nullptr;
        // A table too short to hold the browser's asynchronous call lacks it whatever its version
        // says: only the message window then brings calls to the main thread.
        useMessageWindow = (agent && std::strstr(agent, "Safari")) ||
                           funcs.version < NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL || !funcs.pluginthreadasynccall;
    }
    if (*useMessageWindow) {
        funcs.pluginthreadasynccall = nullptr;
        return std::make_shared<NpapiBrowserHostAsyncWin>(module, instance);
    }
    return std::make_shared<NpapiBrowserHost>(module, instance);
}

bool fillPluginFuncs(NPPluginFuncs* pFuncs) {
    if (!pFuncs) return false;
    // A browser that leaves the size 0 has not set it (it hands over a whole record all the same);
    // only a size it did set can say the record is short.
    const size_t room = pFuncs->size == 0 ? sizeof(NPPluginFuncs) : pFuncs->size;
    bool complete = true;
    auto fill = [&](auto NPPluginFuncs::*entry, auto callback) {
        const auto* base = reinterpret_cast<const unsigned char*>(pFuncs);
        const auto* end = reinterpret_cast<const unsigned char*>(&(pFuncs->*entry)) + sizeof(pFuncs->*entry);
        if (static_cast<size_t>(end - base) <= room) {
            pFuncs->*entry = callback;
        } else {
            complete = false;
        }
    };
    fill(&NPPluginFuncs::newp, &NPP_New);
    fill(&NPPluginFuncs::destroy, &NPP_Destroy);
    fill(&NPPluginFuncs::setwindow, &NPP_SetWindow);
    fill(&NPPluginFuncs::newstream, &NPP_NewStream);
    fill(&NPPluginFuncs::destroystream, &NPP_DestroyStream);
    fill(&NPPluginFuncs::asfile, &NPP_StreamAsFile);
    fill(&NPPluginFuncs::writeready, &NPP_WriteReady);
    fill(&NPPluginFuncs::write, &NPP_Write);
    fill(&NPPluginFuncs::print, &NPP_Print);
    fill(&NPPluginFuncs::event, &NPP_HandleEvent);
    fill(&NPPluginFuncs::urlnotify, &NPP_URLNotify);
    fill(&NPPluginFuncs::getvalue, &NPP_GetValue);
    fill(&NPPluginFuncs::setvalue, &NPP_SetValue);
    return complete;
}

NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t, int16_t argc, char* argn[], char* argv[], NPSavedData*) {
    frameworkLog("NPAPI", "NPP_New: " + pointerText(instance));
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    try {
        return newInstance(pluginType, instance, argc, argn, argv);
    } catch (const std::bad_alloc& e) {
        std::printf("%s\n", e.what());
        return NPERR_OUT_OF_MEMORY_ERROR;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return NPERR_GENERIC_ERROR;
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}

NPError NPP_Destroy(NPP instance, NPSavedData**) {
    frameworkLog("NPAPI", "NPP_Destroy: " + pointerText(instance));
    if (!recordOf(instance)) return NPERR_INVALID_INSTANCE_ERROR;
    return tearDown(instance) ? NPERR_NO_ERROR : NPERR_GENERIC_ERROR;
}

NPError NPP_SetWindow(NPP instance, NPWindow* window) {
    return withPlugin<NPError>(instance, NPERR_INVALID_INSTANCE_ERROR, NPERR_NO_ERROR, NPERR_GENERIC_ERROR,
                               [&](NpapiPlugin& plugin) { return plugin.SetWindow(window); });
}

NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype) {
    return withPlugin<NPError>(instance, NPERR_INVALID_INSTANCE_ERROR, NPERR_GENERIC_ERROR, NPERR_GENERIC_ERROR,
                               [&](NpapiPlugin& plugin) { return plugin.NewStream(type, stream, seekable, stype); });
}

NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason) {
    return withPlugin<NPError>(instance, NPERR_INVALID_INSTANCE_ERROR, NPERR_GENERIC_ERROR, NPERR_GENERIC_ERROR,
                               [&](NpapiPlugin& plugin) { return plugin.DestroyStream(stream, reason); });
}

void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname) {
    withPlugin(instance, [&](NpapiPlugin& plugin) { plugin.StreamAsFile(stream, fname); });
}

// A negative answer makes the browser end the stream.
int32_t NPP_WriteReady(NPP instance, NPStream* stream) {
    return withPlugin<int32_t>(instance, NPERR_INVALID_INSTANCE_ERROR, NPERR_GENERIC_ERROR, -1,
                               [&](NpapiPlugin& plugin) { return plugin.WriteReady(stream); });
}

int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer) {
    return withPlugin<int32_t>(instance, NPERR_INVALID_INSTANCE_ERROR, NPERR_GENERIC_ERROR, -1,
                               [&](NpapiPlugin& plugin) { return plugin.Write(stream, offset, len, buffer); });
}

void NPP_Print(NPP instance, NPPrint* platformPrint) {
    withPlugin(instance, [&](NpapiPlugin& plugin) { plugin.Print(platformPrint); });
}

int16_t NPP_HandleEvent(NPP instance, void* event) {
    return withPlugin<int16_t>(instance, 0, 0, 0, [&](NpapiPlugin& plugin) { return plugin.HandleEvent(event); });
}

void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData) {
    withPlugin(instance, [&](NpapiPlugin& plugin) { plugin.URLNotify(url, reason, notifyData); });
}

// Browsers ask for the name and description before any instance exists.
NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value) {
    if (!recordOf(instance)) {
        if (variable != NPPVpluginNameString && variable != NPPVpluginDescriptionString) return NPERR_GENERIC_ERROR;
        if (!value) return NPERR_INVALID_PARAM;
        return answerBrowser<NPError>(NPERR_GENERIC_ERROR, [&] {
            *static_cast<const char**>(value) = pluginTextWithoutInstance(variable).c_str();
            return NPERR_NO_ERROR;
        });
    }
    return withPlugin<NPError>(instance, NPERR_INVALID_INSTANCE_ERROR, NPERR_NO_ERROR, NPERR_GENERIC_ERROR,
                               [&](NpapiPlugin& plugin) { return plugin.GetValue(variable, value); });
}

NPError NPP_SetValue(NPP instance, NPNVariable variable, void* value) {
    return withPlugin<NPError>(instance, NPERR_INVALID_INSTANCE_ERROR, NPERR_GENERIC_ERROR, NPERR_GENERIC_ERROR,
                               [&](NpapiPlugin& plugin) { return plugin.SetValue(variable, value); });
}

}  // namespace FB::Npapi
