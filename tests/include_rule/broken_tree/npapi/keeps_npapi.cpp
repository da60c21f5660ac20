// A binding uses the cores, the platform and the plug-in's factory.
#include "app/api/plugin_factory.h"
#include "host/keeps_host.h"
#include "scripting/breaks_scripting.h"
#include "platform/keeps_platform.h"
