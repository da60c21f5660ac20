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
    ScopedNPVariantList(NpapiBrowserHost& host, const VariantList& values) : m_converted(host) {
        m_converted.values.reserve(values.size());  // no push below can throw
        for (const variant& value : values) {
            NPVariant converted;
            host.getNPVariant(&converted, value);
            m_converted.values.push_back(converted);
        }
    }
    ScopedNPVariantList(const ScopedNPVariantList&) = delete;
    ScopedNPVariantList& operator=(const ScopedNPVariantList&) = delete;

    const NPVariant* data() const { return m_converted.values.data(); }
    uint32_t size() const { return static_cast<uint32_t>(m_converted.values.size()); }

private:
    // The values are released by a member of their own: a member's destructor runs also when the
    // constructor throws, where this class's own destructor would not.
    struct Converted {
        explicit Converted(const NpapiBrowserHost& owner) : host(owner) {}
        Converted(const Converted&) = delete;
        Converted& operator=(const Converted&) = delete;
        ~Converted() {
            for (NPVariant& value : values) host.ReleaseVariantValue(&value);
        }
        const NpapiBrowserHost& host;
        std::vector<NPVariant> values;
    };
    Converted m_converted;
};

}  // namespace FB::Npapi
