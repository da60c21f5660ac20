// The platform reaching up into scripting.
#pragma once
#include <vector>
#include "platform/keeps_platform.h"
#include "scripting/value.h"
