#pragma once
#include "platform/win32/ScopedWin.h"

namespace quillon {

// The font of the program's windows: "Microsoft Sans Serif" 8 pt where it is installed, otherwise
// the system's message font; both at the given DPI.
win::UniqueFont MakeWindowFont(int dpi);

} // namespace quillon
