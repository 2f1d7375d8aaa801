#pragma once
#include "core/ViewText.h"
#include "platform/win32/ScopedWin.h"
#include "util/win32/ListViewSupport.h"
#include "verify/ItemRec.h"
#include "verify/ViewRecorder.h"

#include <windows.h>

#include <cstdint>

namespace quillon::ui {

// The verify list `lv`: a report-style list view in owner-data mode. The rows live in the
// recorder and the control asks for what it paints, so a million rows cost that array only and a
// rebuild is one item-count change. The control keeps the selection itself.
//
// Threads: rows are built on the GUI thread. The check worker may call IsRowSelected (a sent
// message); its other changes go to the recorder, and the GUI thread shows them in ShowChanges.
class TVerifyList {
public:
    explicit TVerifyList(ViewRecorder& rows) : rows_(rows) {}
    TVerifyList(const TVerifyList&) = delete;
    TVerifyList& operator=(const TVerifyList&) = delete;

    void Create(HWND parent, int id, HINSTANCE instance, int dpi);
    HWND Handle() const { return lv_; }
    // The five row images and the column widths for a new DPI.
    void SetDpi(int dpi);

    // GUI thread.
    void BeginUpdate();
    void EndUpdate();
    void DeleteAllRows();
    RowIndex AddRow(ViewTextView caption, std::int32_t indent, std::int32_t image, TItemRec* data);
    std::int32_t RowCount() const { return rows_.Count(); }
    TItemRec* RowData(RowIndex row) const { return rows_.Data(row); }
    std::int32_t SelectedCount() const;
    // The row with the focus rectangle, or NoRow.
    RowIndex FocusedRow() const;
    // The selected rows in list order.
    std::vector<RowIndex> SelectedRows() const;
    // The Filename column takes the width the Size column leaves.
    void Relayout();
    // The Filename column's header, which says which entries the display filter shows.
    void SetNameHeader(const std::wstring& text);
    // Repaints the rows in view that changed and scrolls to the row the run asked for; the Note
    // column comes with the first note.
    void ShowChanges(const ViewRecorder::Changes& changes);
    // WM_NOTIFY from the list; true when handled (result in *result).
    bool OnNotify(const NMHDR& header, LRESULT* result);

    // Any thread.
    bool IsRowSelected(RowIndex row) const;

    // What a row shows (tests, and the end of a run).
    std::int32_t RowImage(RowIndex row) const { return rows_.Image(row); }
    ViewText RowSizeText(RowIndex row) const { return rows_.SizeText(row); }
    ViewText RowCaption(RowIndex row) const { return rows_.Caption(row); }
    ViewText RowNote(RowIndex row) const { return rows_.Note(row); }

private:
    // The Note column, there only while a row holds a note (why its entry is Bad).
    void ShowNoteColumn(bool show);

    ViewRecorder& rows_;
    HWND lv_ = nullptr;
    bool noteColumn_ = false;
    // Ours alone: the control is made with LVS_SHAREIMAGELISTS, so it never destroys them.
    win::UniqueImageList images_;
    int dpi_ = 96;
    win::RedrawBatch batch_;
};

} // namespace quillon::ui
