// The calling thread's locale, which the COM registrar's scripts are run under. Each thread starts
// with the user's default locale.
#pragma once

#include "platform/base/win_types.h"

typedef DWORD LCID;

#ifndef LOCALE_SYSTEM_DEFAULT
#define LOCALE_SYSTEM_DEFAULT ((LCID)0x800)
#define LOCALE_USER_DEFAULT ((LCID)0x400)
#endif

LCID WINAPI GetThreadLocale();
BOOL WINAPI SetThreadLocale(LCID locale);
