// Every NPObject made through the browser (NPN_CreateObject by the plug-in, and the browser's own
// objects standing for page script values): reference counts as NPAPI defines them, deallocation
// through the object's class, and a count of the live ones for leak checks. Retaining or releasing
// an object that is not live is a fault, recorded instead of touching freed memory. Main thread only.
#pragma once

#include "tests/support/page_engine/browser_faults.h"

#include "platform/npapi/npapi.h"
#include "platform/npapi/npruntime.h"

#include <unordered_map>
#include <vector>

namespace test_support {

class BrowserObjects {
public:
    explicit BrowserObjects(BrowserFaults& faults) : faults_(faults) {}

    // A new object of the class with one reference (the caller's), made by the class's allocate
    // or, without one, as a bare NPObject; null when allocate gives none.
    NPObject* create(NPP owner, NPClass* objectClass);
    // False (and a fault naming the caller) for an object that is not live.
    bool retain(NPObject* object, const char* caller);
    // Deallocates the object when its last reference goes.
    void release(NPObject* object, const char* caller);

    bool isLive(const NPObject* object) const { return owners_.count(object) != 0; }
    size_t liveCount() const { return owners_.size(); }
    // The live objects the instance made, other than those of the given class.
    std::vector<NPObject*> madeBy(NPP owner, const NPClass* except) const;

private:
    BrowserFaults& faults_;
    std::unordered_map<const NPObject*, NPP> owners_;
};

// NPN_ReleaseVariantValue: frees a string's browser memory or releases an object's reference, and
// leaves the variant void.
void releaseVariantValue(NPVariant& variant, BrowserObjects& objects);

}  // namespace test_support
