// The COM binding's member-name table: a two-way map between numeric dispatch ids and script
// values (member names). An id, once entered, names the same value for the life of the process.
#pragma once

#include <map>
#include <stdexcept>
#include <string>

#include "scripting/variant.h"

namespace FB {

template <typename IdType>
class TypeIDMap {
public:
    virtual ~TypeIDMap() = default;

    // Enters the pair in both directions; an id or a value may be entered only once.
    void setIdForValue(IdType id, const variant& value) {
        if (idMap.count(id) != 0 || valueMap.count(value) != 0) {
            throw std::runtime_error("ID or value already defined");
        }
        valueMap.emplace(value, id);
        idMap.emplace(id, value);
    }

    // The value entered for the id, as wide text; an unknown id fails like a value of no type.
    std::wstring valueForId(IdType id) const {
        const auto found = idMap.find(id);
        if (found == idMap.end()) throw bad_variant_cast(typeid(void), typeid(std::wstring));
        return found->second.template convertTo<std::wstring>();
    }

protected:
    std::map<IdType, variant> idMap;
    std::map<variant, IdType> valueMap;
};

}  // namespace FB
