#include "ui/RunFeedback.h"

#include "platform/Clock.h"
#include "ui/FlushPace.h"
#include "ui/MainDlgIds.h"
#include "ui/ProgressStrip.h"
#include "ui/RunStatusText.h"
#include "ui/VerifyListView.h"
#include "verify/win32/QLstatus.h"

namespace quillon::ui {

namespace {

std::uint64_t ThreadCpuMilliseconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10000;
}

} // namespace

void TRunFeedback::SetTaskbar(std::unique_ptr<platform::TaskbarButton> taskbar) {
    taskbar_ = std::move(taskbar);
    taskbarShown_ = -1;
}

void TRunFeedback::RunStarted() {
    if (timerOn_)
        return;
    figures_.reset();
    time_.clear();
    interval_ = FlushPace::StartMs;
    paceTick_ = platform::TickCount64();
    paceCpuMs_ = ThreadCpuMilliseconds();
    timerOn_ = SetTimer(window_, ids::kFlushTimer, interval_, nullptr) != 0;
    if (taskbar_) {
        taskbar_->SetState(platform::TaskbarButton::State::Normal);
        taskbar_->SetProgress(0);
        taskbarShown_ = 0;
    }
}

void TRunFeedback::RunEnded(bool faults) {
    if (timerOn_)
        KillTimer(window_, ids::kFlushTimer);
    Flush();
    timerOn_ = false;
    if (!taskbar_)
        return;
    if (faults) {
        taskbar_->SetState(platform::TaskbarButton::State::Error);
        taskbar_->SetProgress(100);
    } else {
        taskbar_->SetState(platform::TaskbarButton::State::None);
    }
    taskbarShown_ = -1;
}

void TRunFeedback::ClearRunDisplay() {
    if (taskbar_)
        taskbar_->SetState(platform::TaskbarButton::State::None);
    taskbarShown_ = -1;
    // Nothing of the old run is left to show; the rows and counts recorded with it still are.
    ViewRecorder::Changes pending = recorder_.Take();
    pending.scrollTo = NoRow;
    list_.ShowChanges(pending);
    if (pending.statusCounts)
        InvalidateRect(counts_.Handle(), nullptr, FALSE);
    figures_.reset();
    time_.clear();
    file_.clear();
    ViewRecorder::Changes cleared;
    cleared.filePercent = cleared.totalPercent = 0;
    cleared.rateText = cleared.timeText = cleared.currentFile = ViewText();
    strip_.ShowChanges(cleared);
    ShowRunTexts();
}

void TRunFeedback::SetFindings(const ViewText& text) {
    findings_ = text;
    ShowRunTexts();
}

void TRunFeedback::ShowRunTexts() {
    const ViewText run = strip_.Visible() ? ViewText() : RunStatusText(figures_, time_);
    // What the check found comes first: a narrow window cuts the end of the panel's text.
    ViewText panel = findings_;
    if (!run.empty())
        panel += (panel.empty() ? ViewText() : ViewTextFromAscii("; ")) + run;
    if (IsWindowVisible(counts_.Handle()))
        counts_.SetText(4, panel);
    ViewText createText = file_;
    if (!run.empty())
        createText += (createText.empty() ? ViewText() : ViewTextFromAscii("   ")) + run;
    createBar_.SetText(0, createText);
}

void TRunFeedback::RequestFlush() {
    // A running timer shows it soon enough.
    if (timerOn_ || flushPosted_ || !window_)
        return;
    flushPosted_ = PostMessageW(window_, ids::WM_FLUSHVIEW, 0, 0) != FALSE;
}

void TRunFeedback::OnFlushMessage() {
    flushPosted_ = false;
    Flush();
}

void TRunFeedback::Flush() {
    const ViewRecorder::Changes changes = recorder_.Take();
    if (!changes.Any())
        return;
    list_.ShowChanges(changes);
    strip_.ShowChanges(changes);
    if (changes.figures)
        figures_ = changes.figures;
    if (changes.timeText)
        time_ = *changes.timeText;
    if (changes.currentFile)
        file_ = *changes.currentFile;
    if (changes.figures || changes.timeText || changes.currentFile)
        ShowRunTexts();
    if (changes.statusCounts)
        InvalidateRect(counts_.Handle(), nullptr, FALSE);
    if (taskbar_ && timerOn_ && changes.totalPercent >= 0 &&
        changes.totalPercent != taskbarShown_) {
        taskbar_->SetProgress(changes.totalPercent);
        taskbarShown_ = changes.totalPercent;
    }
}

void TRunFeedback::OnTimer() {
    Flush();
    const std::uint64_t now = platform::TickCount64();
    if (now - paceTick_ < FlushPace::LookEveryMs)
        return;
    const std::uint64_t cpu = ThreadCpuMilliseconds();
    const unsigned next = FlushPace::Next(interval_, cpu - paceCpuMs_, now - paceTick_);
    if (next != interval_ && timerOn_) {
        interval_ = next;
        SetTimer(window_, ids::kFlushTimer, interval_, nullptr);
    }
    paceTick_ = now;
    paceCpuMs_ = cpu;
}

} // namespace quillon::ui
