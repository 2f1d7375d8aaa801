#include "util/win32/ListViewSupport.h"

#include <algorithm>
#include <cwchar>

namespace quillon::win {

void CopyItemText(LVITEMW& item, std::wstring_view text) {
    if (!item.pszText || item.cchTextMax <= 0)
        return;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::wmemcpy(item.pszText, text.data(), n);
    item.pszText[n] = L'\0';
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

LRESULT FindRowByPrefix(const NMLVFINDITEMW& find, std::size_t rowCount,
                        const std::function<std::wstring_view(std::size_t row)>& textOf) {
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz || rowCount == 0)
        return -1;
    const std::wstring_view want(find.lvfi.psz);
    const std::size_t start = static_cast<std::size_t>(std::max(0, find.iStart)) % rowCount;
    for (std::size_t k = 0; k < rowCount; ++k) {
        const std::size_t row = (start + k) % rowCount;
        if (StartsWithIgnoringCase(textOf(row), want))
            return static_cast<LRESULT>(row);
    }
    return -1;
}

void RedrawBatch::Begin() {
    if (depth_++ == 0 && control_)
        SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
}

bool RedrawBatch::End() {
    if (depth_ == 0 || --depth_ != 0)
        return false;
    if (control_) {
        SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(control_, nullptr, TRUE);
    }
    return true;
}

void SetAllRowsSelected(HWND listView, bool selected) {
    SendMessageW(listView, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemState(listView, -1, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
    SendMessageW(listView, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listView, nullptr, TRUE);
}

} // namespace quillon::win
