// The browser-side object through which page script reaches a plug-in scripting object (JSAPI):
// an NPObject of the plug-in's own class, whose class table the browser calls on its main thread.
// Each call checks that the object is still live, converts names and values, calls the JSAPI and
// converts the result back; a script error becomes a browser exception. Besides the JSAPI's own
// members it answers "addEventListener", "removeEventListener" and "getLastException", and it
// reports "toString" as a method.
#pragma once

#include "host/shareable_reference.h"
#include "npapi/npapi_browser_host.h"
#include "platform/npapi/npruntime.h"
#include "scripting/jsapi.h"

#include <memory>
#include <string>

namespace FB {
class JSFunction;
}

namespace FB::Npapi {

class NPJavascriptObject : public NPObject {
public:
    class NPO_addEventListener;
    class NPO_removeEventListener;
    class NPO_getLastException;

    explicit NPJavascriptObject(NPP npp);
    NPJavascriptObject(const NPJavascriptObject&) = delete;
    NPJavascriptObject& operator=(const NPJavascriptObject&) = delete;
    virtual ~NPJavascriptObject();

    // The class table handed to NPN_CreateObject; its address tells the plug-in's own objects
    // apart from the browser's.
    static NPClass NPJavascriptObjectClass;
    static bool isOwnObject(const NPObject* object) { return object && object->_class == &NPJavascriptObjectClass; }
    static NPJavascriptObject* fromNPObject(NPObject* object) { return static_cast<NPJavascriptObject*>(object); }

    // A new wrapper made through the browser, bound to the object and the host; null when the
    // browser makes none.
    static NPJavascriptObject* NewObject(const NpapiBrowserHostPtr& host, const JSAPIWeakPtr& api, bool autoRelease);

    void setAPI(const JSAPIWeakPtr& api, const NpapiBrowserHostPtr& host);
    void setAutoRelease(bool autoRelease) { m_autoRelease = autoRelease; }
    // The wrapped object; std::bad_cast when it is gone.
    JSAPIPtr getAPI() const;
    const JSAPIWeakPtr& apiReference() const { return m_apiRef; }
    // The host; when it is gone the wrapper invalidates itself and std::bad_cast is thrown.
    NpapiBrowserHostPtr getHost();
    // Valid, and both the wrapped object and the host still live.
    bool isLive() const;
    // Weak references to it die with the wrapper.
    std::weak_ptr<ShareableReference<NPJavascriptObject>> weakReference() const { return m_selfRef; }

    // The message of the most recent script error any wrapper reported; main thread only.
    static variant& lastException();

    void Invalidate();
    bool HasMethod(NPIdentifier name);
    bool Invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result);
    bool InvokeDefault(const NPVariant* args, uint32_t argCount, NPVariant* result);
    bool HasProperty(NPIdentifier name);
    bool GetProperty(NPIdentifier name, NPVariant* result);
    bool SetProperty(NPIdentifier name, const NPVariant* value);
    bool RemoveProperty(NPIdentifier name);
    bool Enumerate(NPIdentifier** identifiers, uint32_t* count);
    bool Construct(const NPVariant* args, uint32_t argCount, NPVariant* result);

private:
    // Runs a class-table call: false at once unless live; errors become false, script errors
    // also a browser exception and the last-exception text.
    template <typename Body>
    bool guarded(Body body);
    void reportScriptError(const std::string& message);
    // The member's name and whether the identifier names it by text (not by index).
    bool isStringIdentifier(NpapiBrowserHost& host, NPIdentifier name) const;
    // This wrapper's own method test: "toString", then the wrapped object's.
    bool hasMethodNamed(const JSAPIPtr& api, const std::string& name) const;
    VariantList argumentList(NpapiBrowserHost& host, const NPVariant* args, uint32_t argCount) const;
    // The built-in function object of that name, made on first use; null for any other name.
    JSAPIPtr builtinFunction(const std::string& name);

    JSAPIWeakPtr m_apiRef;
    std::weak_ptr<NpapiBrowserHost> m_hostRef;
    bool m_valid = true;
    bool m_autoRelease = false;
    std::shared_ptr<ShareableReference<NPJavascriptObject>> m_selfRef;
    std::shared_ptr<JSFunction> m_addEventListener;
    std::shared_ptr<JSFunction> m_removeEventListener;
    std::shared_ptr<JSFunction> m_getLastException;
};

}  // namespace FB::Npapi
