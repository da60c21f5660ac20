// The per-process state of the NPAPI binding: the browser's function table, kept from
// NP_Initialize until NP_Shutdown, and the browser functions that need no instance (memory, object
// references, variants, identifiers), each answering a fixed fallback when the browser's table
// lacks it.
#pragma once

#include "platform/npapi/npfunctions.h"

#include <cstdint>
#include <memory>
#include <string>

namespace FB::Npapi {

class NpapiPluginModule;
using NpapiPluginModulePtr = std::shared_ptr<NpapiPluginModule>;

class NpapiPluginModule {
public:
    NpapiPluginModule() = default;
    NpapiPluginModule(const NpapiPluginModule&) = delete;
    NpapiPluginModule& operator=(const NpapiPluginModule&) = delete;
    virtual ~NpapiPluginModule() = default;

    // The process's module, made on first use (running the factory's start hook when it is the
    // first). The browser's main thread only, as every entry point.
    static NpapiPluginModulePtr getModule();
    // Drops the module and runs the factory's end hook once none is left.
    static void releaseModule();

    NPNetscapeFuncs& browserFuncs() { return m_browserFuncs; }
    const NPNetscapeFuncs& browserFuncs() const { return m_browserFuncs; }

    void* MemAlloc(uint32_t size) const;
    void MemFree(void* ptr) const;
    NPObject* RetainObject(NPObject* object) const;
    void ReleaseObject(NPObject* object) const;
    void ReleaseVariantValue(NPVariant* variant) const;
    NPIdentifier GetStringIdentifier(const NPUTF8* name) const;
    NPIdentifier GetIntIdentifier(int32_t intid) const;
    bool IdentifierIsString(NPIdentifier identifier) const;
    NPUTF8* UTF8FromIdentifier(NPIdentifier identifier) const;
    int32_t IntFromIdentifier(NPIdentifier identifier) const;
    // The identifier's name (empty for an integer identifier or without the browser function);
    // the browser's copy of the text is freed.
    std::string StringFromIdentifier(NPIdentifier identifier) const;

private:
    NPNetscapeFuncs m_browserFuncs{};
};

// Copies the entries of the browser's table that its version offers and its size holds; every
// other entry of the destination is left as it was. Nothing is read past the source's size.
void copyNetscapeFuncs(NPNetscapeFuncs* destination, const NPNetscapeFuncs* source);

}  // namespace FB::Npapi
