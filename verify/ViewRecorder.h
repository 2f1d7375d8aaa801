#pragma once
#include "core/ProgressView.h"
#include "core/ViewText.h"
#include "verify/ItemRec.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace quillon {

// The rows of the verify list and what a run changes in them and in the progress display. The
// check worker records its changes here and returns at once; the GUI thread takes them in
// batches (Take) and shows them, so the worker never waits for the window, nor the window for
// the worker. Window-free: a list view asks it for what it paints, a test for what it holds.
//
// Threads: Clear, Reserve and Add are for the GUI thread; everything else for any thread.
class ViewRecorder {
public:
    static constexpr std::size_t SizeChars = 31;
    // One row as the list shows it. The caption points into the entry's FileName or the list
    // file's path, which live as long as the rows.
    struct Row {
        const ViewChar* caption = nullptr;
        std::uint32_t captionLength = 0;
        std::int32_t image = ImageNone;
        std::int32_t indent = 0;
        TItemRec* data = nullptr;
        std::uint8_t sizeLength = 0;
        bool hasSize = false;
        ViewChar size[SizeChars + 1] = {};
        std::shared_ptr<const ViewText> note; // why the entry is Bad; most rows have none

        ViewTextView Caption() const { return {caption, captionLength}; }
        ViewTextView SizeText() const { return {size, hasSize ? sizeLength : 0u}; }
        ViewTextView Note() const { return note ? ViewTextView(*note) : ViewTextView(); }
    };

    // Everything recorded since the last Take, the latest value of each.
    struct Changes {
        RowIndex firstRow = -1, lastRow = -1; // rows whose image or size changed
        RowIndex scrollTo = NoRow;
        std::int32_t filePercent = -1, totalPercent = -1;
        std::optional<ViewText> rateText, timeText;
        std::optional<ViewText> currentFile; // empty: none
        std::optional<RunFigures> figures;
        bool statusCounts = false; // the status bar's counts are to be painted again
        bool notes = false;        // a row got a note
        bool Any() const {
            return firstRow >= 0 || scrollTo != NoRow || filePercent >= 0 || totalPercent >= 0 ||
                   rateText || timeText || currentFile || figures || statusCounts;
        }
    };

    // Rows (GUI thread). Clear also drops the row changes not yet taken.
    void Clear();
    void Reserve(std::size_t count);
    RowIndex Add(ViewTextView caption, std::int32_t indent, std::int32_t image, TItemRec* data);

    std::int32_t Count() const;
    TItemRec* Data(RowIndex row) const;
    std::int32_t Image(RowIndex row) const;
    ViewText Caption(RowIndex row) const;
    ViewText SizeText(RowIndex row) const;
    ViewText Note(RowIndex row) const;
    // Runs read on the row under the lock (false, without calling it, past the last row); read
    // must not call back into the recorder.
    bool ReadRow(RowIndex row, const std::function<void(const Row&)>& read) const;
    // The first row at or after start (wrapping round) whose caption satisfies match; NoRow for
    // none. match runs under the lock.
    RowIndex FindRow(RowIndex start, const std::function<bool(ViewTextView caption)>& match) const;

    // Changes (any thread). A row past the last is ignored.
    void SetImage(RowIndex row, std::int32_t image);
    void SetSizeText(RowIndex row, ViewTextView text);
    void SetNote(RowIndex row, ViewTextView note);
    // Whether any row holds a note.
    bool AnyNote() const;
    void ScrollTo(RowIndex row);
    void SetFileProgress(std::int32_t percent);
    void SetTotalProgress(std::int32_t percent);
    void SetRateText(const ViewText& text);
    void SetTimeText(const ViewText& text);
    void SetCurrentFile(ViewTextView name);
    void SetRunFigures(const RunFigures& figures);
    void RequestStatusRepaint();

    Changes Take();

private:
    void MarkRow(RowIndex row);
    bool Valid(RowIndex row) const {
        return row >= 0 && static_cast<std::size_t>(row) < rows_.size();
    }

    mutable std::mutex m_;
    std::vector<Row> rows_;
    std::size_t notes_ = 0; // rows with a note
    Changes pending_;
};

} // namespace quillon
