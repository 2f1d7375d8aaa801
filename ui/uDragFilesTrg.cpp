#include "ui/uDragFilesTrg.h"

#include "platform/win32/ScopedWin.h"

#include <string>
#include <utility>

namespace quillon {
namespace {

// The shell's drop handle, released with DragFinish.
struct DropTraits {
    using Type = HDROP;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DragFinish(h); }
};
using UniqueDrop = win::UniqueHandle<DropTraits>;

constexpr UINT kAllFiles = 0xFFFFFFFF;

} // namespace

TDragFilesTrg::~TDragFilesTrg() {
    SetEnabled(false);
    if (target_)
        RemoveWindowSubclass(target_, SubclassProc, reinterpret_cast<UINT_PTR>(this));
}

void TDragFilesTrg::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (target_)
        DragAcceptFiles(target_, enabled ? TRUE : FALSE);
}

void TDragFilesTrg::SetTarget(HWND window) {
    if (window == target_)
        return;
    if (target_) {
        DragAcceptFiles(target_, FALSE);
        Forget();
    }
    target_ = window;
    // The subclass id is this object, so two targets on one window do not replace each other.
    if (IsWindow(window) &&
        SetWindowSubclass(window, SubclassProc, reinterpret_cast<UINT_PTR>(this),
                          reinterpret_cast<DWORD_PTR>(this)))
        DragAcceptFiles(window, enabled_ ? TRUE : FALSE);
}

void TDragFilesTrg::Forget() {
    RemoveWindowSubclass(target_, SubclassProc, reinterpret_cast<UINT_PTR>(this));
    target_ = nullptr;
}

void TDragFilesTrg::TakeDrop(HDROP handle) {
    UniqueDrop drop(handle);
    files_.clear();
    const UINT count = DragQueryFileW(drop.Get(), kAllFiles, nullptr, 0);
    files_.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        // Asked for the length first: a fixed MAX_PATH buffer would cut a longer name at 259
        // characters, which names some other file.
        const UINT length = DragQueryFileW(drop.Get(), i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        const UINT copied = DragQueryFileW(drop.Get(), i, name.data(), length + 1);
        name.resize(copied);
        files_.emplace_back(std::move(name));
    }
    drop.Reset();
    if (OnDrop)
        OnDrop(*this);
}

LRESULT CALLBACK TDragFilesTrg::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* target = reinterpret_cast<TDragFilesTrg*>(self);
    switch (message) {
    case WM_DROPFILES:
        try {
            target->TakeDrop(reinterpret_cast<HDROP>(wParam));
        } catch (...) {
            // Nothing may unwind into user32; the drop handle is already released.
        }
        return 0;
    case WM_NCDESTROY:
        target->Forget();
        return DefSubclassProc(window, message, wParam, lParam);
    default:
        return DefSubclassProc(window, message, wParam, lParam);
    }
}

} // namespace quillon
