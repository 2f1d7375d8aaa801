#pragma once
#include "platform/win32/Taskbar.h"
#include "verify/ViewRecorder.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace quillon::ui {

class TVerifyList;
class TProgressStrip;
} // namespace quillon::ui

namespace quillon {
class TqlStatusBar;
}

namespace quillon::ui {

// What a check or a create run shows while it goes: the rows, bars and texts it recorded, shown
// by a timer of the window whose period follows what showing them costs (FlushPace), the status
// bar's counts, and the window's taskbar button. With the progress strip hidden, the run's
// percentage, speed and time left (and its end text) stand in the status bar: the last panel
// beside the counts in verify mode, after the file's name in create mode. GUI thread only.
class TRunFeedback {
public:
    TRunFeedback(ViewRecorder& recorder, TVerifyList& list, TProgressStrip& strip,
                 TqlStatusBar& counts, TqlStatusBar& createBar)
        : recorder_(recorder), list_(list), strip_(strip), counts_(counts), createBar_(createBar) {}
    TRunFeedback(const TRunFeedback&) = delete;
    TRunFeedback& operator=(const TRunFeedback&) = delete;

    // The window whose timer and messages carry the feedback.
    void Attach(HWND window) { window_ = window; }
    void SetTaskbar(std::unique_ptr<platform::TaskbarButton> taskbar);

    void RunStarted();
    // Shows the run's last changes; faults: a check that found Missing or Bad entries, which the
    // taskbar button keeps showing.
    void RunEnded(bool faults);
    bool Running() const { return timerOn_; }
    // A new list: whatever the last run found or took is no longer on show.
    void ClearRunDisplay();
    // The strip was shown or hidden: the run's texts move to where they are seen.
    void ShowRunTexts();
    // What the last check found (changed, damaged, unlisted): before its end text in the last
    // panel of the verify status bar.
    void SetFindings(const ViewText& text);

    // The GUI thread recorded changes outside a run: they are shown when the loop comes round,
    // one repaint for many.
    void RequestFlush();
    // The window routes these here: WM_TIMER of ids::kFlushTimer, and WM_FLUSHVIEW.
    void OnTimer();
    void OnFlushMessage();
    // Shows every recorded change now.
    void Flush();

private:
    ViewRecorder& recorder_;
    TVerifyList& list_;
    TProgressStrip& strip_;
    TqlStatusBar& counts_;
    TqlStatusBar& createBar_;
    HWND window_ = nullptr;
    // The run's latest texts, for the status bar.
    std::optional<RunFigures> figures_;
    ViewText time_, file_, findings_;
    std::unique_ptr<platform::TaskbarButton> taskbar_;
    int taskbarShown_ = -1;
    bool timerOn_ = false;
    bool flushPosted_ = false;
    unsigned interval_ = 0;       // the timer's period now
    std::uint64_t paceTick_ = 0;  // when the share of the window's thread was last taken
    std::uint64_t paceCpuMs_ = 0; // and its CPU milliseconds then
};

} // namespace quillon::ui
