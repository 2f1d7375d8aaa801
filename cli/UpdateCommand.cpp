// quillon-cli update: lists brought up to date, the files that did not change left unread.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Escape.h"
#include "core/FileError.h"
#include "create/ListUpdate.h"

#include <algorithm>

namespace quillon::cli {

namespace {

constexpr const char* kUpdateUsage = "usage: quillon-cli update [--prune] LIST...\n";

void Error(std::string text) {
    text.insert(0, "quillon-cli: ");
    MaskControlsFrom(text, 0);
    Err(text + "\n");
}

// Status 0, 1 (files left out, or gone entries kept) or 2 (the list cannot be read or stored).
int UpdateOne(const std::string& arg, bool prune) {
    const std::filesystem::path list = AbsolutePathFromArg(arg);
    const std::filesystem::path folder = list.parent_path();
    RunState run; // no progress shown, no window, nothing to abort
    UpdateOutcome outcome;
    try {
        outcome = UpdateListFile(list, prune, run, nullptr);
    } catch (const FileError& e) {
        std::string text = e.MessageWithReason();
        Error(text);
        return 2;
    }
    if (outcome.notAList) {
        Error(arg + ": does not look like a checksum list, not updated");
        return 2;
    }
    for (const LeftOutFile& f : outcome.leftOut)
        Error(TextFromPath(folder / f.name) + ": " + f.reason);
    if (outcome.keptGone > 0)
        Error(arg + ": " + std::to_string(outcome.keptGone) +
              (outcome.keptGone == 1 ? " entry kept although its file is gone (--prune removes it)"
                                     : " entries kept although their files are gone (--prune "
                                       "removes them)"));
    // No check ran before: nothing is known to be damaged here, and the count stays 0.
    std::string line = arg + ": " + UpdateSummaryText(outcome);
    MaskControlsFrom(line, 0);
    Out(line + std::string(kNewline));
    return outcome.leftOut.empty() && outcome.keptGone == 0 ? 0 : 1;
}

} // namespace

int RunUpdate(const Args& args) {
    bool prune = false;
    bool endOfOptions = false;
    std::vector<std::string> lists;
    for (const auto& a : args) {
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && a == "--prune") {
            prune = true;
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            Err("quillon-cli update: unknown option " + a + "\n");
            return 2;
        } else {
            lists.push_back(a);
        }
    }
    if (lists.empty()) {
        Err(kUpdateUsage);
        return 2;
    }
    // Each list on its own: one that cannot be read leaves the others to be updated.
    int status = 0;
    for (const auto& list : lists)
        status = std::max(status, UpdateOne(list, prune));
    return status;
}

} // namespace quillon::cli
