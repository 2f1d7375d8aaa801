// The main window's verify mode: the commands that open, load and check lists, the display
// filter, the Delete key of the verify list and the command line's list.
#include "ui/MainDlg.h"

#include "core/FileError.h"
#include "platform/FileSystem.h"
#include "platform/win32/RecycleBin.h"
#include "platform/win32/WideText.h"
#include "ui/MainDlgIds.h"
#include "ui/UnlistedDialog.h"
#include "verify/Loader.h"

#include <commctrl.h>

namespace quillon::ui {

using namespace ids;

void TFrmMain::ShowDisplayMenu() {
    if (!Allowed(Command::Display))
        return;
    EnableMenuCommands(displayMenu_.Get());
    const RECT r = toolbar_.ScreenRect(IDC_DISPLAY);
    const UINT id = static_cast<UINT>(TrackPopupMenu(
        displayMenu_.Get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
        topLayout_ ? r.left : r.right, topLayout_ ? r.bottom : r.top, 0, window_, nullptr));
    if (id != 0)
        OnCommand(static_cast<int>(id), false);
}

void TFrmMain::ShowUnlistedFiles() {
    if (model_->Unlisted.empty() || run_.Busy)
        return;
    TFrmUnlisted box(model_->Unlisted, dpi_);
    box.onShown = options_.onUnlistedShown;
    box.ShowModal(window_);
}

void TFrmMain::bCheckClick() {
    if (run_.Busy)
        return;
    if (InCreateMode()) {
        CreateCommand();
        return;
    }
    if (model_->ListFiles.empty()) {
        // The lists chosen are checked once they are read; with none, the check runs on nothing.
        const auto chosen = options_.openDialog(window_);
        if (chosen && !chosen->empty()) {
            RememberOpened(chosen->front(), true);
            LoadLists(*chosen, true);
            return;
        }
    }
    // A filter that hides every entry would make the check a silent no-op: say why instead.
    if (!model_->ItemList.empty() && model_->EntriesToCheck() == 0) {
        const std::wstring shown = ViewTextFromAscii(StatusName(model_->DisplayFilter));
        Message(L"Nothing to check: the display shows only " + shown +
                    L" entries, and the list has none. Choose Display, All to see them all.",
                appTitle_, MB_OK | MB_ICONINFORMATION);
        return;
    }
    model_->StartCheck();
}

void TFrmMain::lvKeyDown(WORD key) {
    // Only Delete and Ctrl+C: arrows, letters and shortcuts pass the list on their way.
    if (key == VK_DELETE)
        DeleteSelectedFiles(GetKeyState(VK_SHIFT) < 0);
    else if (key == 'C' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0)
        CopySelectedRows();
}

void TFrmMain::DeleteSelectedFiles(bool forGood) {
    // Nothing happens while a run holds the list.
    if (run_.Busy || !Allowed(Command::DeleteFiles) || list_.SelectedCount() == 0)
        return;
    std::vector<const TItemRec*> entries;
    for (RowIndex row : list_.SelectedRows())
        if (const TItemRec* entry = list_.RowData(row))
            entries.push_back(entry);
    if (entries.empty())
        return;
    // Delete sends the files to the Recycle Bin; Shift+Delete, which cannot be undone, says so
    // and names how many, with Cancel as the default.
    const std::wstring question =
        forGood ? L"Delete " + std::to_wstring(entries.size()) +
                      (entries.size() == 1 ? L" file" : L" files") +
                      L" for good? They do not go to the Recycle Bin and cannot be restored."
                : L"Delete Selected File(s)?";
    const UINT type =
        forGood ? MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2 : MB_OKCANCEL | MB_ICONQUESTION;
    if (Message(question, appTitle_, type) != IDOK)
        return;
    // The rows, statuses and counts stay: a later check finds the files Missing.
    for (const TItemRec* entry : entries) {
        platform::OsError error;
        const bool done = forGood ? platform::RemoveFile(entry->FileName, &error)
                                  : platform::RecycleFile(entry->FileName, &error);
        if (done)
            continue;
        const bool gone = error.code == ERROR_FILE_NOT_FOUND || error.code == ERROR_PATH_NOT_FOUND;
        const std::wstring text = gone ? L"Error file not found: " + entry->FileName
                                       : L"Cannot delete " + entry->FileName + L": " +
                                             platform::win32::Widen(CP_UTF8, error.text);
        options_.messageBox(nullptr, text, L"Quillon", MB_OK | MB_ICONERROR);
    }
}

void TFrmMain::bCancelClick() {
    model_->bCancelClick();
}

void TFrmMain::mnuDisplayClick(std::int32_t tag) {
    if (run_.Busy)
        return;
    model_->mnuDisplayClick(tag);
}

void TFrmMain::bOpenClick() {
    if (run_.Busy)
        return;
    const auto chosen = options_.openDialog(window_);
    if (!chosen || chosen->empty())
        return;
    OpenChosenFiles(*chosen);
}

void TFrmMain::OpenChosenFiles(const std::vector<std::filesystem::path>& files) {
    if (files.empty())
        return;
    RememberOpened(files.front(), true);
    LoadLists(files, false);
}

void TFrmMain::RememberOpened(const std::filesystem::path& first, bool folderToo) {
    openFileName_ = first.native();
    if (folderToo)
        openInitialDir_ = ListFolderPart(first);
}

void TFrmMain::LoadLists(std::vector<std::filesystem::path> files, bool checkAfter) {
    if (run_.Busy || loader_.Running())
        return;
    model_->ListFiles = std::move(files);
    TItemList old = model_->BeginLoad();
    // A check looks every size up again at its start: a load it follows leaves them.
    const bool lookUpSizes = !checkAfter;
    run_.Busy = true;
    loader_.Start(model_->ListFiles, std::move(old), lookUpSizes, &run_.WindowClosing,
                  [this, checkAfter](TItemList items, std::vector<ListReport> reports,
                                     std::exception_ptr failure) {
                      LoadDone(std::move(items), std::move(reports), failure, checkAfter);
                  });
    ApplyCommandStates();
    POINT cursor{};
    GetCursorPos(&cursor);
    SetCursorPos(cursor.x, cursor.y); // the cursor takes its new shape at once
}

void TFrmMain::LoadDone(TItemList items, std::vector<ListReport> reports,
                        std::exception_ptr failure, bool checkAfter) {
    run_.Busy = false;
    const std::vector<std::filesystem::path> lists = model_->ListFiles;
    model_->FinishLoad(std::move(items), reports.size());
    ApplyCommandStates();
    POINT cursor{};
    GetCursorPos(&cursor);
    SetCursorPos(cursor.x, cursor.y);
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const FileError& e) {
            // The reason, as the console tool gives it: a list in a folder that is gone and one
            // that may not be read are told apart.
            Message(e.WideMessageWithReason(), appTitle_, MB_OK | MB_ICONERROR);
        } catch (const std::exception& e) {
            ShowError(e);
        } catch (...) {
        }
        return; // a check that would follow the load does not start
    }
    // A list the window cannot use says so, where it would otherwise show nothing or junk.
    if (model_->ItemList.empty()) {
        std::wstring text =
            lists.size() == 1 ? L"The list holds no entries:" : L"The lists hold no entries:";
        for (const auto& list : lists)
            text += L"\r\n" + list.native();
        Message(text, appTitle_, MB_OK | MB_ICONINFORMATION);
        return;
    }
    for (std::size_t i = 0; i < reports.size() && i < lists.size(); ++i)
        if (reports[i].LooksLikeJunk())
            Message(lists[i].native() + L"\r\ndoes not look like a checksum list: " +
                        std::to_wstring(reports[i].notUnderstood) + L" of " +
                        std::to_wstring(reports[i].entries) + L" lines were not understood.",
                    appTitle_, MB_OK | MB_ICONWARNING);
    if (checkAfter)
        model_->StartCheck();
}

void TFrmMain::DragFilesTrg1Drop() {
    if (dropTarget_.FileCount() == 0 || run_.Busy)
        return;
    const std::filesystem::path name = dropTarget_.Files().front();
    if (Message(L"Process File?\r\n" + name.native(), L"Quillon", MB_YESNO | MB_ICONQUESTION) ==
        IDNO)
        return;
    RememberOpened(name, false);
    LoadAndCheck(name);
}

void TFrmMain::LoadAndCheck(const std::filesystem::path& list) {
    LoadLists({list}, true);
}

void TFrmMain::ProcessCommandLine() {
    const auto& args = options_.args;
    if (args.size() < 2)
        return;
    std::wstring switchText = args[1];
    for (auto& c : switchText)
        c = static_cast<wchar_t>(towlower(c));
    if (switchText == L"-makesfv" || switchText == L"-makemd5") {
        ProcessCreateSwitch(switchText == L"-makemd5");
        return;
    }
    RememberOpened(args[1], true);
    LoadAndCheck(args[1]);
}

} // namespace quillon::ui
