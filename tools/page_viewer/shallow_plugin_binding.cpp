// Built into the viewer only when it runs under a sanitizer. QtWebKit loads plug-ins with
// RTLD_DEEPBIND, and the sanitizer runtime ends any process that loads a library that way (its
// interceptors would be bypassed inside it). The desktop bridge exports nothing but its four entry
// points and binds its own symbols when it is linked, so deep binding changes nothing for it: the
// viewer's own dlopen, which every library it links finds before the C library's, drops the flag
// and hands the call on to the next dlopen (the sanitizer's, then the C library's).
// Libraries also stay loaded to the end: the leak check at exit then still sees what a plug-in's
// globals hold, and names the plug-in's own functions in what it reports.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>

extern "C" void* dlopen(const char* file, int mode) {
    using Open = void* (*)(const char*, int);
    static const Open next = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "dlopen"));
    if (!next) return nullptr;
    return next(file, (mode & ~RTLD_DEEPBIND) | RTLD_NODELETE);
}
