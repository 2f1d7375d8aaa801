#pragma once
#include <windows.h>

#include "controls/ShellList.h"
#include "controls/ShellTree.h"
#include "controls/Splitter.h"
#include "core/RunState.h"
#include "platform/win32/ScopedWin.h"
#include "platform/win32/Taskbar.h"
#include "ui/CommandTable.h"
#include "ui/GuiDispatcherWin32.h"
#include "ui/MainLayout.h"
#include "ui/MainToolbar.h"
#include "ui/ProgressStrip.h"
#include "ui/RunFeedback.h"
#include "ui/VerifyListView.h"
#include "ui/uDragFilesTrg.h"
#include "util/SettingsStore.h"
#include "util/win32/Window.h"
#include "verify/ListLoadJob.h"
#include "verify/VerifyModel.h"
#include "verify/VerifyView.h"
#include "verify/ViewRecorder.h"
#include "verify/win32/QLstatus.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon::ui {

// Private messages of the main window (the others are in MainDlgIds.h).
// wParam, lParam: 0. Posted to itself at creation: the command line is acted on once the
// message loop runs, with the settings already applied.
constexpr UINT WM_PROCESSCMDLINE = WM_USER + 103;
// wParam: the open dialog's top-level window; lParam: 0. Posted when the dialog shows.
constexpr UINT WM_CENTERDIALOG = WM_USER + 105;

// What the window needs from outside that tests replace.
struct MainOptions {
    // The command line as the runtime splits it; [0] is the program's path.
    std::vector<std::wstring> args;
    // The program's window ends the message loop when it goes; a test's does not.
    bool quitOnDestroy = true;
    // The settings key under HKEY_CURRENT_USER.
    std::wstring settingsKey = std::wstring(settings::Key);
    // The class registrations of the options dialog: empty for the per-user classes and
    // HKEY_CLASSES_ROOT; tests give scratch keys below HKEY_CURRENT_USER.
    std::wstring classesKey, classesFallbackKey;
    // Message boxes: returns the button pressed (IDOK, IDYES...). Default: MessageBoxW.
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>
        messageBox;
    // The open dialog: the chosen files, or nothing on Cancel. Default: the system dialog.
    std::function<std::optional<std::vector<std::filesystem::path>>(HWND owner)> openDialog;
    // The taskbar button of the window. Default: the shell's (ITaskbarList3).
    std::function<std::unique_ptr<platform::TaskbarButton>(HWND window)> taskbar;
    // The Create command's save dialog: the chosen name or nothing on Cancel; filterIndex (1 SFV,
    // 2 MD5, 3 SHA-1, 4 SHA-256, 5 SHA-512, 6 BLAKE3) in and out. Default: the system dialog.
    std::function<std::optional<std::filesystem::path>(HWND owner, const std::wstring& initialDir,
                                                       int& filterIndex)>
        saveDialog;
    // The one-line prompt of Mask Select: true and value replaced on OK. Default: InputQueryEx.
    std::function<bool(HWND owner, const std::wstring& caption, const std::wstring& prompt,
                       std::wstring& value)>
        inputQuery;
    // Opens web addresses (verb, target). Default: the shell's ShellExecute.
    std::function<void(const std::wstring& verb, const std::wstring& target)> shellOpen;
    // Ends the process once the message loop comes round (the folder command's end). Default:
    // PostQuitMessage.
    std::function<void(int exitCode)> quit;
    // Save Report's dialog: the chosen name or nothing on Cancel. Default: the system dialog.
    std::function<std::optional<std::filesystem::path>(HWND owner, const std::wstring& initialDir)>
        reportDialog;
    // Runs once the Unlisted Files box is on screen, inside its modal loop (tests drive it).
    std::function<void(HWND box)> onUnlistedShown;
};

// The main window: the verify list with its toolbar, progress strip and status bar, the settings
// store and placement, the open dialog, dropped files and the command line; in create mode the
// folder tree and file list from which new lists are made (MainDlgCreate.cpp). It is the
// engine's view: rows, bars and texts go to the recorder, which the run feedback shows.
class TFrmMain final : public VerifyView, private win::Window {
public:
    TFrmMain(HINSTANCE instance, MainOptions options);
    // Destroys the window if it still exists; the worker has ended by then.
    ~TFrmMain() override;

    // Creates the window with its controls, applies the settings (FormCreate) and shows it.
    bool Create(int showCommand);
    using win::Window::Handle;
    // For the message loop: the keyboard shortcuts (Ctrl+O opens, F5 checks, Esc aborts a
    // running check, Alt and a button's underlined letter press it, Tab moves between the lists
    // and the toolbar). True when msg was one of them and is done.
    bool PreTranslate(MSG& msg);

    // Commands.
    void bCheckClick();
    void bCancelClick();
    // The verify list's keys: Delete sends the selected rows' files to the Recycle Bin,
    // Shift+Delete deletes them for good.
    void lvKeyDown(WORD key);
    void DeleteSelectedFiles(bool forGood);
    // The Options button: the options dialog, applied to this window on OK.
    void bOptionsClick();
    // The About button and the donation image.
    void ToolButton3Click();
    void Image2Click();
    // Switches between verify and create mode.
    void bCreateClick();
    // Create mode: the window's mode is the caption of bCreate ("Verify" there).
    bool InCreateMode() const;
    // One create run of the file list's selected files into fileName (completed by the save
    // dialog's filter when it has no extension). Throws FileError when the list cannot be
    // stored; the window is in its idle state again either way. False when files were left out
    // or the run did not finish.
    bool CreateList(std::filesystem::path fileName);
    // The file list's selection commands.
    void MaskSelect1Click();
    void InverseSelection1Click();
    void SelectAll2Click();
    void bOpenClick();
    void mnuDisplayClick(std::int32_t tag);
    // 0 Left, 1 Top; any other number changes nothing.
    void SetToolbarLayout(int position);
    void ProcessCommandLine();
    // The end of bOpenClick: the chosen files become the loaded list.
    void OpenChosenFiles(const std::vector<std::filesystem::path>& files);
    void DragFilesTrg1Drop();
    // Update List (Ctrl+U, the Display menu and the verify list's menu): the list of the focused
    // row, or the only one, brought up to date.
    void UpdateListClick();
    // One update of list, a loaded list: asks first whether entries whose files are gone go,
    // runs on this thread like a create run (the strip, Abort), says what it did and loads the
    // lists again. True when it was written with no file left out.
    bool UpdateList(const std::filesystem::path& list);
    // Save Report (Ctrl+S, the Display menu and the verify list's menu): what the rows show,
    // the unlisted files after them, as CSV where the report dialog says.
    void SaveReportClick();
    // Copy (Ctrl+C in the verify list, its menu): the selected rows as tab-separated text.
    void CopySelectedRows();
    // What a drop and the command line do with their list: load it alone and check it at once.
    void LoadAndCheck(const std::filesystem::path& list);
    // While lists are read (on a thread of their own); the window is Busy meanwhile.
    bool Loading() const { return loader_.Running(); }

    // The open dialog's remembered file name and folder.
    const std::wstring& OpenFileName() const { return openFileName_; }
    const std::wstring& OpenInitialDir() const { return openInitialDir_; }

    VerifyModel& Model() { return *model_; }
    RunState& Run() { return run_; }
    TVerifyList& List() { return list_; }
    TProgressStrip& Strip() { return strip_; }
    TqlStatusBar& StatusBar() { return sBar_; }
    TDragFilesTrg& DropTarget() { return dropTarget_; }
    HWND Toolbar() const { return toolbar_.Handle(); }
    // A toolbar button's caption as shown (without the mnemonic marker).
    std::wstring ButtonCaption(int id) const { return toolbar_.Caption(id); }
    bool ButtonEnabled(int id) const { return toolbar_.Enabled(id); }
    controls::ShellTree& Tree() { return PTShellTree1_; }
    controls::ShellList& Files() { return PTShellList1_; }
    controls::Splitter& Panes() { return PTSplitter1_; }
    TqlStatusBar& StatusBar2() { return sBar2_; }
    int SaveFilterIndex() const { return saveFilterIndex_; }
    int Dpi() const { return dpi_; }
    bool TopLayout() const { return topLayout_; }
    const MainLayout& Layout() const { return layout_; }
    // The application's title for message boxes (from the program file's name).
    const std::wstring& ApplicationTitle() const { return appTitle_; }

    // VerifyView. Rows, bars and texts go to the recorder from any thread; the feedback shows
    // them on this one.
    void SetFileProgress(std::int32_t percent) override;
    void SetTotalProgress(std::int32_t percent) override;
    void SetRateText(const ViewText& text) override;
    void SetTimeText(const ViewText& text) override;
    void SetCurrentFile(ViewTextView name) override;
    void SetRunFigures(const RunFigures& figures) override;
    void BeginUpdate() override { list_.BeginUpdate(); }
    void EndUpdate() override { list_.EndUpdate(); }
    void DeleteAllRows() override { list_.DeleteAllRows(); }
    void ReserveRows(std::size_t count) override { recorder_.Reserve(count); }
    RowIndex AddRow(ViewTextView caption, std::int32_t indent, std::int32_t image,
                    TItemRec* data) override {
        return list_.AddRow(caption, indent, image, data);
    }
    void Relayout() override { list_.Relayout(); }
    std::int32_t RowCount() const override { return list_.RowCount(); }
    TItemRec* RowData(RowIndex row) const override { return list_.RowData(row); }
    bool IsRowSelected(RowIndex row) const override { return list_.IsRowSelected(row); }
    std::int32_t SelectedCount() const override { return list_.SelectedCount(); }
    void ScrollRowIntoView(RowIndex row) override;
    void SetRowImage(RowIndex row, std::int32_t image) override;
    void SetRowSizeText(RowIndex row, const ViewText& text) override;
    void SetRowNote(RowIndex row, const std::string& note) override;
    void EnableCheckCommand(bool enabled) override;
    void EnableRunCommands(bool enabled) override;
    void RequestStatusRepaint() override;
    void SetCaption(const ViewText& text) override;
    void SetDisplayFilterMark(std::int32_t tag) override;
    void SetFindings(const ViewText& text) override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnException(const std::exception* e) override;

    void FormCreate();
    void FormClose();
    void FormDestroy();
    void CreateControls();
    void ApplyFonts();
    void ApplyDpi(int dpi);
    // Moves every control to its place for the client size, DPI and layout switches.
    void LayoutControls();
    void OnCommand(int id, bool fromShortcut);
    bool OnNotify(const NMHDR& header, LRESULT* result);
    void ShowDisplayMenu();
    // The verify list's context menu, at a WM_CONTEXTMENU position (-1: from the keyboard).
    void ShowListMenu(LPARAM position);
    // Greys the menu commands that cannot run now.
    void EnableMenuCommands(HMENU menu);
    // The files the last check found that no loaded list names, in a box of their own.
    void ShowUnlistedFiles();
    void sBarDrawPanel(HDC dc, int panel, const RECT& rect);
    void RecordPlacement(UINT sizeType, int clientWidth, int clientHeight);
    void CenterDialogWindow(HWND dialog);
    int Message(const std::wstring& text, const std::wstring& caption, UINT type);
    void ShowError(const std::exception& e);
    void SetClientSize(int width, int height);
    void RememberOpened(const std::filesystem::path& first, bool folderToo);
    // Replaces the loaded lists by files, read off this thread; checkAfter starts a check once
    // they are in.
    void LoadLists(std::vector<std::filesystem::path> files, bool checkAfter);
    void LoadDone(TItemList items, std::vector<ListReport> reports, std::exception_ptr failure,
                  bool checkAfter);
    // The toolbar buttons and the drop target as the command table has them now.
    CommandContext Commands() const;
    bool Allowed(Command command) const { return CommandEnabled(command, Commands()); }
    void ApplyCommandStates();
    // Whether the GUI thread records: its changes are shown when the loop comes round.
    void Recorded();
    // Moves the keyboard focus: the list of the mode, the toolbar and back (Tab, Shift+Tab).
    void CycleFocus(HWND from, bool backwards);
    // Create mode.
    void CreateCommand();
    void EnsureCreatePanes();
    void ProcessCreateSwitch(bool md5);
    void SetCreateRunControls(bool running);
    // A run on this thread (create, update): Busy, the commands and panes locked, the message
    // pump set; EndGuiRun undoes it and closes a window that was closed meanwhile.
    void BeginGuiRun(bool& running);
    void EndGuiRun();
    void PumpCreateRun();
    void ShowSelectMenu(POINT screen);
    bool OnFilesKey(UINT vk);
    ViewText VerifyCaption() const;
    void ApplySizeType(std::uint8_t sizeType);

    HINSTANCE instance_;
    MainOptions options_;
    std::wstring exePath_; // argument 0, or the program's file
    std::wstring appTitle_;
    int dpi_ = 96;
    DWORD guiThread_ = 0; // the window's own thread

    ViewRecorder recorder_;
    TProgressStrip strip_;
    RunState run_{this};
    GuiDispatcherWin32 dispatcher_;
    std::unique_ptr<VerifyModel> model_;
    ListLoadJob loader_{dispatcher_};

    TVerifyList list_{recorder_};
    TqlStatusBar sBar_;
    TqlStatusBar sBar2_;
    TRunFeedback feedback_{recorder_, list_, strip_, sBar_, sBar2_};
    TDragFilesTrg dropTarget_;
    controls::Splitter PTSplitter1_;
    controls::ShellTree PTShellTree1_;
    controls::ShellList PTShellList1_;
    TMainToolbar toolbar_;
    win::UniqueMenu selectMenu_;
    int saveFilterIndex_ = 1; // the save dialog's filter, for the window's life
    std::wstring reportFolder_; // where the last report went, for the window's life
    bool createRunning_ = false;
    bool updateRunning_ = false;
    bool closeAfterRun_ = false; // closed during a create or update run: destroyed once it ends
    std::uint64_t lastPumpTick_ = 0;
    HWND donationImage_ = nullptr; // Image2
    win::UniqueFont font_;
    win::UniqueImageList statusImages_;
    win::UniqueBitmap donateBitmap_;
    win::UniqueMenu displayMenu_;
    win::UniqueMenu listMenu_;
    win::UniqueAccelerator accelerators_;
    MainLayout layout_;
    // Drawing held back while the open dialog moves to its place (WM_CENTERDIALOG).
    std::optional<win::ScopedUpdateLock>* centerLock_ = nullptr;

    bool topLayout_ = false;
    bool listCheckable_ = true; // with nothing loaded, Check offers the Open command
    bool checking_ = false;
    bool placementMaximized_ = false; // the settings ask for a maximized window
    std::wstring openFileName_, openInitialDir_;

    // Placement as last seen, for the settings at destruction.
    int savedClientWidth_ = 0, savedClientHeight_ = 0, savedLeft_ = 0, savedTop_ = 0;
    bool maximized_ = false; // as the last WM_SIZE said; a window being destroyed may not
    UINT taskbarCreatedMessage_ = 0;
};

} // namespace quillon::ui
