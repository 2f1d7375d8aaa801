#include "ui/VerifyListView.h"

#include "ui/IconImages.h"
#include "ui/resource.h"
#include "util/Dpi.h"

#include <commctrl.h>

#include <algorithm>

namespace quillon::ui {

namespace {

constexpr int kSizeColumn = 1;
constexpr int kNoteColumn = 2;
constexpr int kNoteWidth96 = 220;

// The row images in status order: header, Unchecked, Missing, Bad, Good.
win::UniqueImageList RowImages(HINSTANCE instance, int dpi) {
    const int icon = SmallIconSize(dpi);
    return MakeIconImageList(
        instance, {IDI_ROW_HEADER, IDI_ST_UNCHECKED, IDI_ST_MISSING, IDI_ST_BAD, IDI_ST_GOOD}, icon,
        icon, Scale(20, dpi));
}

} // namespace

void TVerifyList::Create(HWND parent, int id, HINSTANCE instance, int dpi) {
    dpi_ = dpi;
    lv_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA |
            LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_SHAREIMAGELISTS,
        0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    batch_.SetControl(lv_);
    ListView_SetExtendedListViewStyle(lv_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT |
                                               LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.pszText = const_cast<wchar_t*>(L"Filename");
    column.cx = Scale(200, dpi);
    ListView_InsertColumn(lv_, 0, &column);
    column.fmt = LVCFMT_RIGHT;
    column.pszText = const_cast<wchar_t*>(L"Size");
    column.cx = Scale(90, dpi);
    ListView_InsertColumn(lv_, kSizeColumn, &column);
    SetDpi(dpi);
}

void TVerifyList::SetDpi(int dpi) {
    dpi_ = dpi;
    // The control lets go of the old list before it is destroyed.
    win::UniqueImageList images =
        RowImages(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(lv_, GWLP_HINSTANCE)), dpi);
    ListView_SetImageList(lv_, images.Get(), LVSIL_SMALL);
    images_ = std::move(images);
    ListView_SetColumnWidth(lv_, kSizeColumn, Scale(90, dpi));
    if (noteColumn_)
        ListView_SetColumnWidth(lv_, kNoteColumn, Scale(kNoteWidth96, dpi));
    Relayout();
}

void TVerifyList::BeginUpdate() {
    batch_.Begin();
}

void TVerifyList::EndUpdate() {
    // The count goes in while redraw is still off: the end of the batch paints once.
    if (batch_.Outermost())
        ListView_SetItemCountEx(lv_, rows_.Count(), LVSICF_NOSCROLL);
    batch_.End();
}

void TVerifyList::DeleteAllRows() {
    // A new item count keeps the old selection, and clearing it row by row repaints each one:
    // with redraw off it is one pass.
    batch_.Begin();
    ListView_SetItemState(lv_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    rows_.Clear();
    ListView_SetItemCountEx(lv_, 0, 0);
    ShowNoteColumn(false);
    batch_.End();
}

void TVerifyList::ShowNoteColumn(bool show) {
    if (show == noteColumn_)
        return;
    noteColumn_ = show;
    if (show) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.pszText = const_cast<wchar_t*>(L"Note");
        column.cx = Scale(kNoteWidth96, dpi_);
        ListView_InsertColumn(lv_, kNoteColumn, &column);
    } else {
        ListView_DeleteColumn(lv_, kNoteColumn);
    }
    Relayout();
}

RowIndex TVerifyList::AddRow(ViewTextView caption, std::int32_t indent, std::int32_t image,
                             TItemRec* data) {
    const RowIndex index = rows_.Add(caption, indent, image, data);
    // Outside a batch the control learns of each row at once.
    if (!batch_.Active())
        ListView_SetItemCountEx(lv_, index + 1, LVSICF_NOSCROLL);
    return index;
}

std::int32_t TVerifyList::SelectedCount() const {
    return static_cast<std::int32_t>(ListView_GetSelectedCount(lv_));
}

RowIndex TVerifyList::FocusedRow() const {
    const int row = ListView_GetNextItem(lv_, -1, LVNI_FOCUSED);
    return row < 0 ? NoRow : row;
}

std::vector<RowIndex> TVerifyList::SelectedRows() const {
    std::vector<RowIndex> rows;
    for (int row = ListView_GetNextItem(lv_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(lv_, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

bool TVerifyList::IsRowSelected(RowIndex row) const {
    return (ListView_GetItemState(lv_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void TVerifyList::Relayout() {
    if (!lv_)
        return;
    RECT client{};
    GetClientRect(lv_, &client);
    const int others = ListView_GetColumnWidth(lv_, kSizeColumn) +
                       (noteColumn_ ? ListView_GetColumnWidth(lv_, kNoteColumn) : 0);
    const int name =
        std::max(Scale(60, dpi_), static_cast<int>(client.right - client.left) - others);
    ListView_SetColumnWidth(lv_, 0, name);
}

void TVerifyList::SetNameHeader(const std::wstring& text) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    std::wstring copy = text;
    column.pszText = copy.data();
    ListView_SetColumn(lv_, 0, &column);
}

void TVerifyList::ShowChanges(const ViewRecorder::Changes& changes) {
    if (changes.notes && !noteColumn_ && rows_.AnyNote())
        ShowNoteColumn(true);
    if (changes.scrollTo != NoRow)
        ListView_EnsureVisible(lv_, changes.scrollTo, FALSE);
    if (changes.firstRow < 0 || batch_.Active())
        return;
    // Only the rows in view: the control asks the others for their texts when they scroll in,
    // and each row redrawn is a request to the window system (Wine: to its server), which for a
    // check's first step, resetting every row, held the window for most of a second.
    const int top = ListView_GetTopIndex(lv_);
    const int bottom = top + ListView_GetCountPerPage(lv_) + 1;
    const int first = std::max(changes.firstRow, top);
    const int last = std::min(changes.lastRow, bottom);
    if (first <= last)
        ListView_RedrawItems(lv_, first, last);
}

bool TVerifyList::OnNotify(const NMHDR& header, LRESULT* result) {
    if (header.hwndFrom != lv_)
        return false;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
        const bool found = rows_.ReadRow(item.iItem, [&item](const ViewRecorder::Row& r) {
            if (item.mask & LVIF_TEXT) {
                if (item.iSubItem == 0)
                    win::CopyItemText(item, r.Caption());
                else if (item.iSubItem == kSizeColumn)
                    win::CopyItemText(item, r.SizeText());
                else if (item.iSubItem == kNoteColumn)
                    win::CopyItemText(item, r.Note());
                else
                    win::CopyItemText(item, L"");
            }
            // Our "no image" (-1) is I_IMAGECALLBACK to the control, which would ask again.
            if (item.mask & LVIF_IMAGE)
                item.iImage = r.image < 0 ? I_IMAGENONE : r.image;
            if (item.mask & LVIF_INDENT)
                item.iIndent = r.indent;
        });
        if (!found && (item.mask & LVIF_TEXT))
            win::CopyItemText(item, L"");
        *result = 0;
        return true;
    }
    case LVN_ENDLABELEDITW:
        // An edited caption is thrown away: the row keeps its name and no file is renamed.
        *result = FALSE;
        return true;
    case LVN_ODFINDITEMW: {
        const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
        *result = -1;
        if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz)
            return true;
        const std::wstring_view want(find.lvfi.psz);
        const RowIndex row = rows_.FindRow(find.iStart, [want](ViewTextView caption) {
            return win::StartsWithIgnoringCase(caption, want);
        });
        *result = row == NoRow ? -1 : row;
        return true;
    }
    default:
        return false;
    }
}

} // namespace quillon::ui
