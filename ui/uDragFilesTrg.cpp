#include "ui/uDragFilesTrg.h"

#include "platform/win32/ScopedWin.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

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

// The windows whose procedure a component replaced (one or two at most). A
// table rather than comctl32's SetWindowSubclass, which asks the window system for the
// subclass's data on every message the window gets, and a busy window gets many (Wine makes
// each such question a round trip to its server).
struct Hook {
    HWND window;
    WNDPROC previous;
    TDragFilesTrg* owner; // nullptr: let go while another procedure sat on ours
};

std::vector<Hook>& Hooks() {
    thread_local std::vector<Hook> hooks; // a window gets its messages on its own thread
    return hooks;
}

std::vector<Hook>::iterator FindHook(HWND window) {
    auto& hooks = Hooks();
    return std::find_if(hooks.begin(), hooks.end(),
                        [window](const Hook& h) { return h.window == window; });
}

} // namespace

TDragFilesTrg::~TDragFilesTrg() {
    SetEnabled(false);
    if (target_)
        Forget();
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
    if (!IsWindow(window))
        return;
    const auto hook = FindHook(window);
    if (hook != Hooks().end()) {
        // One component per window: a second one takes the window over from the first.
        if (hook->owner)
            hook->owner->target_ = nullptr;
        hook->owner = this;
    } else {
        const auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TDragFilesTrg::TargetProc)));
        if (!previous)
            return;
        Hooks().push_back(Hook{window, previous, this});
    }
    target_ = window;
    DragAcceptFiles(window, enabled_ ? TRUE : FALSE);
}

void TDragFilesTrg::Forget() {
    const auto hook = FindHook(target_);
    if (hook != Hooks().end() && hook->owner == this) {
        // Ours is put back only when it is still the window's procedure; under another one it
        // stays and passes every message on.
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(target_, GWLP_WNDPROC)) ==
            &TDragFilesTrg::TargetProc) {
            SetWindowLongPtrW(target_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook->previous));
            Hooks().erase(hook);
        } else {
            hook->owner = nullptr;
        }
    }
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

LRESULT CALLBACK TDragFilesTrg::TargetProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    const auto hook = FindHook(window);
    if (hook == Hooks().end())
        return DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC previous = hook->previous;
    TDragFilesTrg* owner = hook->owner;
    if (message == WM_DROPFILES && owner) {
        try {
            owner->TakeDrop(reinterpret_cast<HDROP>(wParam));
        } catch (...) {
            // Nothing may unwind into user32; the drop handle is already released.
        }
        return 0;
    }
    if (message == WM_NCDESTROY) {
        if (owner)
            owner->target_ = nullptr;
        Hooks().erase(hook);
    }
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

} // namespace quillon
