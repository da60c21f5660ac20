// The library as an in-process COM server: its lock count (every live COM object and every
// LockServer lock), the class object of its one creatable class (the control), its registration
// from the registry scripts and the type library it carries as resources, and the process-wide
// switches its entry points keep (per-user registration, plug-in globals initialised).
//
// The entry points may be called on any thread; the switches are plain flags as COM calls them on
// one thread at a time.
#pragma once

#include "platform/com/class_factory.h"
#include "platform/com/type_library.h"

namespace FB::ActiveX {

class ComModule {
public:
    static ComModule& instance();

    LONG lock();
    LONG unlock();
    LONG lockCount() const;

    // CLASS_E_CLASSNOTAVAILABLE for any class but the control, E_POINTER for a null output.
    HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object);

    // Script 101, then script 103, then the type library; the first failure ends the sequence.
    HRESULT registerServer();
    // Script 103, the type library, then script 101; the first failure ends the sequence.
    HRESULT unregisterServer();

    // Script 103 alone, registered or removed: the factory's registration fallback.
    HRESULT updateControlRegistry(bool registering);

    // The type library the module carries, and the type information of a class it describes
    // (TYPE_E_ELEMENTNOTFOUND for another class), as the class objects hand it out.
    HRESULT loadTypeLibrary(ITypeLib** library);
    HRESULT classInfo(REFCLSID clsid, ITypeInfo** info);

    void setPerUser(bool perUser) { m_perUser = perUser; }
    bool perUser() const { return m_perUser; }

private:
    ComModule() = default;

    bool m_perUser = false;
};

// True from the first successful DllGetClassObject until DllCanUnloadNow runs the factory's end hook.
bool pluginGlobalsInitialised();
void setPluginGlobalsInitialised(bool initialised);

// Whether the process is the installer's harvesting tool (its executable's path ends in
// "heat.exe", compared byte for byte); when it is not, per-user registration is switched on.
void applyHostProcessRule();

}  // namespace FB::ActiveX
