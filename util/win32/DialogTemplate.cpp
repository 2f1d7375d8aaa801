#include "util/win32/DialogTemplate.h"

namespace quillon::win {

namespace {
// Offset of the item count in the header: after the style and the extended style.
constexpr std::size_t kItemCountWord = 4;
} // namespace

DialogTemplate::DialogTemplate(DWORD style, DWORD exStyle, std::wstring_view caption) {
    words_.reserve(512);
    AddDword(style);
    AddDword(exStyle);
    words_.push_back(0);               // item count, raised by AddItem
    words_.insert(words_.end(), 4, 0); // x, y, cx, cy
    words_.push_back(0);               // no menu
    words_.push_back(0);               // the standard dialog class
    AddString(caption);
}

void DialogTemplate::AddItem(DWORD style, DWORD exStyle, WORD id, WORD classAtom,
                             std::wstring_view text) {
    if (words_.size() % 2)
        words_.push_back(0); // items start on a DWORD boundary
    AddDword(style);
    AddDword(exStyle);
    words_.insert(words_.end(), 4, 0);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    AddString(text);
    words_.push_back(0); // no creation data
    ++words_[kItemCountWord];
}

void DialogTemplate::AddDword(DWORD d) {
    words_.push_back(LOWORD(d));
    words_.push_back(HIWORD(d));
}

void DialogTemplate::AddString(std::wstring_view s) {
    words_.insert(words_.end(), s.begin(), s.end());
    words_.push_back(0);
}

} // namespace quillon::win
