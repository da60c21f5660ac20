// The application uses both cores and the platform.
#pragma once
#include "host/keeps_host.h"
#include "scripting/breaks_scripting.h"
#include "platform/keeps_platform.h"
