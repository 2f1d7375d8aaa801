#include "controls/ShellList.h"

#include "controls/ControlLogic.h"
#include "platform/win32/LongPath.h"
#include "util/Dpi.h"
#include "util/EnhFunc.h"
#include "util/win32/ListViewSupport.h"

#include <shellapi.h>
#include <uxtheme.h>

#include <algorithm>
#include <cwchar>

namespace quillon::controls {

namespace {

// wParam: the generation of the watch that saw the change; lParam: 0.
constexpr UINT WM_FOLDERCHANGED = WM_USER + 1;
// wParam, lParam: 0; the folder waits in openPending_. Opening a folder replaces the rows, which
// must not happen inside the list's own double-click handling.
constexpr UINT WM_OPENFOLDER = WM_USER + 2;
constexpr UINT_PTR ReloadTimer = 1;

enum Column { NameColumn, SizeColumn, TypeColumn, ModifiedColumn, ColumnCount };
constexpr int ColumnWidth96[ColumnCount] = {240, 90, 0, 130};

// Armed before the folder is listed, so that no change between the listing and the watch goes
// unseen.
UniqueChangeNotification WatchFolder(const std::filesystem::path& folder) {
    return UniqueChangeNotification(
        FindFirstChangeNotificationW(platform::ExtendedPath(folder.native()).c_str(), FALSE,
                                     FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                         FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
}

void Watch(HWND target, HANDLE change, HANDLE stop, WPARAM generation) {
    const HANDLE handles[] = {stop, change};
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        PostMessageW(target, WM_FOLDERCHANGED, generation, 0);
        // Fails once the folder is gone; the reload that was just asked for shows it empty.
        if (!FindNextChangeNotification(change))
            break;
    }
}

} // namespace

ShellList::~ShellList() {
    DestroyContainer();
    StopWatch();
}

bool ShellList::Create(HWND parent, int id, int dpi) {
    dpi_ = dpi;
    if (!CreateContainer(parent, id, L"QuillonShellList", LoadCursorW(nullptr, IDC_ARROW), nullptr))
        return false;
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                            0, 0, 0, 0, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!list_)
        return false;
    Host(list_);
    batch_.SetControl(list_);
    SetWindowTheme(list_, L"Explorer", nullptr);
    ListView_SetExtendedListViewStyle(list_,
                                      LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    static const wchar_t* const titles[ColumnCount] = {L"Name", L"Size", L"Type", L"Modified"};
    for (int c = 0; c < ColumnCount; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = c == SizeColumn ? LVCFMT_RIGHT : LVCFMT_LEFT;
        if (c == TypeColumn)
            column.fmt |= LVCFMT_FIXED_WIDTH;
        column.pszText = const_cast<wchar_t*>(titles[c]);
        column.cx = Scale(ColumnWidth96[c], dpi);
        ListView_InsertColumn(list_, c, &column);
    }
    SHFILEINFOW info{};
    // The system's image list: shared, hence LVS_SHAREIMAGELISTS (the list must not destroy it).
    auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"file", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    ListView_SetImageList(list_, images, LVSIL_SMALL);
    SetWindowSubclass(list_, ListProc, 0, reinterpret_cast<DWORD_PTR>(this));

    wchar_t pattern[80];
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTTIME, pattern, 80) > 1)
        shortTime_ = pattern;
    return true;
}

bool ShellList::ShowFolder(const std::filesystem::path& folder) {
    StopWatch();
    KillTimer(window_, ReloadTimer);
    reloadPending_ = false;
    auto change = WatchFolder(folder);
    const ULONGLONG start = GetTickCount64();
    auto listed = platform::ListFolder(folder, nullptr);
    listingMs_ = GetTickCount64() - start;
    folder_ = folder;
    BeginUpdate();
    // A new item count keeps the old selection.
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    entries_ = listed ? std::move(*listed) : std::vector<platform::FolderEntry>{};
    kindOf_.assign(entries_.size(), -1);
    ListView_SetItemCountEx(list_, static_cast<int>(entries_.size()), 0);
    EndUpdate();
    if (!entries_.empty())
        ListView_EnsureVisible(list_, 0, FALSE);
    lastReload_ = GetTickCount64();
    if (listed)
        StartWatch(std::move(change));
    return listed.has_value();
}

void ShellList::StartWatch(UniqueChangeNotification change) {
    stopWatch_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!change || !stopWatch_)
        return;
    ++watchGeneration_;
    watcher_ = std::thread([target = window_, change = std::move(change), stop = stopWatch_.Get(),
                            generation = watchGeneration_]() noexcept {
        try {
            Watch(target, change.Get(), stop, generation);
        } catch (...) {
        }
    });
}

void ShellList::StopWatch() {
    if (watcher_.joinable()) {
        SetEvent(stopWatch_.Get());
        watcher_.join();
    }
    stopWatch_.Reset();
}

void ShellList::FolderChanged() {
    if (reloadPending_)
        return;
    // A folder of 100,000 files takes most of a second to list: the window answers in between
    // for at least twice that.
    const ULONGLONG gap = std::max<ULONGLONG>(ReloadGapMs, 2 * listingMs_);
    const ULONGLONG since = GetTickCount64() - lastReload_;
    if (since >= gap) {
        Reload();
        return;
    }
    // A burst of changes (a file being written) costs one more listing at the end of the gap.
    reloadPending_ = SetTimer(window_, ReloadTimer, static_cast<UINT>(gap - since), nullptr) != 0;
}

void ShellList::Reload() {
    const ULONGLONG start = GetTickCount64();
    auto listed = platform::ListFolder(folder_, nullptr);
    if (!listed || listed->empty()) {
        // Perhaps deleted: the system removes a folder only once the last handle on it closes,
        // and the watch holds one. Whether it is still there tells once the watch has let go.
        StopWatch();
        if (DirectoryExists(folder_)) {
            auto change = WatchFolder(folder_);
            listed = platform::ListFolder(folder_, nullptr);
            if (listed)
                StartWatch(std::move(change));
        } else {
            listed.reset();
        }
    }
    std::vector<std::wstring> selected;
    for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
        selected.push_back(entries_[static_cast<std::size_t>(i)].name.native());
    const bool allSelected = !entries_.empty() && selected.size() == entries_.size();
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    const int top = ListView_GetTopIndex(list_);
    std::vector<std::wstring> marks; // the focused row's name, then the top row's
    for (int i : {focused, top})
        marks.push_back(i >= 0 && static_cast<std::size_t>(i) < entries_.size()
                            ? entries_[static_cast<std::size_t>(i)].name.native()
                            : std::wstring());

    BeginUpdate();
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    entries_ = listed ? std::move(*listed) : std::vector<platform::FolderEntry>{};
    kindOf_.assign(entries_.size(), -1);
    ListView_SetItemCountEx(list_, static_cast<int>(entries_.size()),
                            LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    if (allSelected && !entries_.empty()) {
        ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
    } else {
        for (std::size_t i : PositionsOfNames(entries_, selected))
            ListView_SetItemState(list_, static_cast<int>(i), LVIS_SELECTED, LVIS_SELECTED);
    }
    const auto find = [this](const std::wstring& name, int fallback) {
        const auto at = PositionsOfNames(entries_, {name});
        return at.empty() ? fallback : static_cast<int>(at.front());
    };
    const int count = static_cast<int>(entries_.size());
    if (focused >= 0 && count > 0) {
        const int row = std::min(find(marks[0], focused), count - 1);
        ListView_SetItemState(list_, row, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    EndUpdate();
    if (count > 0) {
        const int want = std::min(find(marks[1], top), count - 1);
        RECT row{};
        if (want != ListView_GetTopIndex(list_) &&
            ListView_GetItemRect(list_, 0, &row, LVIR_BOUNDS))
            ListView_Scroll(list_, 0,
                            (want - ListView_GetTopIndex(list_)) * (row.bottom - row.top));
    }
    lastReload_ = GetTickCount64();
    listingMs_ = lastReload_ - start;
}

std::size_t ShellList::SelectedCount() const {
    return static_cast<std::size_t>(ListView_GetSelectedCount(list_));
}

bool ShellList::Selected(std::size_t i) const {
    return (ListView_GetItemState(list_, static_cast<int>(i), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void ShellList::SetSelected(std::size_t i, bool selected) {
    if (i >= entries_.size())
        return;
    ListView_SetItemState(list_, static_cast<int>(i), selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void ShellList::BeginUpdate() {
    batch_.Begin();
}

void ShellList::EndUpdate() {
    batch_.End();
}

void ShellList::Enable(bool enable) {
    EnableWindow(list_, enable);
}

void ShellList::SetFont(HFONT font) {
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ShellList::SetDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_)
        return;
    // The user's own widths, carried to the new scale.
    for (int c = 0; c < ColumnCount; ++c)
        ListView_SetColumnWidth(list_, c, Rescale(ListView_GetColumnWidth(list_, c), dpi_, dpi));
    dpi_ = dpi;
}

void ShellList::SetSizeFormat(SizeFormat format) {
    sizeFormat_ = std::move(format);
    InvalidateRect(list_, nullptr, FALSE);
}

const ShellList::Kind& ShellList::KindOf(std::size_t i) {
    std::int32_t& kind = kindOf_[i];
    if (kind >= 0)
        return kinds_[static_cast<std::size_t>(kind)];
    // Asked of the shell once per extension: the same icon and type as every file of the kind,
    // without touching the file.
    const platform::FolderEntry& entry = entries_[i];
    std::wstring extension;
    if (!entry.isDirectory) {
        extension = entry.name.extension().native();
        for (wchar_t& c : extension)
            c = AsciiLower(c);
    }
    std::int32_t& known =
        entry.isDirectory ? folderKind_ : kindByExtension_.try_emplace(extension, -1).first->second;
    if (known < 0) {
        SHFILEINFOW info{};
        const std::wstring probe = entry.isDirectory ? L"folder" : L"file" + extension;
        SHGetFileInfoW(
            probe.c_str(), entry.isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL,
            &info, sizeof info,
            SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME);
        kinds_.push_back({info.iIcon, info.szTypeName});
        known = static_cast<std::int32_t>(kinds_.size() - 1);
    }
    kind = known;
    return kinds_[static_cast<std::size_t>(kind)];
}

std::wstring ShellList::ModifiedText(std::int64_t fileTime) const {
    if (fileTime <= 0)
        return {};
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(fileTime) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(fileTime) >> 32);
    SYSTEMTIME utc, local;
    // The zone rules of that date, as Explorer shows it.
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return {};
    wchar_t date[80], time[80];
    if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 80,
                        nullptr) <= 0)
        return {};
    const int timeLength =
        shortTime_.empty()
            ? GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, time, 80)
            : GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, shortTime_.c_str(), time, 80);
    if (timeLength <= 0)
        return date;
    return std::wstring(date) + L' ' + time;
}

void ShellList::ShowContextMenu(LPARAM position) {
    POINT p{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (position == -1) {
        // From the keyboard: at the focused row, as Explorer puts it.
        p = {0, 0};
        const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
        RECT row{};
        if (focused >= 0) {
            ListView_EnsureVisible(list_, focused, FALSE);
            if (ListView_GetItemRect(list_, focused, &row, LVIR_LABEL))
                p = {row.left + Scale(8, dpi_), row.bottom};
        }
        ClientToScreen(list_, &p);
    }
    if (onContextMenu_)
        onContextMenu_(p);
}

LRESULT CALLBACK ShellList::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<ShellList*>(data);
    try {
        if (message == WM_KEYDOWN && self->onKeyDown_ &&
            self->onKeyDown_(static_cast<UINT>(wParam)))
            return 0;
    } catch (...) {
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, ListProc, id);
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT ShellList::OnHostedNotify(NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= entries_.size()) {
            if (item.mask & LVIF_TEXT)
                win::CopyItemText(item, L"");
            return 0;
        }
        const auto i = static_cast<std::size_t>(item.iItem);
        const platform::FolderEntry& entry = entries_[i];
        if (item.mask & LVIF_TEXT) {
            switch (item.iSubItem) {
            case NameColumn:
                win::CopyItemText(item, entry.name.native());
                break;
            case SizeColumn:
                if (!entry.isDirectory)
                    win::CopyItemText(item, sizeFormat_
                                                ? sizeFormat_(entry.size)
                                                : FormatSize(SizeModeAuto, true,
                                                             static_cast<double>(entry.size)));
                else
                    win::CopyItemText(item, L"");
                break;
            case TypeColumn:
                win::CopyItemText(item, KindOf(i).typeName);
                break;
            case ModifiedColumn:
                win::CopyItemText(item, ModifiedText(entry.lastWriteTime));
                break;
            default:
                win::CopyItemText(item, L"");
            }
        }
        if (item.mask & LVIF_IMAGE)
            item.iImage = KindOf(i).image;
        return 0;
    }
    case LVN_ODFINDITEMW:
        return win::FindRowByPrefix(
            reinterpret_cast<const NMLVFINDITEMW&>(header), entries_.size(),
            [this](std::size_t row) { return std::wstring_view(entries_[row].name.native()); });
    case LVN_ITEMACTIVATE: {
        const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
        if (activate.iItem >= 0 && static_cast<std::size_t>(activate.iItem) < entries_.size() &&
            entries_[static_cast<std::size_t>(activate.iItem)].isDirectory) {
            openPending_ = FullPath(static_cast<std::size_t>(activate.iItem));
            PostMessageW(window_, WM_OPENFOLDER, 0, 0);
        }
        return 0;
    }
    case LVN_ODSTATECHANGED:
        // Ranges of rows changed selection; the control holds it and Selected() reads it back.
        return 0;
    }
    return 0;
}

void ShellList::OnHostedResized(int width, int) {
    // Until the user sets it, the Name column leaves room for Size and Modified: in the window's
    // first size the pane is too narrow for all at their widths.
    if (nameWidthChosen_)
        return;
    const int rest = ListView_GetColumnWidth(list_, SizeColumn) +
                     ListView_GetColumnWidth(list_, ModifiedColumn) +
                     GetSystemMetrics(SM_CXVSCROLL) + Scale(4, dpi_);
    ListView_SetColumnWidth(list_, NameColumn, std::max(Scale(120, dpi_), width - rest));
}

LRESULT ShellList::OnContainerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: {
        auto& header = *reinterpret_cast<NMHDR*>(lParam);
        // The Type column stays out of sight: its divider does not move.
        if (header.hwndFrom == ListView_GetHeader(list_) &&
            (header.code == HDN_BEGINTRACKW || header.code == HDN_BEGINTRACKA)) {
            const int column = reinterpret_cast<NMHEADERW&>(header).iItem;
            nameWidthChosen_ = nameWidthChosen_ || column == NameColumn;
            return column == TypeColumn;
        }
        break;
    }
    case WM_CONTEXTMENU:
        ShowContextMenu(lParam);
        return 0;
    case WM_FOLDERCHANGED:
        if (wParam == watchGeneration_ && watcher_.joinable())
            FolderChanged();
        return 0;
    case WM_TIMER:
        if (wParam == ReloadTimer) {
            KillTimer(window_, ReloadTimer);
            reloadPending_ = false;
            Reload();
            return 0;
        }
        break;
    case WM_OPENFOLDER:
        if (!openPending_.empty() && onOpenFolder_) {
            const std::filesystem::path folder = std::exchange(openPending_, {});
            onOpenFolder_(folder);
        }
        return 0;
    case WM_DESTROY:
        StopWatch();
        KillTimer(window_, ReloadTimer);
        break;
    }
    return Default(message, wParam, lParam);
}

} // namespace quillon::controls
