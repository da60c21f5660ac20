// The container's client site of an embedded object. The binding only keeps it and asks it for its
// other interfaces, so none of its own operations is declared.
#pragma once

#include "platform/com/unknwn.h"

extern "C" const IID IID_IOleClientSite;

struct IOleClientSite : IUnknown {
protected:
    ~IOleClientSite() = default;
};
