#pragma once
#include "controls/ContainerWindow.h"
#include "platform/FolderListing.h"
#include "platform/win32/ScopedWin.h"
#include "util/win32/ListViewSupport.h"

#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace quillon::controls {

struct ChangeNotificationTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindCloseChangeNotification(h); }
};
using UniqueChangeNotification = win::UniqueHandle<ChangeNotificationTraits>;

// The entries of one folder in an owner-data report list (folders first, then files, as
// platform::ListFolder orders them): Name, Size, Type (kept at width 0) and Modified. The control
// keeps the selection. The list follows changes in its folder: a thread waits for the system's
// change notification and the GUI thread lists the folder again, at most once per ReloadGapMs (or
// twice what a listing takes, when that is longer), keeping the selection by name and the scroll
// position.
class ShellList final : private ContainerWindow {
public:
    static constexpr unsigned ReloadGapMs = 200;

    ShellList() = default;
    ~ShellList();

    bool Create(HWND parent, int id, int dpi);
    using ContainerWindow::Handle;
    HWND ListHandle() const { return list_; }

    // Lists folder at once and watches it. False, with an empty list, when it cannot be listed.
    bool ShowFolder(const std::filesystem::path& folder);
    std::filesystem::path Folder() const { return folder_; }
    std::size_t Count() const { return entries_.size(); }
    std::size_t SelectedCount() const;
    bool Selected(std::size_t i) const;
    void SetSelected(std::size_t i, bool selected);
    bool IsFolder(std::size_t i) const { return entries_.at(i).isDirectory; }
    std::int64_t Size(std::size_t i) const { return entries_.at(i).size; }
    std::filesystem::path Name(std::size_t i) const { return entries_.at(i).name; }
    std::filesystem::path FullPath(std::size_t i) const { return folder_ / entries_.at(i).name; }

    // Redraw off between them, for changes of many rows' selection at once.
    void BeginUpdate();
    void EndUpdate();
    void Enable(bool enable);
    void SetFont(HFONT font);
    void SetDpi(int dpi);
    // How the Size column writes a file's size (default: FormatSize's Auto mode with its unit).
    using SizeFormat = std::function<std::wstring(std::int64_t bytes)>;
    void SetSizeFormat(SizeFormat format);

    // A right click, Shift+F10 or the menu key; the point in screen coordinates (for the keys:
    // at the focused row).
    void SetOnContextMenu(std::function<void(POINT screen)> onContextMenu) {
        onContextMenu_ = std::move(onContextMenu);
    }
    // A key pressed in the list; true when the owner took it, and the list then ignores it.
    void SetOnKeyDown(std::function<bool(UINT vk)> onKeyDown) { onKeyDown_ = std::move(onKeyDown); }
    // A folder row double-clicked or opened with Enter.
    void SetOnOpenFolder(std::function<void(const std::filesystem::path&)> onOpenFolder) {
        onOpenFolder_ = std::move(onOpenFolder);
    }

private:
    struct Kind {
        int image = 0;
        std::wstring typeName;
    };

    LRESULT OnContainerMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnHostedNotify(NMHDR& header) override;
    void OnHostedResized(int width, int height) override;
    static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR data);
    const Kind& KindOf(std::size_t i);
    std::wstring ModifiedText(std::int64_t fileTime) const;
    void ShowContextMenu(LPARAM position);
    // The thread takes the armed notification and posts WM_FOLDERCHANGED for every change.
    void StartWatch(UniqueChangeNotification change);
    void StopWatch();
    void FolderChanged();
    // Lists the shown folder again, keeping selection, focus and scroll position.
    void Reload();
    void SetColumnWidths();

    HWND list_ = nullptr;
    int dpi_ = 96;
    bool nameWidthChosen_ = false; // the user dragged the Name column's divider
    win::RedrawBatch batch_;
    SizeFormat sizeFormat_;
    std::wstring shortTime_; // the locale's short time pattern; empty: the long one less seconds

    std::filesystem::path folder_;
    std::vector<platform::FolderEntry> entries_;
    std::vector<std::int32_t> kindOf_; // index into kinds_, -1 until the row is first shown
    std::vector<Kind> kinds_;
    std::unordered_map<std::wstring, std::int32_t> kindByExtension_;
    std::int32_t folderKind_ = -1;

    std::thread watcher_;
    win::UniqueKernelHandle stopWatch_;
    WPARAM watchGeneration_ = 0; // tells a stale change message from the current folder's
    bool reloadPending_ = false;
    ULONGLONG lastReload_ = 0;
    ULONGLONG listingMs_ = 0; // what the last listing of the folder took
    std::filesystem::path openPending_;

    std::function<void(POINT)> onContextMenu_;
    std::function<bool(UINT)> onKeyDown_;
    std::function<void(const std::filesystem::path&)> onOpenFolder_;
};

} // namespace quillon::controls
