#pragma once
#include "core/ProgressView.h"
#include "core/ViewText.h"
#include "verify/ItemRec.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

// What the verify logic needs of the main window: the verify list with its "Size" column, the
// commands a check locks, the status bar and the caption. The window implements it on its
// controls, the console front end and the tests in memory.
//
// Threads: rows are built and the commands switched on the GUI thread only. The check worker
// calls the row queries, ScrollRowIntoView, SetRowImage, SetRowSizeText, RequestStatusRepaint
// and the ProgressView calls; an implementation on real controls carries those over to the GUI
// thread and waits (SendMessage does, or the GuiDispatcher), except the repaint request, which
// only marks the bar. The worker's first and last steps come through the GuiDispatcher.
class VerifyView : public ProgressView {
public:
    // Rows of the verify list. The batch brackets a rebuild so the list is painted once.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    virtual void DeleteAllRows() = 0;
    // About this many rows follow (a view that stores rows makes room for them at once).
    virtual void ReserveRows(std::size_t count) {}
    // Appends a row: indent in image widths, image ImageNone for none, data the entry it shows or
    // nullptr (header and separator rows). Returns its index.
    virtual RowIndex AddRow(ViewTextView caption, std::int32_t indent, std::int32_t image,
                            TItemRec* data) = 0;
    // Lays the list out again after a rebuild (the list fills its panel).
    virtual void Relayout() = 0;

    virtual std::int32_t RowCount() const = 0;
    // The entry a row shows; nullptr for header and separator rows and past the last row.
    virtual TItemRec* RowData(RowIndex row) const = 0;
    virtual bool IsRowSelected(RowIndex row) const = 0;
    virtual std::int32_t SelectedCount() const = 0;
    // Scrolls the list so that the row is fully visible.
    virtual void ScrollRowIntoView(RowIndex row) = 0;
    virtual void SetRowImage(RowIndex row, std::int32_t image) = 0;
    // The "Size" column of a row (its first sub-item, added when the row has none yet).
    virtual void SetRowSizeText(RowIndex row, const ViewText& text) = 0;
    // Why the row's entry is Bad (NoteText), empty for none; shown beside the row.
    virtual void SetRowNote(RowIndex row, const std::string& note) {}
    // Whether SetRowSizeText shows anything: a view without the column (the console) is spared
    // the texts, and when it shows no progress either, a check leaves each entry's size to its
    // open instead of looking every one up first.
    virtual bool ShowsSizeTexts() const { return true; }
    // Whether the run's progress is shown anywhere (its percentages need every size first).
    virtual bool ShowsProgress() const { return true; }

    // bCheck alone (after a load).
    virtual void EnableCheckCommand(bool enabled) = 0;
    // What a check locks: bOpen, bCheck, bCreate, bDisplay and the drop target.
    virtual void EnableRunCommands(bool enabled) = 0;
    // Asks the status bar to repaint its counts; any thread, does not wait.
    virtual void RequestStatusRepaint() = 0;
    virtual void SetCaption(const ViewText& text) = 0;
    // Marks the filter item of that Tag in the Display menu (radio items: the others lose it).
    virtual void SetDisplayFilterMark(std::int32_t tag) = 0;
    // What the last check found beside the counts (VerifyModel::FindingsText), empty for
    // nothing; GUI thread.
    virtual void SetFindings(const ViewText& text) {}
};

} // namespace quillon
