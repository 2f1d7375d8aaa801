#pragma once
#include "core/ViewText.h"
#include "platform/win32/ScopedWin.h"
#include "verify/ItemRec.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace quillon::ui {

// The verify list `lv`: a report-style list view in owner-data mode. The rows live here and the
// control asks for what it paints, so a million rows cost this array only and a rebuild is one
// item-count change. The control keeps the selection itself.
//
// Threads: rows are built on the GUI thread. The check worker may call IsRowSelected (a sent
// message), SetRowImage, SetRowSizeText and ScrollRowIntoView; the last three only record the
// change under the lock, and the GUI thread applies them in Flush.
class TVerifyList {
public:
    TVerifyList() = default;
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
    void ReserveRows(std::size_t count);
    RowIndex AddRow(ViewTextView caption, std::int32_t indent, std::int32_t image, TItemRec* data);
    std::int32_t RowCount() const;
    TItemRec* RowData(RowIndex row) const;
    std::int32_t SelectedCount() const;
    // The Filename column takes the width the Size column leaves.
    void Relayout();
    // Applies what the worker recorded: images, size texts, the row to show.
    void Flush();
    // WM_NOTIFY from the list; true when handled (result in *result).
    bool OnNotify(const NMHDR& header, LRESULT* result);

    // Any thread.
    bool IsRowSelected(RowIndex row) const;
    void ScrollRowIntoView(RowIndex row);
    void SetRowImage(RowIndex row, std::int32_t image);
    void SetRowSizeText(RowIndex row, const ViewText& text);
    // Called on the GUI thread when it changed rows outside a rebuild: the owner arranges a
    // Flush soon.
    std::function<void()> OnPendingChanges;

    // The image a row shows (tests, and the end of a run).
    std::int32_t RowImage(RowIndex row) const;
    ViewText RowSizeText(RowIndex row) const;
    ViewText RowCaption(RowIndex row) const;

private:
    static constexpr std::size_t SizeChars = 31;
    struct Row {
        const ViewChar* caption = nullptr; // into the entry's FileName or the list file's path
        std::uint32_t captionLength = 0;
        std::int32_t image = ImageNone;
        std::int32_t indent = 0;
        TItemRec* data = nullptr;
        std::uint8_t sizeLength = 0;
        bool hasSize = false;
        wchar_t size[SizeChars + 1] = {};
    };
    void MarkDirty(RowIndex row);
    void ChangedOnGuiThread();

    HWND lv_ = nullptr;
    win::UniqueImageList images_;
    int dpi_ = 96;
    int batch_ = 0;
    DWORD guiThread_ = 0;

    mutable std::mutex m_; // rows_ and the pending changes
    std::vector<Row> rows_;
    RowIndex dirtyFirst_ = -1, dirtyLast_ = -1;
    RowIndex scrollTo_ = NoRow;
};

} // namespace quillon::ui
