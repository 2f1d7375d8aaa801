#pragma once
#include <windows.h>

namespace quillon::win {

// Shows the hand cursor over a control that opens something when clicked (a link image). The
// subclass goes with the control.
void ShowHandCursor(HWND control);

} // namespace quillon::win
