// The host uses scripting and the platform.
#pragma once
#include "scripting/breaks_scripting.h"
#include "platform/keeps_platform.h"
