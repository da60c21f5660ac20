#include "tests/support/activex_container/control_class_info.h"

#include "activex/com_owners.h"
#include "platform/com/ocidl.h"
#include "platform/com/type_info.h"

namespace test_support {

namespace {

using FB::ActiveX::ComPtr;

bool typeGuid(ITypeInfo* info, IID& iid) {
    TYPEATTR* attributes = nullptr;
    if (info->GetTypeAttr(&attributes) < 0 || !attributes) return false;
    iid = attributes->guid;
    info->ReleaseTypeAttr(attributes);
    return true;
}

}  // namespace

bool defaultSourceInterface(IUnknown* control, IID& iid) {
    const auto provider = ComPtr<IUnknown>(control).query<IProvideClassInfo>(IID_IProvideClassInfo);
    ComPtr<ITypeInfo> info;
    if (!provider || provider->GetClassInfo(info.put()) < 0 || !info) return false;
    TYPEATTR* attributes = nullptr;
    if (info->GetTypeAttr(&attributes) < 0 || !attributes) return false;
    const bool coclass = attributes->typekind == TKIND_COCLASS;
    const WORD count = attributes->cImplTypes;
    info->ReleaseTypeAttr(attributes);
    if (!coclass) return false;
    constexpr INT wanted = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
    for (UINT i = 0; i < count; ++i) {
        INT flags = 0;
        HREFTYPE reference = 0;
        ComPtr<ITypeInfo> implemented;
        if (info->GetImplTypeFlags(i, &flags) < 0 || (flags & wanted) != wanted) continue;
        if (info->GetRefTypeOfImplType(i, &reference) < 0 || info->GetRefTypeInfo(reference, implemented.put()) < 0)
            return false;
        return typeGuid(implemented.get(), iid);
    }
    return false;
}

}  // namespace test_support
