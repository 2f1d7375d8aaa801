// The main window's create mode: the mode switch, the Create command and the create run, the
// command line's create switches and the file list's selection commands.
#include "ui/MainDlg.h"

#include "core/FileError.h"
#include "create/CreateRun.h"
#include "create/FolderTree.h"
#include "create/ListName.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "ui/MainDlgIds.h"
#include "util/EnhFunc.h"

#include <commctrl.h>

namespace quillon::ui {

using namespace ids;

namespace {

// The file list's entries as the create run reads them.
class FileListSource final : public CreateSource {
public:
    explicit FileListSource(const controls::ShellList& files) : files_(files) {}
    std::size_t Count() const override { return files_.Count(); }
    bool Selected(std::size_t i) const override { return files_.Selected(i); }
    bool IsFolder(std::size_t i) const override { return files_.IsFolder(i); }
    std::int64_t Size(std::size_t i) const override { return files_.Size(i); }
    std::filesystem::path Name(std::size_t i) const override { return files_.Name(i); }

private:
    const controls::ShellList& files_;
};

// The file being read goes where a check's does: sBar2's panel, the strip's caption.
class CurrentFileView final : public CreateView {
public:
    explicit CurrentFileView(ProgressView& view) : view_(view) {}
    void ShowCurrentFile(const ViewText& name) override { view_.SetCurrentFile(name); }

private:
    ProgressView& view_;
};

std::wstring AppTitleText() { return ViewTextFromAscii(VerifyModel::AppTitle); }

bool IsCtrlOnly() { return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0; }

} // namespace

void TFrmMain::EnsureCreatePanes() {
    // Made on first use: the shell's folders, drives and icons cost a list opened from the
    // shell (the window's main job) most of a second under Wine.
    if (PTSplitter1_.Handle())
        return;
    PTSplitter1_.Create(window_, IDC_SPLITTER, dpi_);
    PTShellTree1_.Create(PTSplitter1_.Handle(), IDC_TREE);
    PTShellList1_.Create(PTSplitter1_.Handle(), IDC_FILES, dpi_);
    ApplySizeType(model_->SizeType);
    PTSplitter1_.SetPanes(PTShellTree1_.Handle(), PTShellList1_.Handle());
    PTSplitter1_.Show(false);
    PTShellTree1_.SetOnSelect(
        [this](const std::filesystem::path& folder) { PTShellList1_.ShowFolder(folder); });
    PTShellList1_.SetOnOpenFolder(
        [this](const std::filesystem::path& folder) { PTShellTree1_.Navigate(folder); });
    PTShellList1_.SetOnContextMenu([this](POINT screen) { ShowSelectMenu(screen); });
    PTShellList1_.SetOnKeyDown([this](UINT vk) { return OnFilesKey(vk); });
    selectMenu_.Reset(CreatePopupMenu());
    AppendMenuW(selectMenu_.Get(), MF_STRING, IDM_MASKSELECT, L"&Mask Select\tCtrl+M");
    AppendMenuW(selectMenu_.Get(), MF_STRING, IDM_INVERSE, L"&Inverse Selection\tCtrl+I");
    AppendMenuW(selectMenu_.Get(), MF_STRING, IDM_SELECTALL, L"Select &All\tCtrl+A");

    ApplyFonts();
    LayoutControls();
}

// The one place that reads the mode.
bool TFrmMain::InCreateMode() const {
    return toolbar_.Caption(IDC_NEW) == L"Verify";
}

ViewText TFrmMain::VerifyCaption() const {
    // The list names one per line, trimmed: with several lists the last one names the window.
    std::wstring names;
    for (const auto& file : model_->ListFiles) {
        names += file.native();
        names += L"\r\n";
    }
    const std::size_t first = names.find_first_not_of(L" \t\r\n");
    const std::size_t last = names.find_last_not_of(L" \t\r\n");
    names = first == std::wstring::npos ? std::wstring() : names.substr(first, last - first + 1);
    return AppTitleText() + L" - " + LastPathComponent(names);
}

void TFrmMain::bCreateClick() {
    if (run_.Busy)
        return;
    const bool entering = !InCreateMode();
    EnsureCreatePanes();
    // Nothing is drawn until both modes' controls have changed places.
    SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    if (entering) {
        SetWindowTextW(window_, AppTitleText().c_str());
        toolbar_.SetCaption(IDC_NEW, L"&Verify");
        toolbar_.SetCaption(IDC_CHECK, L"&Create");
        ShowWindow(sBar_.Handle(), SW_HIDE);
        ShowWindow(sBar2_.Handle(), SW_SHOW);
        if (PTShellTree1_.SelectedPath().empty()) {
            // An open dialog without a folder starts in the current one; so does the tree.
            std::error_code ec;
            const std::filesystem::path start =
                !openInitialDir_.empty() ? std::filesystem::path(openInitialDir_)
                                         : std::filesystem::current_path(ec);
            PTShellTree1_.Navigate(start);
        }
    } else {
        SetCaption(VerifyCaption());
        toolbar_.SetCaption(IDC_NEW, L"&New");
        toolbar_.SetCaption(IDC_CHECK, L"&Check");
        listCheckable_ = list_.RowCount() > 0;
        ShowWindow(sBar2_.Handle(), SW_HIDE);
        ShowWindow(sBar_.Handle(), SW_SHOW);
    }
    ApplyCommandStates();
    const bool create = InCreateMode();
    PTSplitter1_.Show(create);
    ShowWindow(list_.Handle(), create ? SW_HIDE : SW_SHOW);
    SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    if (GetActiveWindow() == window_)
        SetFocus(create ? PTShellList1_.ListHandle() : list_.Handle());
}

void TFrmMain::CreateCommand() {
    if (PTShellList1_.SelectedCount() == 0) {
        Message(L"No files Selected", L"Oops!", MB_OK | MB_ICONERROR);
        return;
    }
    const auto name =
        options_.saveDialog(window_, PTShellTree1_.SelectedPath().native(), saveFilterIndex_);
    if (name && !name->empty())
        CreateList(*name);
}

bool TFrmMain::CreateList(std::filesystem::path fileName) {
    if (run_.Busy)
        return false;
    const bool anySelected = PTShellList1_.SelectedCount() > 0;
    const ListKind kind = CreateListKind(fileName, saveFilterIndex_);
    fileName = CompleteListName(fileName, saveFilterIndex_);

    BeginGuiRun(createRunning_);
    // The end steps, on every path out, a failed store included.
    struct EndSteps {
        TFrmMain& w;
        ~EndSteps() { w.EndGuiRun(); }
    } endSteps{*this};
    if (!anySelected)
        return false;

    // Chosen folders bring their trees: walked here, with the window alive and Abort heard
    // between folders, so the run's progress covers every file of them.
    std::vector<ChosenItem> chosen;
    bool anyFolder = false;
    for (std::size_t i = 0; i < PTShellList1_.Count(); ++i) {
        if (!PTShellList1_.Selected(i))
            continue;
        const bool folder = PTShellList1_.IsFolder(i);
        anyFolder = anyFolder || folder;
        chosen.push_back({PTShellList1_.Name(i), folder, folder ? 0 : PTShellList1_.Size(i)});
    }
    FolderTree tree;
    if (anyFolder) {
        SetCurrentFile(ViewTextFromAscii("Looking for files..."));
        tree = WalkChosenItems(PTShellList1_.Folder(), chosen, [this] {
            PumpCreateRun();
            return !run_.AbortRequested && !run_.WindowClosing;
        });
    }
    FileListSource files(PTShellList1_);
    TreeSource treeFiles(std::move(tree.files));
    CurrentFileView view(*this);
    CreateOutcome outcome;
    if (tree.stopped)
        outcome.aborted = true; // nothing is written for a walk cut short
    else
        outcome = CreateListFile(fileName, kind, PTShellList1_.Folder(),
                                 anyFolder ? static_cast<const CreateSource&>(treeFiles) : files,
                                 run_, &view);
    // Links not followed and folders that could not be listed are named with the files left out.
    outcome.leftOut.insert(outcome.leftOut.end(), tree.skipped.begin(), tree.skipped.end());
    run_.Progress.ShowFinalRate();
    if (outcome.written)
        SetTimeText(ViewTextFromAscii("Complete in ") + FormatDuration(outcome.elapsedSeconds));
    else if (outcome.aborted)
        SetTimeText(ViewTextFromAscii("Aborted"));
    if (run_.WindowClosing)
        return false;
    if (outcome.aborted)
        Message(L"User Aborted", L"Aborted!", MB_OK | MB_ICONERROR);
    else if (!outcome.leftOut.empty())
        Message(LeftOutWarningText(outcome.leftOut, fileName), appTitle_, MB_OK | MB_ICONWARNING);
    return outcome.written && outcome.leftOut.empty();
}

void TFrmMain::SetCreateRunControls(bool running) {
    ApplyCommandStates();
    PTShellTree1_.Enable(!running);
    PTShellList1_.Enable(!running);
    InvalidateRect(sBar_.Handle(), nullptr, FALSE);
    // The bars, texts and taskbar button follow the run like a check's.
    if (running)
        feedback_.RunStarted();
    else
        feedback_.RunEnded(false);
}

void TFrmMain::BeginGuiRun(bool& running) {
    run_.Busy = true;
    running = true;
    SetCreateRunControls(true);
    run_.MessagePump = [this] { PumpCreateRun(); };
    lastPumpTick_ = platform::TickCount64();
}

void TFrmMain::EndGuiRun() {
    run_.MessagePump = nullptr;
    SetCurrentFile({});
    run_.Busy = false;
    createRunning_ = updateRunning_ = false;
    SetCreateRunControls(false);
    // Closed meanwhile: the window goes now that nothing of the run is on its stack.
    if (closeAfterRun_ && window_)
        PostMessageW(window_, WM_CLOSE, 0, 0);
}

void TFrmMain::PumpCreateRun() {
    // Every look at the queue is a request to the window system: a few dozen a second keep the
    // window alive, one per 64 KiB block would cost a create run of a big file its speed.
    const std::uint64_t now = platform::TickCount64();
    if (now - lastPumpTick_ < 15)
        return;
    lastPumpTick_ = now;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: the loop outside ends once the run has.
            PostQuitMessage(static_cast<int>(msg.wParam));
            run_.AbortRequested = true;
            return;
        }
        if (PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TFrmMain::ProcessCreateSwitch(bool md5) {
    if (!InCreateMode())
        bCreateClick();
    // As quillon-cli create: 1 when a folder got no list or not every file went into its list.
    int exitCode = 0;
    const auto& args = options_.args;
    for (std::size_t i = 2; i < args.size() && !args[i].empty(); ++i) {
        const FolderListPlan plan = PlanFolderList(args[i], md5 ? ListKind::Md5 : ListKind::Sfv);
        // An existing list is never overwritten from the command line.
        if (platform::LookupPath(plan.listFile)) {
            exitCode = 1;
            continue;
        }
        try {
            // A folder that is not there is not replaced by whatever the tree shows.
            if (!plan.folderExists)
                throw FileError(FileError::Kind::Create, plan.listFile);
            // A folder the tree has no way to (a share) is shown in the file list alone.
            if ((!PTShellTree1_.Navigate(plan.folder) ||
                 PTShellList1_.Folder() != PTShellTree1_.SelectedPath()) &&
                !PTShellList1_.ShowFolder(plan.folder))
                throw FileError(FileError::Kind::Create, plan.listFile);
            for (std::size_t j = 0; j < PTShellList1_.Count(); ++j)
                if (!PTShellList1_.IsFolder(j) && FolderCommandSelects(PTShellList1_.Name(j)))
                    PTShellList1_.SetSelected(j, true);
            if (!CreateList(plan.listFile))
                exitCode = 1;
        } catch (const std::exception& e) {
            // The error ends the command line; the window stays open in create mode.
            ShowError(e);
            return;
        }
        if (run_.WindowClosing)
            return;
    }
    options_.quit(exitCode);
}

// ---- the file list's selection commands --------------------------------------------------------

void TFrmMain::MaskSelect1Click() {
    if (!Allowed(Command::SelectFiles))
        return;
    std::wstring mask;
    if (!options_.inputQuery(window_, L"Mask Select", L"Enter select mask (*.*)", mask))
        return;
    for (auto& c : mask)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    PTShellList1_.BeginUpdate();
    for (std::size_t i = 0; i < PTShellList1_.Count(); ++i)
        PTShellList1_.SetSelected(i, MatchMask(mask, PTShellList1_.Name(i).native()));
    PTShellList1_.EndUpdate();
}

void TFrmMain::InverseSelection1Click() {
    if (!Allowed(Command::SelectFiles))
        return;
    PTShellList1_.BeginUpdate();
    for (std::size_t i = 0; i < PTShellList1_.Count(); ++i)
        PTShellList1_.SetSelected(i, !PTShellList1_.Selected(i));
    PTShellList1_.EndUpdate();
}

void TFrmMain::SelectAll2Click() {
    if (!Allowed(Command::SelectFiles))
        return;
    PTShellList1_.BeginUpdate();
    for (std::size_t i = 0; i < PTShellList1_.Count(); ++i)
        if (!PTShellList1_.IsFolder(i))
            PTShellList1_.SetSelected(i, true);
    PTShellList1_.EndUpdate();
}

void TFrmMain::ShowSelectMenu(POINT screen) {
    if (!Allowed(Command::SelectFiles))
        return;
    const UINT id = static_cast<UINT>(
        TrackPopupMenu(selectMenu_.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                       screen.x, screen.y, 0, window_, nullptr));
    if (id != 0)
        OnCommand(static_cast<int>(id), false);
}

bool TFrmMain::OnFilesKey(UINT vk) {
    if (!IsCtrlOnly())
        return false;
    switch (vk) {
    case 'M':
        MaskSelect1Click();
        return true;
    case 'I':
        InverseSelection1Click();
        return true;
    case 'A':
        SelectAll2Click();
        return true;
    default:
        return false;
    }
}

} // namespace quillon::ui
