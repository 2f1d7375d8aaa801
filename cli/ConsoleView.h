#pragma once
#include "verify/VerifyView.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillon::cli {

// The verify view of quillon-cli. No selection (a check covers every entry) and no GUI thread:
// the main thread only waits while the worker runs, so calls run where they are made. The
// progress strip is a one-line display on stderr; the rows are the order in which entries are
// reported, each as soon as the worker has moved past it.
class ConsoleView : public VerifyView {
public:
    using EntryPrinter = std::function<void(const TItemRec&)>;
    // showProgress: draw the progress line (stderr must be a terminal). interrupted: when set,
    // the check stops before its next entry; unlike AbortRequested, the start of a check does
    // not clear it, so a Ctrl+C that comes before the worker's first step is not lost.
    ConsoleView(bool showProgress, EntryPrinter printEntry,
                const std::atomic<bool>* interrupted = nullptr);
    // The run's abort flag, which an interrupt sets before the next entry.
    void SetAbortFlag(std::atomic<bool>* abort) { abort_ = abort; }

    // Reports the entries of the rows not reported yet (after a check, or after a load alone).
    void ReportRemainingRows();
    // The text under the total bar after the run: "Complete in ..." or empty after an abort.
    const ViewText& TimeText() const { return timeText_; }

    void SetFileProgress(std::int32_t percent) override { filePercent_ = percent; }
    void SetTotalProgress(std::int32_t percent) override { totalPercent_ = percent; }
    void SetRateText(const ViewText& text) override;
    void SetTimeText(const ViewText& text) override;

    void BeginUpdate() override {}
    void EndUpdate() override {}
    void DeleteAllRows() override;
    RowIndex AddRow(ViewTextView caption, std::int32_t indent, std::int32_t image,
                    TItemRec* data) override;
    void Relayout() override {}
    std::int32_t RowCount() const override { return static_cast<std::int32_t>(rows_.size()); }
    TItemRec* RowData(RowIndex row) const override;
    bool IsRowSelected(RowIndex) const override { return false; }
    std::int32_t SelectedCount() const override { return 0; }
    void ScrollRowIntoView(RowIndex row) override;
    void SetRowImage(RowIndex, std::int32_t) override {}
    void SetRowSizeText(RowIndex, const ViewText&) override {}
    bool ShowsSizeTexts() const override { return false; }
    bool ShowsProgress() const override { return showProgress_; }

    void EnableCheckCommand(bool) override {}
    void EnableRunCommands(bool enabled) override;
    void RequestStatusRepaint() override {}
    void SetCaption(const ViewText&) override {}
    void SetDisplayFilterMark(std::int32_t) override {}

private:
    void ReportRowsBefore(std::size_t end);
    void DrawProgress();
    void ClearProgress();

    bool showProgress_;
    EntryPrinter printEntry_;
    const std::atomic<bool>* interrupted_;
    std::atomic<bool>* abort_ = nullptr;
    std::vector<TItemRec*> rows_;
    std::size_t reported_ = 0; // rows before this one are reported
    bool running_ = false;
    std::int32_t filePercent_ = 0, totalPercent_ = 0;
    ViewText rateText_, timeText_;
    std::size_t drawnWidth_ = 0; // characters of the progress line on the terminal, 0: none
};

} // namespace quillon::cli
