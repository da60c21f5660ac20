// The COM binding's member-name table: a two-way map between numeric dispatch ids and script
// values (member names). An id, once entered, names the same value for the life of the process;
// values never asked for before get new ids counting up from 100. Values of different stored types
// are different keys: a wide name and a narrow name of the same text have ids of their own.
#pragma once

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

#include "scripting/variant.h"

namespace FB {

template <typename IdType>
class TypeIDMap {
public:
    TypeIDMap() = default;
    TypeIDMap(const TypeIDMap&) = delete;
    TypeIDMap& operator=(const TypeIDMap&) = delete;
    virtual ~TypeIDMap() = default;

    // Enters the pair in both directions; an id or a value may be entered only once
    // (std::runtime_error "ID or value already defined", nothing changed).
    void setIdForValue(IdType id, const variant& value) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (idMap.count(id) != 0 || valueMap.count(value) != 0) {
            throw std::runtime_error("ID or value already defined");
        }
        valueMap.emplace(value, id);
        idMap.emplace(id, value);
    }

    // The value's id; a value not yet in the table gets the next new one.
    IdType getIdForValue(const variant& value) {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = valueMap.find(value);
        if (found != valueMap.end()) return found->second;
        // An id entered by setIdForValue is never handed out again: it keeps naming its value.
        while (idMap.count(nextId) != 0) ++nextId;
        const IdType id = nextId++;
        valueMap.emplace(value, id);
        idMap.emplace(id, value);
        return id;
    }

    // The value entered for the id, as wide text; an unknown id fails like a value of no type.
    std::wstring getValueForId(IdType id) const {
        variant value;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            const auto found = idMap.find(id);
            if (found == idMap.end()) throw bad_variant_cast(typeid(void), typeid(std::wstring));
            value = found->second;
        }
        return value.template convertTo<std::wstring>();
    }

    // The same lookup under the name the scripting layer's conversions know it by.
    std::wstring valueForId(IdType id) const { return getValueForId(id); }

    bool hasId(IdType id) const {
        std::lock_guard<std::mutex> guard(m_lock);
        return idMap.count(id) != 0;
    }

protected:
    std::map<IdType, variant> idMap;
    std::map<variant, IdType> valueMap;
    IdType nextId = 100;

private:
    // The COM objects ask on the browser's main thread; the lock keeps two pages on two threads of
    // one process from corrupting the table.
    mutable std::mutex m_lock;
};

}  // namespace FB
