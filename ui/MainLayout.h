#pragma once
#include "util/Dpi.h"

// Where each control of the main window goes, from the client size, the DPI and the two layout
// switches. Pure arithmetic: the window moves its controls to these rectangles.
namespace quillon::ui {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// Sizes at 96 DPI; Scale() (util/Dpi.h) turns them into pixels at the window's DPI.
struct MainMetrics {
    static constexpr int ToolPanelWidth = 67;  // Panel5 in the Left layout
    static constexpr int ToolPanelHeight = 40; // Panel5 in the Top layout
    static constexpr int ToolButtonWidth = 66;
    static constexpr int ImagePanelHeight = 37; // imagePanel in the Left layout
    static constexpr int ImagePanelWidth = 67;
    static constexpr int ImageWidth = 62; // Image2, the donation image
    static constexpr int ImageHeight = 31;
    static constexpr int ProgressHeight = 53; // Panel2
    static constexpr int StatusHeight = 22;   // sBar, sBar2
    static constexpr int CountPanelWidth = 120;
    static constexpr int PlainPanelWidth = 50;
    static constexpr int SizeColumnWidth = 90;
    static constexpr int ClientWidth = 606; // the design client size
    static constexpr int ClientHeight = 462;
};

struct MainLayoutInput {
    int clientWidth = 0, clientHeight = 0;
    int dpi = 96;
    bool topLayout = false;     // toolbar along the top instead of the left edge
    bool progressShown = false; // Panel2, the progress strip
    int labelHeight = 13;       // one line of the window's font, in pixels
};

// The panels as the window's design names them: toolPanel is Panel5, imagePanel pnlbtn,
// donationImage Image2, clientPanel pClient, progressPanel Panel2 with its halves Panel3 and
// Panel4.
struct MainLayout {
    Rect toolPanel, toolbar, imagePanel, donationImage;
    // lv fills clientPanel above the strip (the create panes take the same place).
    Rect clientPanel, lv;
    Rect progressPanel, fileHalf, totalHalf;
    Rect fileCaption, fileBar, fileRate;   // "File Progress", FileProgressBar, Label1
    Rect totalCaption, totalBar, timeText; // "Total Progress", TotalProgressBar, Label7
    Rect statusBar;
};

MainLayout LayOutMain(const MainLayoutInput& in);

// The open dialog's place on a monitor: centred across, a third of the free height down plus 40.
struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};
Point CenterDialogPosition(const Rect& monitor, int width, int height);

} // namespace quillon::ui
