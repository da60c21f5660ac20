// Tests may include anything.
#include "npapi/breaks_npapi.h"
#include "activex/breaks_activex.h"
#include "app/keeps_app.h"
