// Copying the browser's function table. An entry is taken only when the table's version says the
// browser offers it and the table's size says the record reaches that far: a browser whose record
// is shorter than its version suggests is never read past its end.
#include "npapi/npapi_plugin_module.h"

namespace FB::Npapi {

namespace {

template <typename Entry>
void copyEntry(NPNetscapeFuncs& to, const NPNetscapeFuncs& from, Entry NPNetscapeFuncs::*entry,
               uint16_t sinceVersion = 0) {
    // Where the entry ends, from addresses alone: nothing beyond the size is read.
    const auto* base = reinterpret_cast<const unsigned char*>(&from);
    const auto* end = reinterpret_cast<const unsigned char*>(&(from.*entry)) + sizeof(Entry);
    if (from.version >= sinceVersion && static_cast<size_t>(end - base) <= from.size) to.*entry = from.*entry;
}

void copyEntriesOfEveryVersion(NPNetscapeFuncs& to, const NPNetscapeFuncs& from) {
    copyEntry(to, from, &NPNetscapeFuncs::geturl);
    copyEntry(to, from, &NPNetscapeFuncs::posturl);
    copyEntry(to, from, &NPNetscapeFuncs::requestread);
    copyEntry(to, from, &NPNetscapeFuncs::newstream);
    copyEntry(to, from, &NPNetscapeFuncs::write);
    copyEntry(to, from, &NPNetscapeFuncs::destroystream);
    copyEntry(to, from, &NPNetscapeFuncs::status);
    copyEntry(to, from, &NPNetscapeFuncs::uagent);
    copyEntry(to, from, &NPNetscapeFuncs::memalloc);
    copyEntry(to, from, &NPNetscapeFuncs::memfree);
    copyEntry(to, from, &NPNetscapeFuncs::memflush);
    copyEntry(to, from, &NPNetscapeFuncs::reloadplugins);
    copyEntry(to, from, &NPNetscapeFuncs::geturlnotify);
    copyEntry(to, from, &NPNetscapeFuncs::posturlnotify);
    copyEntry(to, from, &NPNetscapeFuncs::getvalue);
    copyEntry(to, from, &NPNetscapeFuncs::setvalue);
    copyEntry(to, from, &NPNetscapeFuncs::invalidaterect);
    copyEntry(to, from, &NPNetscapeFuncs::invalidateregion);
    copyEntry(to, from, &NPNetscapeFuncs::forceredraw);
}

void copyScriptingEntries(NPNetscapeFuncs& to, const NPNetscapeFuncs& from) {
    copyEntry(to, from, &NPNetscapeFuncs::getstringidentifier);
    copyEntry(to, from, &NPNetscapeFuncs::getstringidentifiers);
    copyEntry(to, from, &NPNetscapeFuncs::getintidentifier);
    copyEntry(to, from, &NPNetscapeFuncs::identifierisstring);
    copyEntry(to, from, &NPNetscapeFuncs::utf8fromidentifier);
    copyEntry(to, from, &NPNetscapeFuncs::intfromidentifier);
    copyEntry(to, from, &NPNetscapeFuncs::createobject);
    copyEntry(to, from, &NPNetscapeFuncs::retainobject);
    copyEntry(to, from, &NPNetscapeFuncs::releaseobject);
    copyEntry(to, from, &NPNetscapeFuncs::invoke);
    copyEntry(to, from, &NPNetscapeFuncs::invokeDefault);
    copyEntry(to, from, &NPNetscapeFuncs::evaluate);
    copyEntry(to, from, &NPNetscapeFuncs::getproperty);
    copyEntry(to, from, &NPNetscapeFuncs::setproperty);
    copyEntry(to, from, &NPNetscapeFuncs::removeproperty);
    copyEntry(to, from, &NPNetscapeFuncs::hasproperty);
    copyEntry(to, from, &NPNetscapeFuncs::hasmethod);
    copyEntry(to, from, &NPNetscapeFuncs::releasevariantvalue);
    copyEntry(to, from, &NPNetscapeFuncs::setexception);
    copyEntry(to, from, &NPNetscapeFuncs::construct);
}

void copyVersionedEntries(NPNetscapeFuncs& to, const NPNetscapeFuncs& from) {
    copyEntry(to, from, &NPNetscapeFuncs::pushpopupsenabledstate, NPVERS_HAS_POPUPS_ENABLED_STATE);
    copyEntry(to, from, &NPNetscapeFuncs::poppopupsenabledstate, NPVERS_HAS_POPUPS_ENABLED_STATE);
    copyEntry(to, from, &NPNetscapeFuncs::enumerate, NPVERS_HAS_NPOBJECT_ENUM);
    copyEntry(to, from, &NPNetscapeFuncs::pluginthreadasynccall, NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL);
    copyEntry(to, from, &NPNetscapeFuncs::getvalueforurl, NPVERS_HAS_URL_AND_AUTH_INFO);
    copyEntry(to, from, &NPNetscapeFuncs::setvalueforurl, NPVERS_HAS_URL_AND_AUTH_INFO);
    copyEntry(to, from, &NPNetscapeFuncs::getauthenticationinfo, NPVERS_HAS_URL_AND_AUTH_INFO);
    copyEntry(to, from, &NPNetscapeFuncs::scheduletimer, NPVERS_HAS_TIMERS);
    copyEntry(to, from, &NPNetscapeFuncs::unscheduletimer, NPVERS_HAS_TIMERS);
}

}  // namespace

// The Java entries and those after the timers are never taken: this plug-in calls none of them.
void copyNetscapeFuncs(NPNetscapeFuncs* destination, const NPNetscapeFuncs* source) {
    if (!destination || !source) return;
    destination->size = source->size;
    destination->version = source->version;
    copyEntriesOfEveryVersion(*destination, *source);
    copyScriptingEntries(*destination, *source);
    copyVersionedEntries(*destination, *source);
}

}  // namespace FB::Npapi
