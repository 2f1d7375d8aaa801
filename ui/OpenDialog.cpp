#include "ui/OpenDialog.h"

#include "platform/win32/ScopedWin.h"
#include "util/win32/ShellItemPath.h"

#include <shobjidl.h>

#include <atomic>

namespace quillon::ui {

namespace {

const COMDLG_FILTERSPEC kFilter[] = {
    {L"SFV or MD5 (*.sfv;*.md5)", L"*.sfv;*.md5"},
    {L"Simple File Verification (*.sfv)", L"*.sfv"},
    {L"MD5 (*.md5)", L"*.md5"},
    {L"SHA-1, SHA-256, SHA-512 or BLAKE3 (*.sha1;*.sha256;*.sha512;*.b3;*.blake3;*SUMS)",
     L"*.sha1;*.sha256;*.sha512;*.b3;*.blake3;*SUMS"},
    {L"All Files (*.*)", L"*.*"},
};

// Tells when the dialog shows: its first folder change comes as it opens.
class ShowEvents final : public IFileDialogEvents {
public:
    explicit ShowEvents(const std::function<void(HWND)>& onShow) : onShow_(onShow) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IFileDialogEvents) {
            *out = static_cast<IFileDialogEvents*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; } // lives on the caller's stack

    HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog* dialog) override {
        if (shown_ || !onShow_)
            return S_OK;
        shown_ = true;
        win::ComPtr<IOleWindow> window;
        HWND handle = nullptr;
        if (SUCCEEDED(dialog->QueryInterface(IID_IOleWindow, window.PutVoid())) &&
            SUCCEEDED(window->GetWindow(&handle)) && handle)
            onShow_(GetAncestor(handle, GA_ROOT));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*,
                                               FDE_SHAREVIOLATION_RESPONSE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem*,
                                          FDE_OVERWRITE_RESPONSE*) override {
        return E_NOTIMPL;
    }

private:
    const std::function<void(HWND)>& onShow_;
    std::atomic<ULONG> refs_{1};
    bool shown_ = false;
};

} // namespace

std::optional<std::vector<std::filesystem::path>>
ShowOpenDialog(HWND owner, const std::wstring& fileName, const std::wstring& initialDir,
               const std::function<void(HWND dialog)>& onShow) {
    win::ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, dialog.PutVoid())))
        return std::nullopt;
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST |
                       FOS_FORCEFILESYSTEM);
    dialog->SetFileTypes(static_cast<UINT>(std::size(kFilter)), kFilter);
    dialog->SetFileTypeIndex(1);
    dialog->SetDefaultExtension(L"sfv");
    if (!initialDir.empty()) {
        win::ComPtr<IShellItem> folder;
        if (SUCCEEDED(SHCreateItemFromParsingName(initialDir.c_str(), nullptr, IID_IShellItem,
                                                  folder.PutVoid())))
            dialog->SetFolder(folder.Get());
    }
    if (!fileName.empty()) {
        const std::size_t slash = fileName.find_last_of(L"\\/:");
        dialog->SetFileName(
            (slash == std::wstring::npos ? fileName : fileName.substr(slash + 1)).c_str());
    }
    ShowEvents events(onShow);
    DWORD cookie = 0;
    const bool advised = SUCCEEDED(dialog->Advise(&events, &cookie));
    const HRESULT shown = dialog->Show(owner);
    if (advised)
        dialog->Unadvise(cookie);
    if (FAILED(shown))
        return std::nullopt; // Cancel, too
    win::ComPtr<IShellItemArray> results;
    if (FAILED(dialog->GetResults(results.Put())))
        return std::nullopt;
    DWORD count = 0;
    results->GetCount(&count);
    std::vector<std::filesystem::path> files;
    for (DWORD i = 0; i < count; ++i) {
        win::ComPtr<IShellItem> item;
        if (SUCCEEDED(results->GetItemAt(i, item.Put()))) {
            std::wstring path = win::ShellItemPath(item.Get());
            if (!path.empty())
                files.emplace_back(std::move(path));
        }
    }
    return files;
}

} // namespace quillon::ui
