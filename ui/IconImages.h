#pragma once
#include "platform/win32/ScopedWin.h"

#include <windows.h>

#include <initializer_list>

namespace quillon::ui {

// An image list of the given icon resources, each loaded at iconSize pixels (the icon files hold
// several sizes; the nearest is scaled) and centred in a cell of cellWidth x cellHeight, alpha
// kept. Missing icons leave an empty cell, so the indexes stay right.
win::UniqueImageList MakeIconImageList(HINSTANCE instance, std::initializer_list<int> iconIds,
                                       int iconSize, int cellWidth, int cellHeight);

// The icon size for a DPI: 16 at 96, scaled and rounded.
int SmallIconSize(int dpi);

} // namespace quillon::ui
