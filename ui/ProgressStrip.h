#pragma once
#include "core/ProgressView.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace quillon::ui {

// The progress strip Panel2: "File Progress" with FileProgressBar and the rate text Label1 on the
// left half, "Total Progress" with TotalProgressBar and the time text Label7 on the right.
// Calls from the GUI thread (a create run, the start and end of a check) take effect at once;
// the check worker's calls are recorded, and the GUI thread shows the latest in Flush, so the
// worker never waits for the window.
class TProgressStrip final : public ProgressView {
public:
    void Create(HWND parent, HINSTANCE instance);
    void SetFont(HFONT font);
    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    // Moves the six controls; rectangles in the parent's client coordinates.
    void Place(const RECT& fileCaption, const RECT& fileBar, const RECT& fileRate,
               const RECT& totalCaption, const RECT& totalBar, const RECT& timeText);
    // GUI thread: shows what the worker recorded.
    void Flush();

    HWND FileBar() const { return fileBar_; }
    HWND TotalBar() const { return totalBar_; }
    HWND RateLabel() const { return rate_; }
    HWND TimeLabel() const { return time_; }

    bool ProgressShown() const override { return visible_; }
    void SetFileProgress(std::int32_t percent) override;
    void SetTotalProgress(std::int32_t percent) override;
    void SetRateText(const ViewText& text) override;
    void SetTimeText(const ViewText& text) override;

private:
    bool OnGuiThread() const { return GetCurrentThreadId() == guiThread_; }

    HWND fileCaption_ = nullptr, fileBar_ = nullptr, rate_ = nullptr;
    HWND totalCaption_ = nullptr, totalBar_ = nullptr, time_ = nullptr;
    DWORD guiThread_ = 0;
    std::atomic<bool> visible_{false};

    std::mutex m_; // what the worker recorded
    std::int32_t file_ = -1, total_ = -1;
    ViewText rateText_, timeText_;
    bool rateChanged_ = false, timeChanged_ = false;
};

} // namespace quillon::ui
