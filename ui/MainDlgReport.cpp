// The main window's report commands: Save Report writes what the rows show as CSV, Copy puts
// the selected rows on the clipboard as tab-separated text.
#include "ui/MainDlg.h"

#include "core/FileError.h"
#include "platform/win32/Clipboard.h"
#include "verify/CheckReport.h"
#include "verify/Loader.h"

namespace quillon::ui {

void TFrmMain::SaveReportClick() {
    if (run_.Busy || !Allowed(Command::SaveReport))
        return;
    // First beside the list, then where the last report went.
    if (reportFolder_.empty() && !model_->ListFiles.empty())
        reportFolder_ = ListFolderPart(model_->ListFiles.front());
    const auto file = options_.reportDialog(window_, reportFolder_);
    if (!file || file->empty())
        return;
    reportFolder_ = ListFolderPart(*file);
    try {
        SaveCheckReport(*file, *model_, ReportScope::Shown);
    } catch (const FileError& e) {
        Message(e.WideMessageWithReason(), appTitle_, MB_OK | MB_ICONERROR);
    }
}

void TFrmMain::CopySelectedRows() {
    // The entries are the worker's while a check runs.
    if (run_.Busy || !Allowed(Command::SaveReport) || list_.SelectedCount() == 0)
        return;
    const std::string text = SelectedRowsText(*model_);
    if (text.empty())
        return;
    if (!platform::win32::CopyTextToClipboard(window_, ViewTextFromUtf8(text)))
        Message(L"The rows could not be copied: another program holds the clipboard.", appTitle_,
                MB_OK | MB_ICONWARNING);
}

} // namespace quillon::ui
