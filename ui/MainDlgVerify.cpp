// The main window's verify mode: the commands that open, load and check lists, the display
// filter, the Delete key of the verify list and the command line's list.
#include "ui/MainDlg.h"

#include "platform/FileSystem.h"
#include "ui/MainDlgIds.h"
#include "verify/Loader.h"

#include <commctrl.h>

namespace quillon::ui {

using namespace ids;

void TFrmMain::ShowDisplayMenu() {
    if (!Allowed(Command::Display))
        return;
    const RECT r = toolbar_.ScreenRect(IDC_DISPLAY);
    const UINT id = static_cast<UINT>(TrackPopupMenu(
        displayMenu_.Get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
        topLayout_ ? r.left : r.right, topLayout_ ? r.bottom : r.top, 0, window_, nullptr));
    if (id != 0)
        OnCommand(static_cast<int>(id), false);
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
    model_->StartCheck();
}

void TFrmMain::lvKeyDown(WORD key) {
    // Shift and Ctrl make no difference; nothing happens while a run holds the list.
    if (key != VK_DELETE || run_.Busy || !Allowed(Command::DeleteFiles) ||
        list_.SelectedCount() == 0)
        return;
    if (Message(L"Delete Selected File(s)?", appTitle_, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    // The rows, statuses and counts stay: a later check finds the files Missing.
    for (RowIndex row : list_.SelectedRows()) {
        const TItemRec* entry = list_.RowData(row);
        if (!entry)
            continue;
        if (!platform::RemoveFile(entry->FileName, nullptr))
            options_.messageBox(nullptr, L"Error file not found: " + entry->FileName, L"Quillon",
                                MB_OK | MB_ICONERROR);
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
                  [this, checkAfter](TItemList items, std::exception_ptr failure) {
                      LoadDone(std::move(items), failure, checkAfter);
                  });
    ApplyCommandStates();
    POINT cursor{};
    GetCursorPos(&cursor);
    SetCursorPos(cursor.x, cursor.y); // the cursor takes its new shape at once
}

void TFrmMain::LoadDone(TItemList items, std::exception_ptr failure, bool checkAfter) {
    run_.Busy = false;
    model_->FinishLoad(std::move(items));
    ApplyCommandStates();
    POINT cursor{};
    GetCursorPos(&cursor);
    SetCursorPos(cursor.x, cursor.y);
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            ShowError(e);
        } catch (...) {
        }
        return; // a check that would follow the load does not start
    }
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
