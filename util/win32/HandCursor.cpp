#include "util/win32/HandCursor.h"

#include <commctrl.h>

namespace quillon::win {

namespace {

constexpr UINT_PTR kSubclassId = 0x48414E44; // "HAND"

LRESULT CALLBACK HandCursorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                UINT_PTR id, DWORD_PTR) {
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, HandCursorProc, id);
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

void ShowHandCursor(HWND control) {
    SetWindowSubclass(control, HandCursorProc, kSubclassId, 0);
}

} // namespace quillon::win
