#pragma once
#include "verify/ViewRecorder.h"

#include <windows.h>

#include <atomic>

namespace quillon::ui {

// The progress strip Panel2: "File Progress" with FileProgressBar and the rate text Label1 on the
// left half, "Total Progress" with TotalProgressBar and the time text Label7 on the right. It
// shows what a run recorded; GUI thread only, but Visible, which the worker asks.
class TProgressStrip {
public:
    void Create(HWND parent, HINSTANCE instance);
    void SetFont(HFONT font);
    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    // Moves the six controls; rectangles in the parent's client coordinates.
    void Place(const RECT& fileCaption, const RECT& fileBar, const RECT& fileRate,
               const RECT& totalCaption, const RECT& totalBar, const RECT& timeText);
    // The bars and texts a run changed.
    void ShowChanges(const ViewRecorder::Changes& changes);

    HWND FileCaption() const { return fileCaption_; }
    HWND FileBar() const { return fileBar_; }
    HWND TotalBar() const { return totalBar_; }
    HWND RateLabel() const { return rate_; }
    HWND TimeLabel() const { return time_; }

private:
    HWND fileCaption_ = nullptr, fileBar_ = nullptr, rate_ = nullptr;
    HWND totalCaption_ = nullptr, totalBar_ = nullptr, time_ = nullptr;
    std::atomic<bool> visible_{false};
};

} // namespace quillon::ui
