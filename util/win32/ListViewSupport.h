#pragma once
// What our owner-data list views share: filling the text the control asks for, type-ahead, and
// batches of changes painted once.
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <cstddef>
#include <functional>
#include <string_view>

namespace quillon::win {

// Copies text into the buffer of an LVN_GETDISPINFO item, cut to its size.
void CopyItemText(LVITEMW& item, std::wstring_view text);

// Whether text begins with prefix, without regard to case (as file names compare).
bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix);

// LVN_ODFINDITEM for type-ahead: the first row at or after the start (wrapping round) whose text
// begins with the typed text, without regard to case; -1 for none or a search by anything else.
// textOf(row) gives a row's text.
LRESULT FindRowByPrefix(const NMLVFINDITEMW& find, std::size_t rowCount,
                        const std::function<std::wstring_view(std::size_t row)>& textOf);

// Redraw off for the outermost of nested Begin/End pairs; the end repaints the whole control.
class RedrawBatch {
public:
    explicit RedrawBatch(HWND control = nullptr) : control_(control) {}
    void SetControl(HWND control) { control_ = control; }
    void Begin();
    // True when this ended the outermost batch.
    bool End();
    bool Active() const { return depth_ > 0; }
    // The next End ends the outermost batch.
    bool Outermost() const { return depth_ == 1; }

private:
    HWND control_;
    int depth_ = 0;
};

// Selects or clears every row of a list view. With redraw off it is one pass; row by row it
// repaints each row (a million rows took a minute under Wine).
void SetAllRowsSelected(HWND listView, bool selected);

} // namespace quillon::win
