// NPVariant values the plug-in made for the browser (arguments, script text) or received from it
// (results), given back with NPN_ReleaseVariantValue however the scope is left.
#pragma once

#include "npapi/npapi_browser_host.h"

#include <vector>

namespace FB::Npapi {

class ScopedNPVariant {
public:
    explicit ScopedNPVariant(const NpapiBrowserHost& host) : m_host(host) { VOID_TO_NPVARIANT(m_value); }
    ScopedNPVariant(const ScopedNPVariant&) = delete;
    ScopedNPVariant& operator=(const ScopedNPVariant&) = delete;
    ~ScopedNPVariant() { m_host.ReleaseVariantValue(&m_value); }

    NPVariant* get() { return &m_value; }

private:
    const NpapiBrowserHost& m_host;
    NPVariant m_value;
};

// Converts each value in order; what was converted is released even when a later one fails.
class ScopedNPVariantList {
public:
    ScopedNPVariantList(NpapiBrowserHost& host, const VariantList& values) : m_host(host) {
        m_values.reserve(values.size());
        for (const variant& value : values) {
            NPVariant converted;
            host.getNPVariant(&converted, value);
            m_values.push_back(converted);
        }
    }
    ScopedNPVariantList(const ScopedNPVariantList&) = delete;
    ScopedNPVariantList& operator=(const ScopedNPVariantList&) = delete;
    ~ScopedNPVariantList() {
        for (NPVariant& value : m_values) m_host.ReleaseVariantValue(&value);
    }

    const NPVariant* data() const { return m_values.data(); }
    uint32_t size() const { return static_cast<uint32_t>(m_values.size()); }

private:
    const NpapiBrowserHost& m_host;
    std::vector<NPVariant> m_values;
};

}  // namespace FB::Npapi
