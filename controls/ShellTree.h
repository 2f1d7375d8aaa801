#pragma once
#include "controls/ContainerWindow.h"

#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillon::controls {

// The folder tree of create mode: the user's Desktop and Documents folders, then the drives, each
// folder listed when it is first expanded. A drive that may have no medium (removable, optical,
// network) is touched only when the user expands it, and never with a system error box.
class ShellTree final : private ContainerWindow {
public:
    ShellTree() = default;
    ~ShellTree();

    // The rows follow the font and the system's icons: nothing here is sized in pixels of ours.
    bool Create(HWND parent, int id);
    using ContainerWindow::Handle;
    HWND TreeHandle() const { return tree_; }

    // The selected folder: no trailing separator but on a drive root ("C:\"); empty when nothing
    // is selected.
    std::filesystem::path SelectedPath() const;
    // Expands the way to folder from the top item that holds it most closely, selects it and
    // scrolls it into view; the selection callback has run when this returns. False, with the
    // selection as it was, when the folder does not exist or no top item holds it.
    bool Navigate(const std::filesystem::path& folder);
    void Enable(bool enable);
    // Called on every change of the selection, also by Navigate.
    void SetOnSelect(std::function<void(const std::filesystem::path&)> onSelect) {
        onSelect_ = std::move(onSelect);
    }
    void SetFont(HFONT font);
    // Builds the tree again (drives come and go) and selects the same folder if it still exists.
    void Refresh();

private:
    struct Node {
        std::filesystem::path path;
        bool mayLackMedium = false;
        bool listed = false;
        int hasChildren = -1; // unknown until the tree first asks
    };

    LRESULT OnHostedNotify(NMHDR& header) override;
    void AddTopItems();
    HTREEITEM AddItem(HTREEITEM parent, HTREEITEM after, Node node, const std::wstring& text,
                      int image, int selectedImage);
    Node* NodeOf(HTREEITEM item) const;
    // Inserts the subfolders of item once; false when its folder cannot be listed.
    bool ListChildren(HTREEITEM item);
    // The child named name (any case), inserted in order when the listing left it out.
    HTREEITEM FindOrAddChild(HTREEITEM item, const std::wstring& name);
    void Select(HTREEITEM item);
    void DrawUnfocusedSelection(HDC dc, HTREEITEM item) const;

    HWND tree_ = nullptr;
    int folderImage_ = 0, openFolderImage_ = 0;
    std::vector<std::unique_ptr<Node>> nodes_; // item data; items only point at them
    std::function<void(const std::filesystem::path&)> onSelect_;
    bool quiet_ = false; // no callbacks while the items are rebuilt
};

} // namespace quillon::controls
