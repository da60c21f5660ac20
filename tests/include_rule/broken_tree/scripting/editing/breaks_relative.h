// Scripting reaching the host through a relative path.
#pragma once
#include "../breaks_scripting.h"
#include "../../host/keeps_host.h"
