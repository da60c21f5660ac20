// The published identifiers of the URL-moniker interfaces.
#include "platform/net/urlmon.h"

#define OLE_IID(name, first) \
    extern "C" const IID name = {first, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}}
#define URLMON_IID(name, first) \
    extern "C" const IID name = {first, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}}

OLE_IID(IID_IStream, 0x0000000C);
OLE_IID(IID_IBindCtx, 0x0000000E);
OLE_IID(IID_IMoniker, 0x0000000F);
URLMON_IID(IID_IBinding, 0x79EAC9C0);
URLMON_IID(IID_IBindStatusCallback, 0x79EAC9C1);
URLMON_IID(IID_IHttpNegotiate, 0x79EAC9D2);
URLMON_IID(IID_IWinInetInfo, 0x79EAC9D6);
URLMON_IID(IID_IWinInetHttpInfo, 0x79EAC9D8);
