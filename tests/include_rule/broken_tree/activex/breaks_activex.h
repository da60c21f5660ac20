// A binding reaching the other binding.
#pragma once
#include "npapi/breaks_npapi.h"
