// The main window's Update List command: one loaded list brought up to date, files that did not
// change left unread, then loaded again.
#include "ui/MainDlg.h"

#include "core/FileError.h"
#include "create/ListUpdate.h"
#include "platform/win32/WideText.h"
#include "ui/MainDlgIds.h"
#include "util/EnhFunc.h"

#include <commctrl.h>
#include <windowsx.h>

namespace quillon::ui {

using namespace ids;

namespace {

class CurrentFileView final : public CreateView {
public:
    explicit CurrentFileView(ProgressView& view) : view_(view) {}
    void ShowCurrentFile(const ViewText& name) override { view_.SetCurrentFile(name); }

private:
    ProgressView& view_;
};

} // namespace

void TFrmMain::UpdateListClick() {
    if (run_.Busy || !Allowed(Command::UpdateList))
        return;
    const std::filesystem::path list = model_->ListOfRow(list_.FocusedRow());
    if (list.empty()) {
        Message(L"Several lists are loaded: choose a row of the one to update, then Update List "
                L"again.",
                appTitle_, MB_OK | MB_ICONINFORMATION);
        return;
    }
    UpdateList(list);
}

bool TFrmMain::UpdateList(const std::filesystem::path& list) {
    if (run_.Busy)
        return false;
    // Directory lookups alone, no file read: short enough to wait for with the wait cursor.
    ListUpdatePlan plan;
    {
        const HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        try {
            plan = PlanListUpdate(list, model_->DamagedPaths(list));
        } catch (const FileError& e) {
            SetCursor(old);
            Message(e.WideMessageWithReason(), appTitle_, MB_OK | MB_ICONERROR);
            return false;
        }
        SetCursor(old);
    }
    if (plan.report.LooksLikeJunk()) {
        Message(list.native() + L"\r\ndoes not look like a checksum list: " +
                    std::to_wstring(plan.report.notUnderstood) + L" of " +
                    std::to_wstring(plan.report.entries) +
                    L" lines were not understood. It was not updated.",
                appTitle_, MB_OK | MB_ICONWARNING);
        return false;
    }
    bool prune = false;
    if (const std::size_t gone = plan.Count(ListUpdatePlan::State::Gone)) {
        const std::wstring count = std::to_wstring(gone);
        const int answer = Message(
            (gone == 1 ? L"The file of 1 entry of\r\n" : L"The files of " + count + L" entries of\r\n") +
                list.native() +
                (gone == 1 ? L"\r\nis gone. Remove that entry from the list?\r\n\r\nYes removes "
                             L"it, No keeps it, Cancel updates nothing."
                           : L"\r\nare gone. Remove these entries from the list?\r\n\r\nYes "
                             L"removes them, No keeps them, Cancel updates nothing."),
            appTitle_, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return false;
        prune = answer == IDYES;
    }

    UpdateOutcome outcome;
    std::wstring failure;
    {
        BeginGuiRun(updateRunning_);
        // The end steps, on every path out, a failed store included.
        struct EndSteps {
            TFrmMain& w;
            ~EndSteps() { w.EndGuiRun(); }
        } endSteps{*this};
        CurrentFileView view(*this);
        try {
            outcome = RunListUpdate(plan, prune, run_, &view);
        } catch (const FileError& e) {
            failure = e.WideMessageWithReason();
        }
        run_.Progress.ShowFinalRate();
        if (outcome.written)
            SetTimeText(ViewTextFromAscii("Complete in ") +
                        FormatDuration(outcome.elapsedSeconds));
        else if (outcome.aborted)
            SetTimeText(ViewTextFromAscii("Aborted"));
    }
    if (run_.WindowClosing)
        return false;
    if (!failure.empty()) {
        Message(failure + L"\r\nThe list was left as it was.", appTitle_, MB_OK | MB_ICONERROR);
        return false;
    }
    if (outcome.aborted) {
        Message(L"User Aborted", L"Aborted!", MB_OK | MB_ICONERROR);
        return false;
    }
    if (!outcome.written)
        return false;
    // The rows show the list as it now is; what the last check found no longer holds.
    LoadLists(model_->ListFiles, false);
    std::wstring text = list.native() + L"\r\nupdated: " +
                        platform::win32::Widen(CP_UTF8, UpdateSummaryText(outcome)) + L".";
    if (!outcome.leftOut.empty())
        text += L"\r\n\r\n" + LeftOutWarningText(outcome.leftOut, list);
    Message(text, appTitle_,
            MB_OK | (outcome.leftOut.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
    return outcome.leftOut.empty();
}

void TFrmMain::EnableMenuCommands(HMENU menu) {
    EnableMenuItem(menu, IDM_UNLISTED,
                   MF_BYCOMMAND | (model_ && !model_->Unlisted.empty() && !run_.Busy ? MF_ENABLED
                                                                                      : MF_GRAYED));
    EnableMenuItem(menu, IDM_UPDATELIST,
                   MF_BYCOMMAND | (Allowed(Command::UpdateList) ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, IDM_SAVEREPORT,
                   MF_BYCOMMAND | (Allowed(Command::SaveReport) ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, IDM_COPYROWS,
                   MF_BYCOMMAND | (Allowed(Command::SaveReport) && list_.SelectedCount() > 0
                                       ? MF_ENABLED
                                       : MF_GRAYED));
}

void TFrmMain::ShowListMenu(LPARAM position) {
    if (InCreateMode() || run_.Busy)
        return;
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (position == -1) {
        // From the keyboard (Shift+F10, the menu key): below the focused row, else the corner.
        RECT r{};
        const int row = list_.FocusedRow();
        if (row < 0 || !ListView_GetItemRect(list_.Handle(), row, &r, LVIR_LABEL))
            r = RECT{};
        at = POINT{r.left, r.bottom};
        ClientToScreen(list_.Handle(), &at);
    }
    EnableMenuCommands(listMenu_.Get());
    const UINT id = static_cast<UINT>(TrackPopupMenu(
        listMenu_.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, at.x, at.y, 0, window_,
        nullptr));
    if (id != 0)
        OnCommand(static_cast<int>(id), false);
}

} // namespace quillon::ui
