#include "verify/ViewRecorder.h"

#include <algorithm>
#include <utility>

namespace quillon {

void ViewRecorder::Clear() {
    std::lock_guard lock(m_);
    rows_.clear();
    notes_ = 0;
    pending_.firstRow = pending_.lastRow = -1;
    pending_.scrollTo = NoRow;
}

void ViewRecorder::Reserve(std::size_t count) {
    std::lock_guard lock(m_);
    rows_.reserve(count);
}

RowIndex ViewRecorder::Add(ViewTextView caption, std::int32_t indent, std::int32_t image,
                           TItemRec* data) {
    Row row;
    row.caption = caption.data();
    row.captionLength = static_cast<std::uint32_t>(caption.size());
    row.indent = indent;
    row.image = image;
    row.data = data;
    std::lock_guard lock(m_);
    rows_.push_back(row);
    return static_cast<RowIndex>(rows_.size() - 1);
}

std::int32_t ViewRecorder::Count() const {
    std::lock_guard lock(m_);
    return static_cast<std::int32_t>(rows_.size());
}

TItemRec* ViewRecorder::Data(RowIndex row) const {
    std::lock_guard lock(m_);
    return Valid(row) ? rows_[static_cast<std::size_t>(row)].data : nullptr;
}

std::int32_t ViewRecorder::Image(RowIndex row) const {
    std::lock_guard lock(m_);
    return Valid(row) ? rows_[static_cast<std::size_t>(row)].image : ImageNone;
}

ViewText ViewRecorder::Caption(RowIndex row) const {
    std::lock_guard lock(m_);
    return Valid(row) ? ViewText(rows_[static_cast<std::size_t>(row)].Caption()) : ViewText();
}

ViewText ViewRecorder::SizeText(RowIndex row) const {
    std::lock_guard lock(m_);
    return Valid(row) ? ViewText(rows_[static_cast<std::size_t>(row)].SizeText()) : ViewText();
}

ViewText ViewRecorder::Note(RowIndex row) const {
    std::lock_guard lock(m_);
    return Valid(row) ? ViewText(rows_[static_cast<std::size_t>(row)].Note()) : ViewText();
}

bool ViewRecorder::ReadRow(RowIndex row, const std::function<void(const Row&)>& read) const {
    std::lock_guard lock(m_);
    if (!Valid(row))
        return false;
    read(rows_[static_cast<std::size_t>(row)]);
    return true;
}

RowIndex ViewRecorder::FindRow(RowIndex start,
                               const std::function<bool(ViewTextView caption)>& match) const {
    std::lock_guard lock(m_);
    const std::size_t n = rows_.size();
    if (n == 0)
        return NoRow;
    const std::size_t first = static_cast<std::size_t>(std::max(0, start)) % n;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (first + k) % n;
        if (match(rows_[i].Caption()))
            return static_cast<RowIndex>(i);
    }
    return NoRow;
}

void ViewRecorder::MarkRow(RowIndex row) {
    if (pending_.firstRow < 0 || row < pending_.firstRow)
        pending_.firstRow = row;
    if (row > pending_.lastRow)
        pending_.lastRow = row;
}

void ViewRecorder::SetImage(RowIndex row, std::int32_t image) {
    std::lock_guard lock(m_);
    if (!Valid(row))
        return;
    rows_[static_cast<std::size_t>(row)].image = image;
    MarkRow(row);
}

void ViewRecorder::SetSizeText(RowIndex row, ViewTextView text) {
    std::lock_guard lock(m_);
    if (!Valid(row))
        return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    const std::size_t n = std::min(text.size(), SizeChars);
    std::copy_n(text.data(), n, r.size);
    r.size[n] = 0;
    r.sizeLength = static_cast<std::uint8_t>(n);
    r.hasSize = true;
    MarkRow(row);
}

void ViewRecorder::SetNote(RowIndex row, ViewTextView note) {
    std::lock_guard lock(m_);
    if (!Valid(row))
        return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    notes_ -= r.note != nullptr;
    r.note = note.empty() ? nullptr : std::make_shared<const ViewText>(note);
    notes_ += r.note != nullptr;
    pending_.notes = pending_.notes || !note.empty();
    MarkRow(row);
}

bool ViewRecorder::AnyNote() const {
    std::lock_guard lock(m_);
    return notes_ > 0;
}

void ViewRecorder::ScrollTo(RowIndex row) {
    std::lock_guard lock(m_);
    if (Valid(row))
        pending_.scrollTo = row;
}

void ViewRecorder::SetFileProgress(std::int32_t percent) {
    std::lock_guard lock(m_);
    pending_.filePercent = percent;
}

void ViewRecorder::SetTotalProgress(std::int32_t percent) {
    std::lock_guard lock(m_);
    pending_.totalPercent = percent;
}

void ViewRecorder::SetRateText(const ViewText& text) {
    std::lock_guard lock(m_);
    pending_.rateText = text;
}

void ViewRecorder::SetTimeText(const ViewText& text) {
    std::lock_guard lock(m_);
    pending_.timeText = text;
}

void ViewRecorder::SetCurrentFile(ViewTextView name) {
    std::lock_guard lock(m_);
    pending_.currentFile = ViewText(name);
}

void ViewRecorder::SetRunFigures(const RunFigures& figures) {
    std::lock_guard lock(m_);
    pending_.figures = figures;
}

void ViewRecorder::RequestStatusRepaint() {
    std::lock_guard lock(m_);
    pending_.statusCounts = true;
}

ViewRecorder::Changes ViewRecorder::Take() {
    std::lock_guard lock(m_);
    return std::exchange(pending_, Changes());
}

} // namespace quillon
