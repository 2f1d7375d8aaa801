#include "ui/MainLayout.h"

#include <algorithm>

namespace quillon::ui {

namespace {

Rect Shrink(Rect r, int by) {
    r.left += by;
    r.top += by;
    r.right -= by;
    r.bottom -= by;
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

// A caption line, a bar and a text line stacked in one half of the progress strip.
void StackHalf(const Rect& half, int dpi, int line, Rect& caption, Rect& bar, Rect& text) {
    const Rect inner = Shrink(half, Scale(4, dpi));
    const int gap = Scale(2, dpi);
    const int barHeight = std::max(Scale(8, dpi), inner.Height() - 2 * line - 2 * gap);
    caption = {inner.left, inner.top, inner.right, inner.top + line};
    bar = {inner.left, caption.bottom + gap, inner.right, caption.bottom + gap + barHeight};
    text = {inner.left, bar.bottom + gap, inner.right,
            std::min(inner.bottom, bar.bottom + gap + line)};
}

} // namespace

MainLayout LayOutMain(const MainLayoutInput& in) {
    MainLayout out;
    const int w = std::max(0, in.clientWidth), h = std::max(0, in.clientHeight);
    const int dpi = in.dpi;
    // The status bar docks first, across the whole bottom; the toolbar panel then takes its edge
    // of what is left, and clientPanel the rest.
    const int statusHeight = std::min(h, Scale(MainMetrics::StatusHeight, dpi));
    out.statusBar = {0, h - statusHeight, w, h};
    const int above = out.statusBar.top;
    if (!in.topLayout) {
        const int panelWidth = std::min(w, Scale(MainMetrics::ToolPanelWidth, dpi));
        out.toolPanel = {0, 0, panelWidth, above};
        const int imageHeight = std::min(above, Scale(MainMetrics::ImagePanelHeight, dpi));
        out.imagePanel = {0, above - imageHeight, panelWidth, above};
        out.toolbar = {0, 0, panelWidth, out.imagePanel.top};
        out.clientPanel = {panelWidth, 0, w, above};
    } else {
        const int panelHeight = std::min(above, Scale(MainMetrics::ToolPanelHeight, dpi));
        out.toolPanel = {0, 0, w, panelHeight};
        const int imageWidth = std::min(w, Scale(MainMetrics::ImagePanelWidth, dpi));
        out.imagePanel = {w - imageWidth, 0, w, panelHeight};
        out.toolbar = {0, 0, out.imagePanel.left, panelHeight};
        out.clientPanel = {0, panelHeight, w, above};
    }
    // The image sits in the middle of its panel.
    const int iw = Scale(MainMetrics::ImageWidth, dpi), ih = Scale(MainMetrics::ImageHeight, dpi);
    out.donationImage = {out.imagePanel.left + (out.imagePanel.Width() - iw) / 2,
                         out.imagePanel.top + (out.imagePanel.Height() - ih) / 2, 0, 0};
    out.donationImage.right = out.donationImage.left + iw;
    out.donationImage.bottom = out.donationImage.top + ih;

    const Rect& c = out.clientPanel;
    if (in.progressShown) {
        const int stripHeight = std::min(c.Height(), Scale(MainMetrics::ProgressHeight, dpi));
        out.progressPanel = {c.left, c.bottom - stripHeight, c.right, c.bottom};
        // Two halves of the strip's width halved, truncated: an odd width leaves a pixel between.
        const int half = out.progressPanel.Width() / 2;
        out.fileHalf = {out.progressPanel.left, out.progressPanel.top,
                        out.progressPanel.left + half, out.progressPanel.bottom};
        out.totalHalf = {out.progressPanel.right - half, out.progressPanel.top,
                         out.progressPanel.right, out.progressPanel.bottom};
        const int line = std::max(1, in.labelHeight);
        StackHalf(out.fileHalf, dpi, line, out.fileCaption, out.fileBar, out.fileRate);
        StackHalf(out.totalHalf, dpi, line, out.totalCaption, out.totalBar, out.timeText);
        out.lv = {c.left, c.top, c.right, out.progressPanel.top};
    } else {
        out.progressPanel = {c.left, c.bottom, c.right, c.bottom};
        out.lv = c;
    }
    return out;
}

Point CenterDialogPosition(const Rect& monitor, int width, int height) {
    // Truncating divisions, as the placement has always had them.
    return {monitor.left + (monitor.Width() - width) / 2,
            monitor.top + 40 + (monitor.Height() - height) / 3};
}

} // namespace quillon::ui
