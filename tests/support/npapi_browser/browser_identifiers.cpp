#include "tests/support/npapi_browser/browser_identifiers.h"

namespace test_support {

NPIdentifier BrowserIdentifiers::add(IdentifierRecord record) {
    NPIdentifier identifier = &records_.emplace_back(std::move(record));
    made_.insert(identifier);
    return identifier;
}

NPIdentifier BrowserIdentifiers::forName(std::string_view name) {
    const auto found = names_.find(std::string(name));
    if (found != names_.end()) return found->second;
    NPIdentifier identifier = add({true, std::string(name), 0});
    names_.emplace(std::string(name), identifier);
    return identifier;
}

NPIdentifier BrowserIdentifiers::forNumber(int32_t number) {
    const auto found = numbers_.find(number);
    if (found != numbers_.end()) return found->second;
    NPIdentifier identifier = add({false, {}, number});
    numbers_.emplace(number, identifier);
    return identifier;
}

const IdentifierRecord* BrowserIdentifiers::find(NPIdentifier identifier) const {
    return made_.count(identifier) ? static_cast<const IdentifierRecord*>(identifier) : nullptr;
}

}  // namespace test_support
