#include "tests/support/npapi_browser/browser_objects.h"

#include <cstdlib>
#include <string>

namespace test_support {

NPObject* BrowserObjects::create(NPP owner, NPClass* objectClass) {
    if (!objectClass) {
        faults_.record("NPN_CreateObject without a class");
        return nullptr;
    }
    NPObject* object = objectClass->allocate ? objectClass->allocate(owner, objectClass)
                                             : static_cast<NPObject*>(std::malloc(sizeof(NPObject)));
    if (!object) return nullptr;
    object->_class = objectClass;
    object->referenceCount = 1;
    owners_[object] = owner;
    return object;
}

bool BrowserObjects::retain(NPObject* object, const char* caller) {
    if (!isLive(object)) {
        faults_.record(std::string(caller) + " on an object that is not live");
        return false;
    }
    ++object->referenceCount;
    return true;
}

void BrowserObjects::release(NPObject* object, const char* caller) {
    if (!isLive(object)) {
        faults_.record(std::string(caller) + " on an object that is not live");
        return;
    }
    if (--object->referenceCount > 0) return;
    // Forgotten first: a class's deallocate may release further objects, and never this one again.
    owners_.erase(object);
    if (object->_class->deallocate)
        object->_class->deallocate(object);
    else
        std::free(object);
}

std::vector<NPObject*> BrowserObjects::madeBy(NPP owner, const NPClass* except) const {
    std::vector<NPObject*> objects;
    for (const auto& [object, objectOwner] : owners_) {
        if (objectOwner == owner && object->_class != except) objects.push_back(const_cast<NPObject*>(object));
    }
    return objects;
}

void releaseVariantValue(NPVariant& variant, BrowserObjects& objects) {
    if (variant.type == NPVariantType_String) {
        std::free(const_cast<NPUTF8*>(variant.value.stringValue.UTF8Characters));
    } else if (variant.type == NPVariantType_Object && variant.value.objectValue) {
        objects.release(variant.value.objectValue, "NPN_ReleaseVariantValue");
    }
    VOID_TO_NPVARIANT(variant);
}

}  // namespace test_support
