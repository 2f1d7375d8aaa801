#include "ui/VerifyListView.h"

#include "ui/IconImages.h"
#include "ui/MainLayout.h"
#include "ui/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

namespace quillon::ui {

namespace {

constexpr int kSizeColumn = 1;

// The row images in status order: header, Unchecked, Missing, Bad, Good.
win::UniqueImageList RowImages(HINSTANCE instance, int dpi) {
    const int icon = SmallIconSize(dpi);
    return MakeIconImageList(
        instance, {IDI_ROW_HEADER, IDI_ST_UNCHECKED, IDI_ST_MISSING, IDI_ST_BAD, IDI_ST_GOOD}, icon,
        icon, Scale(20, dpi));
}

void CopyText(LVITEMW& item, const wchar_t* text, std::size_t length) {
    if (!item.pszText || item.cchTextMax <= 0)
        return;
    const std::size_t n =
        std::min<std::size_t>(length, static_cast<std::size_t>(item.cchTextMax - 1));
    std::wmemcpy(item.pszText, text, n);
    item.pszText[n] = L'\0';
}

} // namespace

void TVerifyList::Create(HWND parent, int id, HINSTANCE instance, int dpi) {
    guiThread_ = GetCurrentThreadId();
    dpi_ = dpi;
    lv_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT |
                              LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_EDITLABELS,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          instance, nullptr);
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
    images_ = RowImages(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(lv_, GWLP_HINSTANCE)), dpi);
    ListView_SetImageList(lv_, images_.Get(), LVSIL_SMALL);
    ListView_SetColumnWidth(lv_, kSizeColumn, Scale(90, dpi));
    Relayout();
}

void TVerifyList::BeginUpdate() {
    if (batch_++ == 0)
        SendMessageW(lv_, WM_SETREDRAW, FALSE, 0);
}

void TVerifyList::EndUpdate() {
    if (batch_ == 0 || --batch_ != 0)
        return;
    std::size_t count;
    {
        std::lock_guard lock(m_);
        count = rows_.size();
    }
    ListView_SetItemCountEx(lv_, static_cast<int>(count), LVSICF_NOSCROLL);
    SendMessageW(lv_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(lv_, nullptr, TRUE);
}

void TVerifyList::DeleteAllRows() {
    // A new item count keeps the old selection, and clearing it row by row repaints each one:
    // with redraw off it is one pass.
    const bool own = batch_ == 0;
    if (own)
        BeginUpdate();
    ListView_SetItemState(lv_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    {
        std::lock_guard lock(m_);
        rows_.clear();
        dirtyFirst_ = dirtyLast_ = -1;
        scrollTo_ = NoRow;
    }
    ListView_SetItemCountEx(lv_, 0, 0);
    if (own)
        EndUpdate();
}

void TVerifyList::ReserveRows(std::size_t count) {
    std::lock_guard lock(m_);
    rows_.reserve(count);
}

RowIndex TVerifyList::AddRow(ViewTextView caption, std::int32_t indent, std::int32_t image,
                             TItemRec* data) {
    Row row;
    row.caption = caption.data();
    row.captionLength = static_cast<std::uint32_t>(caption.size());
    row.indent = indent;
    row.image = image;
    row.data = data;
    RowIndex index;
    {
        std::lock_guard lock(m_);
        rows_.push_back(row);
        index = static_cast<RowIndex>(rows_.size() - 1);
    }
    // Outside a batch the control learns of each row at once.
    if (batch_ == 0)
        ListView_SetItemCountEx(lv_, index + 1, LVSICF_NOSCROLL);
    return index;
}

std::int32_t TVerifyList::RowCount() const {
    std::lock_guard lock(m_);
    return static_cast<std::int32_t>(rows_.size());
}

TItemRec* TVerifyList::RowData(RowIndex row) const {
    std::lock_guard lock(m_);
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return nullptr;
    return rows_[static_cast<std::size_t>(row)].data;
}

std::int32_t TVerifyList::SelectedCount() const {
    return static_cast<std::int32_t>(ListView_GetSelectedCount(lv_));
}

bool TVerifyList::IsRowSelected(RowIndex row) const {
    return (ListView_GetItemState(lv_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void TVerifyList::Relayout() {
    if (!lv_)
        return;
    RECT client{};
    GetClientRect(lv_, &client);
    const int size = ListView_GetColumnWidth(lv_, kSizeColumn);
    const int name = std::max(Scale(60, dpi_), static_cast<int>(client.right - client.left) - size);
    ListView_SetColumnWidth(lv_, 0, name);
}

void TVerifyList::MarkDirty(RowIndex row) {
    if (dirtyFirst_ < 0 || row < dirtyFirst_)
        dirtyFirst_ = row;
    if (row > dirtyLast_)
        dirtyLast_ = row;
}

void TVerifyList::ScrollRowIntoView(RowIndex row) {
    if (GetCurrentThreadId() == guiThread_) {
        ListView_EnsureVisible(lv_, row, FALSE);
        return;
    }
    std::lock_guard lock(m_);
    scrollTo_ = row;
}

void TVerifyList::SetRowImage(RowIndex row, std::int32_t image) {
    {
        std::lock_guard lock(m_);
        if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
            return;
        rows_[static_cast<std::size_t>(row)].image = image;
        MarkDirty(row);
    }
    ChangedOnGuiThread();
}

void TVerifyList::SetRowSizeText(RowIndex row, const ViewText& text) {
    {
        std::lock_guard lock(m_);
        if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
            return;
        Row& r = rows_[static_cast<std::size_t>(row)];
        const std::size_t n = std::min(text.size(), SizeChars);
        std::wmemcpy(r.size, text.data(), n);
        r.size[n] = L'\0';
        r.sizeLength = static_cast<std::uint8_t>(n);
        r.hasSize = true;
        MarkDirty(row);
    }
    ChangedOnGuiThread();
}

void TVerifyList::ChangedOnGuiThread() {
    // One redraw for many changes (the start of a check resets every row): the window shows
    // them when its loop comes round. The worker's changes wait for the window's timer.
    if (GetCurrentThreadId() == guiThread_ && batch_ == 0 && OnPendingChanges)
        OnPendingChanges();
}

std::int32_t TVerifyList::RowImage(RowIndex row) const {
    std::lock_guard lock(m_);
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return ImageNone;
    return rows_[static_cast<std::size_t>(row)].image;
}

ViewText TVerifyList::RowSizeText(RowIndex row) const {
    std::lock_guard lock(m_);
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    return ViewText(r.size, r.sizeLength);
}

ViewText TVerifyList::RowCaption(RowIndex row) const {
    std::lock_guard lock(m_);
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    return ViewText(r.caption, r.captionLength);
}

void TVerifyList::Flush() {
    RowIndex first, last, scroll;
    {
        std::lock_guard lock(m_);
        first = dirtyFirst_;
        last = dirtyLast_;
        scroll = scrollTo_;
        dirtyFirst_ = dirtyLast_ = -1;
        scrollTo_ = NoRow;
    }
    if (scroll != NoRow)
        ListView_EnsureVisible(lv_, scroll, FALSE);
    if (first < 0 || batch_ != 0)
        return;
    // Only the rows in view: the control asks the others for their texts when they scroll in,
    // and each row redrawn is a request to the window system (Wine: to its server), which for a
    // check's first step, resetting every row, held the window for most of a second.
    const int top = ListView_GetTopIndex(lv_);
    const int bottom = top + ListView_GetCountPerPage(lv_) + 1;
    first = std::max(first, top);
    last = std::min(last, bottom);
    if (first <= last)
        ListView_RedrawItems(lv_, first, last);
}

bool TVerifyList::OnNotify(const NMHDR& header, LRESULT* result) {
    if (header.hwndFrom != lv_)
        return false;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
        std::lock_guard lock(m_);
        if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= rows_.size()) {
            if (item.mask & LVIF_TEXT)
                CopyText(item, L"", 0);
            *result = 0;
            return true;
        }
        const Row& r = rows_[static_cast<std::size_t>(item.iItem)];
        if (item.mask & LVIF_TEXT) {
            if (item.iSubItem == 0)
                CopyText(item, r.caption, r.captionLength);
            else if (item.iSubItem == kSizeColumn)
                CopyText(item, r.size, r.hasSize ? r.sizeLength : 0);
            else
                CopyText(item, L"", 0);
        }
        // Our "no image" (-1) is I_IMAGECALLBACK to the control, which would ask again.
        if (item.mask & LVIF_IMAGE)
            item.iImage = r.image < 0 ? I_IMAGENONE : r.image;
        if (item.mask & LVIF_INDENT)
            item.iIndent = r.indent;
        *result = 0;
        return true;
    }
    case LVN_ENDLABELEDITW:
        // An edited caption is thrown away: the row keeps its name and no file is renamed.
        *result = FALSE;
        return true;
    case LVN_ODFINDITEMW:
        // Type-ahead: the first row at or after the start whose caption begins with the text.
        {
            const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
            *result = -1;
            if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz)
                return true;
            const std::size_t want = std::wcslen(find.lvfi.psz);
            std::lock_guard lock(m_);
            const std::size_t n = rows_.size();
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t i = (static_cast<std::size_t>(std::max(0, find.iStart)) + k) % n;
                const Row& r = rows_[i];
                if (r.captionLength >= want && _wcsnicmp(r.caption, find.lvfi.psz, want) == 0) {
                    *result = static_cast<LRESULT>(i);
                    break;
                }
            }
            return true;
        }
    default:
        return false;
    }
}

} // namespace quillon::ui
