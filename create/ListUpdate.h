#pragma once
#include "core/ListKind.h"
#include "core/RunState.h"
#include "core/ViewText.h"
#include "create/CreateRun.h"
#include "platform/FileSystem.h"
#include "verify/Loader.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

// Bringing a list up to date without reading the files that did not change: those written since
// the list was made are hashed again, files of the folders it covers that it does not name are
// added, entries of files that are gone go when asked to. Free of windows: the window and
// quillon-cli update both run it.
namespace quillon {

// What an update of one list will do, decided by directory lookups alone: no listed file is read.
// A window can show it (how many files are gone) before it runs.
struct ListUpdatePlan {
    enum class State : std::uint8_t {
        Unchanged, // kept with the checksum the list holds, unread
        Changed,   // written since the list was made (ChangeClassifier's rule): hashed again
        Gone,      // nothing at its path, or a folder or a device
    };
    struct Entry {
        std::filesystem::path name; // as the new list writes it: relative to the list's folder
        ViewText path;              // as the loader resolves it (TItemRec::FileName)
        ListKind kind = ListKind::Sfv;
        std::string digest;    // list text as the list holds it
        std::string algorithm; // an Unsupported entry's tag
        State state = State::Unchanged;
        bool damaged = false;      // among the paths a preceding check found damaged
        platform::FileLookup file; // unless Gone
    };
    struct NewFile {
        std::filesystem::path name; // relative to the list's folder ("sub\name", "sub/name")
        ViewText path;
        std::int64_t size = 0;
    };

    std::filesystem::path listFile;
    ListKind kind = ListKind::Sfv;
    // Most lines without a checksum of their kind: no list (a picture, a document named like one),
    // and an update would write junk over it. RunListUpdate then writes nothing.
    ListReport report;
    std::vector<Entry> entries;    // in list order
    std::vector<NewFile> newFiles; // in the order FindUnlistedFiles finds them

    std::size_t Count(State state) const;
};

// Reads listFile (its kind by its name) and looks up every entry's file and the folders the list
// covers (FindUnlistedFiles' rule: never the list itself, nor other lists; a bare name without a
// folder covers none, so callers pass full paths). One lookup per entry and one listing per
// folder, on the caller's thread, without pumping messages. damaged holds entry paths a check
// found damaged (TItemRec::FileName of this list's entries); it only counts them. Throws
// FileError (Kind::Open) when the list cannot be read.
ListUpdatePlan PlanListUpdate(const std::filesystem::path& listFile,
                              const std::unordered_set<ViewText>& damaged = {});

struct UpdateOutcome {
    bool notAList = false; // the plan's report looks like junk: nothing read, nothing written
    bool aborted = false;  // AbortRequested ended the run: nothing written
    bool written = false;
    std::size_t unchanged = 0;   // kept unread, the damaged among them
    std::size_t keptDamaged = 0; // unchanged entries of the damaged paths: their old checksums
    std::size_t rehashed = 0;
    std::size_t added = 0;
    std::size_t removed = 0;  // gone, pruned
    std::size_t keptGone = 0; // gone, kept (no prune)
    // Changed files not read whole (kept with their old entries) and new files not added, with
    // why; in list order, then the new files' order.
    std::vector<LeftOutFile> leftOut;
    std::int64_t elapsedSeconds = 0;
};

// Carries out a plan: hashes the changed and the new files (each entry with its own kind; a new
// file with the list's) and writes the list whole over the old one (StoreList). The new list
// keeps its kind and the order of the entries it keeps, the new files after them; SFV lists get
// a fresh header and a comment line per file that is there. An entry of another kind than the
// list's is written as a tag line. The encoding is decided as a create run decides it. Gone
// entries are removed when prune, kept otherwise. run is reset here (all but Busy) and drives
// the progress strip; its MessagePump runs between blocks, and AbortRequested ends the run with
// nothing written. Throws FileError (Kind::Create) when the list cannot be stored; the old list
// is then as it was.
UpdateOutcome RunListUpdate(const ListUpdatePlan& plan, bool prune, RunState& run,
                            CreateView* view);

// "N added, N removed, N re-hashed, N kept as damaged, N kept although gone, N left out,
// N unchanged": what quillon-cli and the window say of an update that was written.
std::string UpdateSummaryText(const UpdateOutcome& outcome);

// PlanListUpdate and RunListUpdate in one.
UpdateOutcome UpdateListFile(const std::filesystem::path& listFile, bool prune, RunState& run,
                             CreateView* view, const std::unordered_set<ViewText>& damaged = {});

} // namespace quillon
