// The abstract factory through which the bindings obtain every object whose concrete class they
// must not know: the application's plug-in object, the NPAPI plug-in wrapper, the plug-in window
// wrappers and the COM scripting object. The application derives its factory from it.
#pragma once

#include "platform/base/win_types.h"

#include <map>
#include <memory>
#include <string>

struct IDispatchEx;

namespace FB {

class BrowserHost;
class JSAPI;
class PluginCore;
class PluginWindowWin;
class PluginWindowlessWin;
struct WindowContextWindowed;
struct WindowContextWindowless;
namespace Npapi {
class NpapiPlugin;
}

class FactoryBase {
public:
    FactoryBase() = default;
    FactoryBase(const FactoryBase&) = delete;
    FactoryBase& operator=(const FactoryBase&) = delete;
    virtual ~FactoryBase() = default;

    virtual std::shared_ptr<PluginCore> makePluginObject(const std::string& mimetype) = 0;
    virtual void processStartHook() {}
    virtual void processEndHook() {}
    // Throws std::runtime_error when no NPAPI binding is linked in.
    virtual std::shared_ptr<Npapi::NpapiPlugin> makeNpapiPluginObject(const std::shared_ptr<BrowserHost>& host,
                                                                      const std::string& mimetype);
    virtual void listHook(std::string&) {}
    virtual int levelHook() { return 4; }
    // Both wrappers are owned by the caller.
    virtual PluginWindowWin* makeWindowedWrapper(const WindowContextWindowed& context);
    virtual PluginWindowlessWin* makeWindowlessWrapper(const WindowContextWindowless& context);
    // One reference is added for the caller; null when no COM binding is linked in.
    virtual IDispatchEx* createCOMJSObject(const std::shared_ptr<BrowserHost>& host, const std::weak_ptr<JSAPI>& api,
                                           bool autoRelease);
    // Registers with true, unregisters with false; E_NOTIMPL when no COM binding is linked in.
    virtual HRESULT updateRegistry(bool install);

    static std::string pluginNameText(const std::string& mimetype);
    // The description registered for the MIME type; an unknown type is added with an empty one.
    // "Unknown Description" if the lookup fails. Any thread.
    static std::string pluginDescriptionText(const std::string& mimetype);
    // From MIME type to description, filled from the MIME list on first use. Read it directly
    // only while no other thread looks a description up.
    static std::map<std::string, std::string>& mimeDescriptionMap();
};

using FactoryBasePtr = std::shared_ptr<FactoryBase>;

}  // namespace FB

// The process-wide factory of the application, made on first use and shared by every instance.
FB::FactoryBasePtr sharedFactory();
