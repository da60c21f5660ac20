#include "platform/com/objbase.h"

#include <cstdio>

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case: 38 characters and the terminator.
int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int size) {
    if (!text || size < 39) return 0;
    char narrow[40];
    std::snprintf(narrow, sizeof(narrow), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                  guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    for (int i = 0; i < 39; ++i) text[i] = static_cast<OLECHAR>(narrow[i]);
    return 39;
}
