// The one process-wide table between member names and DISPIDs that every COM object of the plug-in
// uses: the scripting objects hand out DISPIDs from it and turn them back into names, and page-object
// proxies take ids from it when a page object cannot name a member itself. Filled at load with the
// browser's standard names and their standard ids; every other name gets an id from 100 upward.
//
// The standard names are stored as narrow strings, while the scripting objects ask with wide ones:
// a script that asks for "toString" by name gets an id of its own, and the standard ids are reached
// when the browser passes such an id itself (DISPID_VALUE, DISPID_READYSTATE, DISPID_THIS, ...).
#pragma once

#include "activex/type_id_map.h"

namespace FB::ActiveX {

extern FB::TypeIDMap<long> dispatchNameMap;

// How many standard names the table holds from the start.
constexpr int kStandardDispatchNames = 261;

// Enters the standard names, as narrow strings, with their ids into an empty table.
void fillStandardDispatchNames(FB::TypeIDMap<long>& table);

}  // namespace FB::ActiveX
