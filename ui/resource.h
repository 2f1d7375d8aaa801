#pragma once
// Resource IDs of quillon.exe (and of the window's test program, which links the same resources).

// The application icon has the lowest ID, so the shell shows it for the program.
#define IDI_APP 100

// Row images of the verify list and the count panels of the status bar, in status order.
#define IDI_ROW_HEADER 110
#define IDI_ST_UNCHECKED 111
#define IDI_ST_MISSING 112
#define IDI_ST_BAD 113
#define IDI_ST_GOOD 114

// Toolbar pictures in button order; the disabled set follows at +10.
#define IDI_TB_NEW 120
#define IDI_TB_OPEN 121
#define IDI_TB_CHECK 122
#define IDI_TB_ABORT 123
#define IDI_TB_DISPLAY 124
#define IDI_TB_OPTIONS 125
#define IDI_TB_ABOUT 126
#define IDI_TB_DISABLED_OFFSET 10

// The donation image at 96, 144 and 192 DPI.
#define IDB_DONATE 140
#define IDB_DONATE_144 141
#define IDB_DONATE_192 142
