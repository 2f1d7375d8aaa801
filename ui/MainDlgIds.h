#pragma once
// Control and command IDs of the main window, shared by its source files.
#include <windows.h>

namespace quillon::ui::ids {

enum : int {
    IDC_LV = 1001,
    IDC_TOOLBAR,
    IDC_SBAR,
    IDC_SBAR2,
    IDC_IMAGE2,
    IDC_SPLITTER,          // PTSplitter1
    IDC_TREE,              // PTShellTree1
    IDC_FILES,             // PTShellList1
    IDC_NEW = 2001,        // bCreate
    IDC_OPEN,              // bOpen
    IDC_CHECK,             // bCheck
    IDC_ABORT,             // bCancel
    IDC_DISPLAY,           // bDisplay
    IDC_OPTIONS,           // bOptions
    IDC_ABOUT,             // ToolButton3
    IDM_FILTER_ALL = 3001, // mnuAll and the three status items: 3000 + Tag
    IDM_MASKSELECT = 3101, // MaskSelect1
    IDM_INVERSE,           // InverseSelection1
    IDM_SELECTALL,         // SelectAll2
    IDM_UNLISTED = 3201,   // Unlisted Files... of the Display menu and the list's menu
    IDM_UPDATELIST,        // Update List... of the same menus, Ctrl+U
    IDM_SAVEREPORT,        // Save Report... of the same menus, Ctrl+S
    IDM_COPYROWS,          // the list's menu's Copy, Ctrl+C in the verify list
};

// The timer that shows what a run changed (rows, bars, status bar, taskbar button), paced by
// FlushPace.
inline constexpr UINT_PTR kFlushTimer = 1;

// Private messages of the main window besides WM_PROCESSCMDLINE and WM_CENTERDIALOG.
// wParam, lParam: 0. Posted once for changes the GUI thread recorded outside a run: one repaint
// for many.
inline constexpr UINT WM_FLUSHVIEW = WM_APP + 10;

} // namespace quillon::ui::ids
