#pragma once
#include "Version.h"
#include "core/RunState.h"
#include "core/ViewText.h"
#include "verify/ItemList.h"
#include "verify/Loader.h"
#include "verify/StatusCounters.h"
#include "verify/VerifyView.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <unordered_set>
#include <vector>

namespace quillon {

class GuiDispatcher;
class TcrcThread;

// The verify state of the main window: the loaded lists, their entries, counters and filter, and
// the one check worker. Lives on the GUI thread; the view, the run state and the dispatcher
// belong to the window and must outlive it.
class VerifyModel {
public:
    VerifyModel(VerifyView& view, RunState& run, GuiDispatcher& dispatcher);
    // Stops a running check and waits for its worker (serving its calls), as closing the window
    // does, before any entry goes.
    ~VerifyModel();
    VerifyModel(const VerifyModel&) = delete;
    VerifyModel& operator=(const VerifyModel&) = delete;

    static constexpr std::string_view AppTitle = "Quillon " QUILLON_VERSION;

    // The paths of the list files of the loaded list, in load order; filled by the callers of
    // LoadListFiles.
    std::vector<std::filesystem::path> ListFiles;
    TItemList ItemList;
    StatusCounters Counters;
    // The files of the covered folders that no loaded list names, found at the end of the last
    // check that was not aborted (FindUnlistedFiles); empty before, and after a new load.
    std::vector<ViewText> Unlisted;
    std::int32_t DisplayFilter = FilterAll;
    std::uint8_t SizeType = SizeTypeAuto;

    VerifyView& View() { return view_; }
    const VerifyView& View() const { return view_; }
    RunState& Run() { return run_; }
    GuiDispatcher& Dispatcher() { return dispatcher_; }

    // Item list.
    void RefreshList();
    void UpdateSizeText(RowIndex row);
    // A filter item was chosen: its Tag (1 All, 2 Missing, 3 Bad, 4 Good).
    void mnuDisplayClick(std::int32_t tag);

    // Loading: replaces the entries by those of the lists in ListFiles. Throws FileError when a
    // list cannot be opened, after the view, counters, Check button and caption were brought in
    // line with the entries read before it. A caller that starts a check at once may leave the
    // sizes to the check, which looks every one of them up again: until then they are -1.
    // reports: one per list read.
    void LoadListFiles(bool lookUpSizes = true, std::vector<ListReport>* reports = nullptr);
    // The same load in parts, for a window that reads the lists off its own thread (the GUI
    // thread runs the first and the last): BeginLoad deletes the rows and hands back the old
    // entries (to free anywhere); ReadListFiles (verify/Loader.h) makes the new ones on any
    // thread; FinishLoad takes them and rebuilds the view, counters, Check button and caption.
    // listsRead: how many of ListFiles were read; a list that could not be opened, and those
    // after it, are no longer part of the loaded list (with none left, the window is as before
    // any load: no list named in the caption, Check offering the open dialog).
    TItemList BeginLoad();
    void FinishLoad(TItemList items, std::size_t listsRead);
    // AppTitle + " - " + the last path component of the trimmed ListFiles text.
    ViewText ListCaption() const;

    // Checking. StartCheck does nothing while a worker of an earlier check still runs; otherwise
    // the run is Busy and its commands are off from here on.
    void StartCheck();
    void bCancelClick();
    bool CheckRunning() const;
    // Returns when the worker has ended, serving its calls to the GUI thread meanwhile.
    void WaitForCheck();

    // The entries that have a row and their sizes, looked up by the worker before its first
    // step (the sizes are empty when the lookups were cut short).
    struct ShownSizes {
        std::vector<TItemRec*> entries;
        std::vector<std::int64_t> sizes;
    };
    // Steps of a check; the worker runs them (BeginCheck and EndCheck on the GUI thread).
    void BeginCheck(TcrcThread& thread, const ShownSizes& looked);
    void EndCheck();
    void RecountResults();
    // The text the end of a check shows: "Aborted", or "Complete in ..." and, for a check that
    // took fewer entries than the list holds, how many of how many.
    ViewText CheckEndText(bool aborted) const;
    // How many entries a check started now would take (GUI thread): those of the selected rows,
    // or with none selected every one the filter shows.
    std::size_t EntriesToCheck() const;
    // How many entries are Bad with a note of this kind.
    std::size_t CountNotes(NoteKind kind) const;
    // After a check: "N changed, N damaged" where Bad entries have those notes, then
    // "N unlisted" where the check found such files; empty when there is nothing to say.
    ViewText FindingsText() const;

    // Updating a list. The loaded list a row belongs to (a list's header row, or an entry's): the
    // only one when one is loaded; none for a row that is none of them (NoRow, say, with several).
    std::filesystem::path ListOfRow(RowIndex row) const;
    // The paths of that list's entries that the last check found damaged: an update keeps their
    // checksums and counts them.
    std::unordered_set<ViewText> DamagedPaths(const std::filesystem::path& list) const;

private:
    void ShowLoaded(bool noneLeft);

    // What the check under way took: how many entries, chosen by selection or by the filter.
    struct CheckScope {
        std::size_t entries = 0;
        bool bySelection = false;
    };
    CheckScope scope_;

    VerifyView& view_;
    RunState& run_;
    GuiDispatcher& dispatcher_;
    std::unique_ptr<TcrcThread> worker_;
};

} // namespace quillon
