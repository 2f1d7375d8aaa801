#pragma once
#include <string>
#include <string_view>

namespace quillon::ui {

// The title message boxes carry where no other caption is given: the program file's name after
// its last "\", cut at its first ".", every character after the first in lower case
// (C:\Tools\Quillon.EXE gives Quillon).
std::wstring ApplicationTitle(std::wstring_view exePath);

} // namespace quillon::ui
