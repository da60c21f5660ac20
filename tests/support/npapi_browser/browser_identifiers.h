// The browser's NPIdentifier values: one per member name and one per integer, made on first use and
// kept for the life of the browser, so that equal names always give the same identifier. An
// identifier is the address of its record; a value the browser never made is recognised as such.
// Main thread only.
#pragma once

#include "platform/npapi/npruntime.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace test_support {

struct IdentifierRecord {
    bool isString = true;
    std::string name;    // isString
    int32_t number = 0;  // !isString
};

class BrowserIdentifiers {
public:
    NPIdentifier forName(std::string_view name);
    NPIdentifier forNumber(int32_t number);
    // The record of an identifier this browser made, null for any other value.
    const IdentifierRecord* find(NPIdentifier identifier) const;

private:
    NPIdentifier add(IdentifierRecord record);

    std::deque<IdentifierRecord> records_;  // addresses stay put as records are added
    std::unordered_map<std::string, NPIdentifier> names_;
    std::unordered_map<int32_t, NPIdentifier> numbers_;
    std::unordered_set<NPIdentifier> made_;
};

}  // namespace test_support
