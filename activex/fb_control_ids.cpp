#include "activex/fb_control_ids.h"

const CLSID CLSID_FBControl0 = {0xb870b429, 0x16d7, 0x5cc7, {0x86, 0xcc, 0x57, 0xd8, 0x42, 0x21, 0x06, 0x8a}};
const IID IID_IFBControl = {0xe65f0c86, 0xfca4, 0x5c65, {0xa0, 0xc4, 0xef, 0x8d, 0x40, 0x44, 0x11, 0xc3}};
char FBCONTROL0_MIMETYPE[] = "application/x-veltrin";

namespace FB::ActiveX {

const wchar_t* const kAppIdText = L"{B415CD14-B45D-4BCA-B552-B06175C38606}";

}  // namespace FB::ActiveX
