#include "controls/ShellTree.h"

#include "controls/ControlLogic.h"
#include "controls/QuietDriveErrors.h"
#include "platform/FolderListing.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/ScopedWin.h"
#include "util/EnhFunc.h"

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>
#include <uxtheme.h>

namespace quillon::controls {

namespace {

// Folders the user does not see in Explorer by default.
bool ShownFolder(const platform::FolderEntry& entry) {
    return entry.isDirectory && !(entry.attributes & FILE_ATTRIBUTE_HIDDEN);
}

// Whether folder has a subfolder the tree would show, without listing it whole: asked for
// every folder the tree paints.
bool HasShownSubfolder(const std::filesystem::path& folder) {
    std::wstring pattern = folder.native();
    if (!pattern.empty() && pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW fd{};
    const win::UniqueFind find(FindFirstFileExW(platform::ExtendedPath(pattern).c_str(),
                                                FindExInfoBasic, &fd,
                                                FindExSearchLimitToDirectories, nullptr, 0));
    if (!find)
        return false;
    bool found = false;
    do {
        found = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && wcscmp(fd.cFileName, L".") != 0 &&
                wcscmp(fd.cFileName, L"..") != 0;
    } while (!found && FindNextFileW(find.Get(), &fd));
    return found;
}

// The name of an existing entry as the file system spells it.
std::wstring NameOnDisk(const std::filesystem::path& path, const std::wstring& fallback) {
    WIN32_FIND_DATAW fd{};
    const win::UniqueFind find(FindFirstFileExW(platform::ExtendedPath(path.native()).c_str(),
                                                FindExInfoBasic, &fd, FindExSearchNameMatch,
                                                nullptr, 0));
    return find ? std::wstring(fd.cFileName) : fallback;
}

std::filesystem::path KnownFolder(REFKNOWNFOLDERID id) {
    win::UniqueTaskString text;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, text.Put())) || !text)
        return {};
    return TreeFolderPath(text.Get());
}

std::wstring DriveKind(UINT type) {
    switch (type) {
    case DRIVE_REMOVABLE:
        return L"Removable Disk";
    case DRIVE_CDROM:
        return L"CD Drive";
    case DRIVE_REMOTE:
        return L"Network Drive";
    case DRIVE_RAMDISK:
        return L"RAM Disk";
    default:
        return L"Local Disk";
    }
}

} // namespace

ShellTree::~ShellTree() {
    DestroyContainer();
}

bool ShellTree::Create(HWND parent, int id) {
    if (!CreateContainer(parent, id, L"QuillonShellTree", LoadCursorW(nullptr, IDC_ARROW), nullptr))
        return false;
    tree_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                            0, 0, 0, 0, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tree_)
        return false;
    Host(tree_);
    SetWindowTheme(tree_, L"Explorer", nullptr);
    TreeView_SetExtendedStyle(tree_, TVS_EX_DOUBLEBUFFER, TVS_EX_DOUBLEBUFFER);
    SHFILEINFOW info{};
    // The system's image list: shared by every window of the process, never ours to destroy.
    auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    folderImage_ = info.iIcon;
    SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                   SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    openFolderImage_ = info.iIcon;
    TreeView_SetImageList(tree_, images, TVSIL_NORMAL);
    AddTopItems();
    return true;
}

void ShellTree::AddTopItems() {
    auto addFolder = [this](const std::filesystem::path& path) {
        if (path.empty() || !DirectoryExists(path))
            return;
        SHFILEINFOW info{};
        SHGetFileInfoW(path.c_str(), 0, &info, sizeof info,
                       SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        const std::wstring text = info.szDisplayName[0] ? info.szDisplayName : path.filename();
        AddItem(TVI_ROOT, TVI_LAST, Node{path}, text, info.iIcon, info.iIcon);
    };
    addFolder(KnownFolder(FOLDERID_Desktop));
    addFolder(KnownFolder(FOLDERID_Documents));

    std::wstring drives(GetLogicalDriveStringsW(0, nullptr) + 1, L'\0');
    drives.resize(GetLogicalDriveStringsW(static_cast<DWORD>(drives.size()), drives.data()));
    QuietDriveErrors quiet;
    for (const wchar_t* root = drives.c_str(); *root; root += wcslen(root) + 1) {
        const UINT type = GetDriveTypeW(root);
        if (type == DRIVE_NO_ROOT_DIR)
            continue;
        Node node{root};
        node.mayLackMedium = type != DRIVE_FIXED && type != DRIVE_RAMDISK;
        SHFILEINFOW info{};
        SHGetFileInfoW(root, 0, &info, sizeof info,
                       SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        std::wstring text = info.szDisplayName;
        const std::size_t start = text.find_first_not_of(L' ');
        text.erase(0, start == std::wstring::npos ? text.size() : start);
        // "Local Disk (C:)" as Explorer names it. Wine's shell leaves the kind out of the name
        // of a drive without a volume label ("(C:)") and calls its type "Folder".
        if (!text.empty() && text.front() == L'(')
            text = DriveKind(type) + L' ' + text;
        if (text.empty() || text == root)
            text = std::wstring(root, 2);
        AddItem(TVI_ROOT, TVI_LAST, std::move(node), text, info.iIcon, info.iIcon);
    }
}

HTREEITEM ShellTree::AddItem(HTREEITEM parent, HTREEITEM after, Node node, const std::wstring& text,
                             int image, int selectedImage) {
    nodes_.push_back(std::make_unique<Node>(std::move(node)));
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(nodes_.back().get());
    return TreeView_InsertItem(tree_, &insert);
}

void ShellTree::DrawUnfocusedSelection(HDC dc, HTREEITEM item) const {
    RECT label{};
    if (!TreeView_GetItemRect(tree_, item, &label, TRUE))
        return;
    wchar_t text[MAX_PATH] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    TreeView_GetItem(tree_, &tv);
    FillRect(dc, &label, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(dc, &label, GetSysColorBrush(COLOR_BTNSHADOW));
    const win::ScopedSelect font(dc,
                                 reinterpret_cast<HFONT>(SendMessageW(tree_, WM_GETFONT, 0, 0)));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, text, -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

ShellTree::Node* ShellTree::NodeOf(HTREEITEM item) const {
    if (!item)
        return nullptr;
    TVITEMW tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!TreeView_GetItem(tree_, &tv))
        return nullptr;
    return reinterpret_cast<Node*>(tv.lParam);
}

bool ShellTree::ListChildren(HTREEITEM item) {
    Node* node = NodeOf(item);
    if (!node)
        return false;
    if (node->listed)
        return true;
    std::optional<std::vector<platform::FolderEntry>> entries;
    {
        QuietDriveErrors quiet;
        entries = platform::ListFolder(node->path, nullptr);
    }
    if (!entries)
        return false;
    node->listed = true;
    const std::filesystem::path parent = node->path; // nodes_ may grow below
    SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
    for (const auto& entry : *entries)
        if (ShownFolder(entry))
            AddItem(item, TVI_LAST, Node{parent / entry.name}, entry.name.native(), folderImage_,
                    openFolderImage_);
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
    return true;
}

HTREEITEM ShellTree::FindOrAddChild(HTREEITEM item, const std::wstring& name) {
    HTREEITEM after = TVI_FIRST;
    for (HTREEITEM child = TreeView_GetChild(tree_, item); child;
         child = TreeView_GetNextSibling(tree_, child)) {
        const Node* node = NodeOf(child);
        const std::wstring childName = node->path.filename().native();
        if (CompareStringOrdinal(childName.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
            return child;
        if (CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, childName.c_str(), -1,
                            name.c_str(), -1, nullptr, nullptr, 0) == CSTR_LESS_THAN)
            after = child;
    }
    // A hidden folder, or one made after the listing: it goes where a listing would put it.
    const std::filesystem::path path = NodeOf(item)->path / name;
    if (!DirectoryExists(path))
        return nullptr;
    const std::wstring text = NameOnDisk(path, name);
    return AddItem(item, after, Node{NodeOf(item)->path / text}, text, folderImage_,
                   openFolderImage_);
}

std::filesystem::path ShellTree::SelectedPath() const {
    const Node* node = NodeOf(TreeView_GetSelection(tree_));
    return node ? node->path : std::filesystem::path();
}

bool ShellTree::Navigate(const std::filesystem::path& folder) {
    if (folder.empty() || !DirectoryExists(folder))
        return false;
    std::error_code ec;
    std::filesystem::path target = std::filesystem::absolute(folder, ec);
    target = TreeFolderPath(ec ? folder : target);

    std::vector<std::filesystem::path> bases;
    std::vector<HTREEITEM> tops;
    for (HTREEITEM top = TreeView_GetRoot(tree_); top; top = TreeView_GetNextSibling(tree_, top)) {
        tops.push_back(top);
        bases.push_back(NodeOf(top)->path);
    }
    const int base = DeepestBase(bases, target);
    if (base < 0)
        return false;
    HTREEITEM item = tops[static_cast<std::size_t>(base)];
    const auto below = ComponentsBelow(bases[static_cast<std::size_t>(base)], target);
    for (const std::wstring& name : *below) {
        ListChildren(item);
        HTREEITEM child = FindOrAddChild(item, name);
        if (!child)
            return false;
        TreeView_Expand(tree_, item, TVE_EXPAND);
        item = child;
    }
    Select(item);
    return true;
}

void ShellTree::Select(HTREEITEM item) {
    // The callback is the owner's cue to show the folder: also when it was selected already.
    const bool changed = TreeView_GetSelection(tree_) != item;
    TreeView_SelectItem(tree_, item);
    TreeView_EnsureVisible(tree_, item);
    if (!changed && onSelect_)
        onSelect_(SelectedPath());
}

void ShellTree::Enable(bool enable) {
    EnableWindow(tree_, enable);
}

void ShellTree::SetFont(HFONT font) {
    SendMessageW(tree_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ShellTree::Refresh() {
    const std::filesystem::path selected = SelectedPath();
    quiet_ = true;
    SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(tree_);
    nodes_.clear();
    AddTopItems();
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
    quiet_ = false;
    if (selected.empty() || !Navigate(selected)) {
        if (onSelect_)
            onSelect_(SelectedPath());
    }
}

LRESULT ShellTree::OnHostedNotify(NMHDR& header) {
    switch (header.code) {
    case TVN_GETDISPINFOW: {
        auto& item = reinterpret_cast<NMTVDISPINFOW&>(header).item;
        if (!(item.mask & TVIF_CHILDREN))
            return 0;
        Node* node = reinterpret_cast<Node*>(item.lParam);
        if (!node)
            item.cChildren = 0;
        else if (node->listed)
            item.cChildren = TreeView_GetChild(tree_, item.hItem) ? 1 : 0;
        else if (node->mayLackMedium)
            item.cChildren = 1;
        else {
            if (node->hasChildren < 0) {
                QuietDriveErrors quiet;
                node->hasChildren = HasShownSubfolder(node->path) ? 1 : 0;
            }
            item.cChildren = node->hasChildren;
        }
        return 0;
    }
    case TVN_ITEMEXPANDINGW: {
        const auto& view = reinterpret_cast<NMTREEVIEWW&>(header);
        if (!(view.action & TVE_EXPAND))
            return FALSE;
        // A drive without its medium stays closed, to be tried again on the next expand.
        return ListChildren(view.itemNew.hItem) ? FALSE : TRUE;
    }
    case TVN_SELCHANGEDW:
        if (!quiet_ && onSelect_)
            onSelect_(SelectedPath());
        return 0;
    case NM_CUSTOMDRAW: {
        // The folder whose files the list shows stays marked while the list has the focus: the
        // themed tree (Wine's) draws an unfocused selection like any other item, so it is drawn
        // over once the tree has drawn it.
        auto& draw = reinterpret_cast<NMTVCUSTOMDRAW&>(header);
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
            return CDRF_NOTIFYITEMDRAW;
        const bool unfocusedSelection =
            (draw.nmcd.uItemState & CDIS_SELECTED) && GetFocus() != tree_;
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
            return unfocusedSelection ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT && unfocusedSelection)
            DrawUnfocusedSelection(draw.nmcd.hdc,
                                   reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec));
        return CDRF_DODEFAULT;
    }
    }
    return 0;
}

} // namespace quillon::controls
