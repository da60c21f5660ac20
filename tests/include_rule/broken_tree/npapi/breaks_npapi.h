// A binding reaching the other binding and the application's insides.
#pragma once
#include "activex/keeps_activex.h"
#include "app/player/h264_decoder.h"
