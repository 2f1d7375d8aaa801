#pragma once
#include "platform/NumberFormat.h"

namespace quillon::platform {

// Reads the user's separators from the system each time it is called (UserNumberFormat caches
// the first answer). Falls back to "," and "." for what the system does not tell.
NumberFormat SystemNumberFormat();

} // namespace quillon::platform
