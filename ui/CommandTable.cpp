#include "ui/CommandTable.h"

namespace quillon::ui {

bool CommandEnabled(Command command, const CommandContext& c) {
    const bool idle = c.phase == RunPhase::Idle;
    const bool verify = c.mode == WindowMode::Verify;
    switch (command) {
    case Command::New:
    case Command::Drop:
        return idle;
    case Command::Open:
    case Command::Display:
    case Command::DeleteFiles:
        return idle && verify;
    case Command::Check:
        return idle && (!verify || c.listCheckable);
    case Command::UpdateList:
    case Command::SaveReport:
        return idle && verify && c.listLoaded;
    case Command::Abort:
        // Pressing it with nothing running does nothing; it never goes grey.
        return true;
    case Command::Options:
    case Command::About:
    case Command::SelectFiles:
        // A create run computes on the window's thread: a modal loop opened from its message
        // handling would hold it until the box closes; so does an update. A check runs on its
        // own thread.
        return c.phase != RunPhase::Creating && c.phase != RunPhase::Updating;
    }
    return false;
}

} // namespace quillon::ui
