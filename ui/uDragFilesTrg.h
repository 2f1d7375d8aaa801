#pragma once
// Makes a window accept files dropped from the shell (WM_DROPFILES) and reports their names.
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <filesystem>
#include <functional>
#include <vector>

namespace quillon {

// GUI thread only. The target window gets the component's procedure in place of its own, and is
// not owned: destroying it is the caller's business, and the component forgets a target that is
// destroyed. One component per window: a second one on the same window takes it over.
class TDragFilesTrg {
public:
    TDragFilesTrg() = default;
    // The target stops accepting drops and gets its own window procedure back.
    ~TDragFilesTrg();
    TDragFilesTrg(const TDragFilesTrg&) = delete;
    TDragFilesTrg& operator=(const TDragFilesTrg&) = delete;

    // Whether the target accepts drops (default true).
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // The window that takes the drops; nullptr for none (the default). A new target replaces the
    // old one, which stops accepting drops; nullptr just releases the old one.
    HWND Target() const { return target_; }
    void SetTarget(HWND window);

    // The full paths of the last drop, in the order the shell gives them.
    const std::vector<std::filesystem::path>& Files() const { return files_; }
    int FileCount() const { return static_cast<int>(files_.size()); }

    // Raised after each drop, once Files holds its names.
    std::function<void(TDragFilesTrg&)> OnDrop;

private:
    static LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void TakeDrop(HDROP drop);
    void Forget();

    bool enabled_ = true;
    HWND target_ = nullptr;
    std::vector<std::filesystem::path> files_;
};

} // namespace quillon
