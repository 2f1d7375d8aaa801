#pragma once
// The window-side routines of EnhFunc (Win32 only).
#include "util/EnhFunc.h"

#include <windows.h>

#include <string>

namespace quillon {

// Modal one-line prompt with "OK" and "Cancel". value is shown all selected and is replaced by
// the edited text only when OK is pressed (then the result is true). maskInput shows "*" for
// every character, limitLength allows at most 250, stayOnTop keeps the dialog above other
// windows. owner is disabled while the dialog runs (nullptr: the thread's active window); its
// top-level window's font is the dialog's when it has one, else the system message font.
bool InputQueryEx(const std::wstring& caption, const std::wstring& prompt, bool maskInput,
                  std::wstring& value, bool limitLength, bool stayOnTop, HWND owner = nullptr);

// Moves form over owner (may be nullptr) or into the middle of the reference monitor's work
// area; see CenterFormPosition.
void CenterForm(HWND owner, HWND form);

// Average width of the letters A-Z a-z in the DC's font (cx, truncated) and their height (cy).
SIZE GetAveCharWidth(HDC dc);

} // namespace quillon
