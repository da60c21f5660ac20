// IServiceProvider: asks an object for a service it can reach (the browser behind a site, the
// caller of a script call).
#pragma once

#include "platform/com/unknwn.h"

extern "C" const IID IID_IServiceProvider;

struct IServiceProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** object) = 0;

protected:
    ~IServiceProvider() = default;
};
