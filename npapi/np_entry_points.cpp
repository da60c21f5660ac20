// The plug-in library's three NPAPI exports. The browser calls NP_GetEntryPoints and
// NP_Initialize once each before it makes any instance, and NP_Shutdown after the last one.
#include "host/framework_log.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/npp_callbacks.h"
#include "platform/npapi/npfunctions.h"

#define NPAPI_EXPORT __attribute__((visibility("default")))

using FB::Npapi::NpapiPluginModule;

// A missing record, or one too short for the callbacks, cannot serve the browser.
extern "C" NPAPI_EXPORT NPError OSCALL NP_GetEntryPoints(NPPluginFuncs* pFuncs) {
    FB::frameworkLog("NPAPI", "");
    try {
        NpapiPluginModule::getModule();
        return FB::Npapi::fillPluginFuncs(pFuncs) ? NPERR_NO_ERROR : NPERR_INVALID_FUNCTABLE_ERROR;
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}

extern "C" NPAPI_EXPORT NPError OSCALL NP_Initialize(NPNetscapeFuncs* bFuncs) {
    if (!bFuncs) return NPERR_INVALID_FUNCTABLE_ERROR;
    try {
        FB::Npapi::copyNetscapeFuncs(&NpapiPluginModule::getModule()->browserFuncs(), bFuncs);
        FB::frameworkLog("NPAPI", "Initialization done");
        return NPERR_NO_ERROR;
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}

extern "C" NPAPI_EXPORT NPError OSCALL NP_Shutdown(void) {
    FB::frameworkLog("NPAPI", "");
    try {
        NpapiPluginModule::releaseModule();
        return NPERR_NO_ERROR;
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}
