#pragma once

// Which command the window offers in which mode and phase: one table, window-free, so that what
// a run locks is read and tested in one place.
namespace quillon::ui {

enum class Command {
    New,         // bCreate: switch modes
    Open,        // bOpen
    Check,       // bCheck: a check in verify mode, the Create command in create mode
    Abort,       // bCancel
    Display,     // bDisplay: the display filter menu
    Options,     // bOptions: a modal dialog
    About,       // ToolButton3: a modal dialog
    Drop,        // files dropped on the window
    DeleteFiles, // the Delete key of the verify list
    SelectFiles, // Mask Select (a modal prompt), Inverse Selection, Select All
    UpdateList,  // Update List: one loaded list brought up to date
    SaveReport,  // Save Report (a modal save dialog) and Copy: what the rows show, as text
};
inline constexpr int CommandCount = 12;

enum class WindowMode { Verify, Create };
// Creating and Updating compute on the window's thread, between its messages.
enum class RunPhase { Idle, Loading, Checking, Creating, Updating };

struct CommandContext {
    WindowMode mode = WindowMode::Verify;
    RunPhase phase = RunPhase::Idle;
    // Nothing is loaded (Check then offers the open dialog) or the loaded list has rows.
    bool listCheckable = true;
    // At least one list is loaded.
    bool listLoaded = false;
};

bool CommandEnabled(Command command, const CommandContext& context);

} // namespace quillon::ui
