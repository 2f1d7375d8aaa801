#include "ui/SaveDialog.h"

#include "create/ListName.h"
#include "platform/win32/ScopedWin.h"
#include "util/win32/ShellItemPath.h"

#include <shobjidl.h>

namespace quillon::ui {

namespace {

const COMDLG_FILTERSPEC kFilter[] = {
    {L"Simple File Verification (*.sfv)", L"*.sfv"},
    {L"MD5 (*.md5)", L"*.md5"},
    {L"SHA-1 (*.sha1)", L"*.sha1"},
    {L"SHA-256 (*.sha256)", L"*.sha256"},
    {L"SHA-512 (*.sha512)", L"*.sha512"},
    {L"BLAKE3 (*.b3)", L"*.b3"},
};
// In the order of the kinds create writes (FilterKind).
static_assert(std::size(kFilter) == 6);

// A save dialog with the options both share, starting in initialDir; null when none can be made.
win::ComPtr<IFileSaveDialog> MakeSaveDialog(const std::wstring& initialDir) {
    win::ComPtr<IFileSaveDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileSaveDialog, dialog.PutVoid())))
        return {};
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_OVERWRITEPROMPT | FOS_NOREADONLYRETURN | FOS_PATHMUSTEXIST |
                       FOS_FORCEFILESYSTEM);
    if (!initialDir.empty()) {
        win::ComPtr<IShellItem> folder;
        if (SUCCEEDED(SHCreateItemFromParsingName(initialDir.c_str(), nullptr, IID_IShellItem,
                                                  folder.PutVoid())))
            dialog->SetFolder(folder.Get());
    }
    dialog->SetFileName(L"");
    return dialog;
}

} // namespace

std::optional<std::filesystem::path> ShowReportSaveDialog(HWND owner,
                                                          const std::wstring& initialDir) {
    static const COMDLG_FILTERSPEC filter[] = {{L"CSV (*.csv)", L"*.csv"},
                                               {L"All files (*.*)", L"*.*"}};
    win::ComPtr<IFileSaveDialog> dialog = MakeSaveDialog(initialDir);
    if (!dialog)
        return std::nullopt;
    dialog->SetFileTypes(static_cast<UINT>(std::size(filter)), filter);
    dialog->SetDefaultExtension(L"csv");
    if (FAILED(dialog->Show(owner)))
        return std::nullopt;
    win::ComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(item.Put())))
        return std::nullopt;
    std::wstring path = win::ShellItemPath(item.Get());
    if (path.empty())
        return std::nullopt;
    return std::filesystem::path(std::move(path));
}

std::optional<std::filesystem::path> ShowSaveDialog(HWND owner, const std::wstring& initialDir,
                                                    int& filterIndex) {
    win::ComPtr<IFileSaveDialog> dialog = MakeSaveDialog(initialDir);
    if (!dialog)
        return std::nullopt;
    dialog->SetFileTypes(static_cast<UINT>(std::size(kFilter)), kFilter);
    const bool known = filterIndex >= 1 && filterIndex <= static_cast<int>(std::size(kFilter));
    dialog->SetFileTypeIndex(known ? static_cast<UINT>(filterIndex) : 1);
    if (FAILED(dialog->Show(owner)))
        return std::nullopt; // Cancel, too
    UINT index = 0;
    if (SUCCEEDED(dialog->GetFileTypeIndex(&index)) && index >= 1 && index <= std::size(kFilter))
        filterIndex = static_cast<int>(index);
    win::ComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(item.Put())))
        return std::nullopt;
    std::wstring path = win::ShellItemPath(item.Get());
    if (path.empty())
        return std::nullopt;
    // The name as typed: some dialogs put the filter's extension after one the user typed.
    win::UniqueTaskString typed;
    if (SUCCEEDED(dialog->GetFileName(typed.Put())) && typed)
        return UndoAppendedExtension(path, typed.Get());
    return std::filesystem::path(std::move(path));
}

} // namespace quillon::ui
