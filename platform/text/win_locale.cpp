#include "platform/text/win_locale.h"

namespace {

thread_local LCID threadLocale = LOCALE_USER_DEFAULT;

}  // namespace

LCID WINAPI GetThreadLocale() { return threadLocale; }

BOOL WINAPI SetThreadLocale(LCID locale) {
    threadLocale = locale;
    return TRUE;
}
