// A binding uses the cores and the platform.
#pragma once
#include "host/keeps_host.h"
#include "app/api/plugin_factory.h"
