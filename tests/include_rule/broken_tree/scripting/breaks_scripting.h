// Scripting reaching the host through the angled form.
#pragma once
#include <host/browser_host.h>
#include "platform/keeps_platform.h"
