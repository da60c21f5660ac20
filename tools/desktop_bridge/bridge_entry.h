// What the desktop bridge's exports do: answer the plug-in's identity from its own MIME list and
// name, and start and stop the bridge with the browser's and the plug-in's function tables.
// Browser's main thread only.
#pragma once

#include "platform/npapi/npapi.h"

typedef struct _NPNetscapeFuncs NPNetscapeFuncs;
typedef struct _NPPluginFuncs NPPluginFuncs;

namespace desktop {

// The Linux MIME description: "type:extensions:description" entries, each ended by ";".
const char* mimeDescription();
// The plug-in's name (NPPVpluginNameString) and description (NPPVpluginDescriptionString).
NPError libraryValue(NPPVariable variable, void* value);
// Loads the plug-in library, hands it a browser table that plays the Windows browser, and fills
// the browser's table of plug-in callbacks with the bridge's.
NPError initialize(NPNetscapeFuncs* browser, NPPluginFuncs* plugin);
NPError shutdown();

}  // namespace desktop
