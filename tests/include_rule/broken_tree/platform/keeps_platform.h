// The platform including itself, beside and from the root.
#pragma once
#include "breaks_platform.h"
#include "platform/breaks_platform.h"
#include <boost/shared_ptr.hpp>
