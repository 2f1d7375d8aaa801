#pragma once
#include "controls/ContainerWindow.h"
#include "util/Dpi.h"

namespace quillon::controls {

// Two panes side by side with a bar between them that the mouse drags. The panes are children
// of Handle(): the owner creates them with it as their parent and hands them over in SetPanes.
// Both keep a usable width, also when the splitter itself gets narrow; the position asked for
// comes back when it widens again.
class Splitter final : private ContainerWindow {
public:
    static constexpr int DefaultPosition96 = 254;
    static constexpr int BarWidth96 = 4;
    static constexpr int MinimumPane96 = 60;

    Splitter() = default;
    ~Splitter();

    bool Create(HWND parent, int id, int dpi);
    using ContainerWindow::Handle;
    void SetPanes(HWND left, HWND right);
    // The left pane's width in pixels, as shown.
    int Position() const;
    void SetPosition(int position);
    // Rescales the position with the bar and the minimums.
    void SetDpi(int dpi);
    void Show(bool show);
    int BarWidth() const { return Scale(BarWidth96, dpi_); }
    int MinimumPane() const { return Scale(MinimumPane96, dpi_); }

private:
    LRESULT OnContainerMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int Width() const;
    bool OverBar(int x) const;
    void Layout();

    HWND left_ = nullptr, right_ = nullptr;
    int dpi_ = 96;
    int position_ = DefaultPosition96; // as asked for: the layout clamps it to the width
    bool dragging_ = false;
    int grab_ = 0; // where in the bar the drag took hold
};

} // namespace quillon::controls
