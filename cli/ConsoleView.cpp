#include "cli/ConsoleView.h"

#include "cli/Console.h"

#include <string>

namespace quillon::cli {

namespace {

std::string Utf8(const ViewText& text) { return TextFromPath(std::filesystem::path(text)); }

// Characters as the terminal counts them: UTF-8 continuation bytes take no column.
std::size_t Columns(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

} // namespace

ConsoleView::ConsoleView(bool showProgress, EntryPrinter printEntry,
                         const std::atomic<bool>* interrupted)
    : showProgress_(showProgress), printEntry_(std::move(printEntry)), interrupted_(interrupted) {}

void ConsoleView::ReportRemainingRows() { ReportRowsBefore(rows_.size()); }

void ConsoleView::ReportRowsBefore(std::size_t end) {
    if (reported_ >= end) return;
    ClearProgress();
    for (; reported_ < end; ++reported_)
        if (rows_[reported_] && printEntry_) printEntry_(*rows_[reported_]);
}

void ConsoleView::SetRateText(const ViewText& text) { rateText_ = text; }

void ConsoleView::SetTimeText(const ViewText& text) {
    timeText_ = text;
    // The time text and the rate change together, at most every 50 ms: one redraw for both.
    if (running_) DrawProgress();
}

void ConsoleView::DeleteAllRows() {
    rows_.clear();
    reported_ = 0;
}

RowIndex ConsoleView::AddRow(ViewTextView, std::int32_t, std::int32_t, TItemRec* data) {
    rows_.push_back(data);
    return static_cast<RowIndex>(rows_.size() - 1);
}

TItemRec* ConsoleView::RowData(RowIndex row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
    return rows_[static_cast<std::size_t>(row)];
}

void ConsoleView::ScrollRowIntoView(RowIndex row) {
    // The worker comes here before its abort test for every entry of a check of everything.
    if (interrupted_ && *interrupted_ && abort_)
        *abort_ = true;
    // A check of everything visits the rows in order: the ones before this are done.
    if (row >= 0) ReportRowsBefore(static_cast<std::size_t>(row));
}

void ConsoleView::EnableRunCommands(bool enabled) {
    running_ = !enabled;
    if (enabled) ClearProgress();
}

void ConsoleView::DrawProgress() {
    if (!showProgress_) return;
    std::string line = "File " + std::to_string(filePercent_) + "%  Total " +
                       std::to_string(totalPercent_) + "%  " + Utf8(rateText_) + "  " +
                       Utf8(timeText_);
    const std::size_t width = Columns(line);
    if (width < drawnWidth_) line.append(drawnWidth_ - width, ' ');
    Err("\r" + line);
    drawnWidth_ = width;
}

void ConsoleView::ClearProgress() {
    if (drawnWidth_ == 0) return;
    Err("\r" + std::string(drawnWidth_, ' ') + "\r");
    drawnWidth_ = 0;
}

} // namespace quillon::cli
