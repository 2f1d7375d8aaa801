#pragma once
#include "Version.h"
#include "verify/ItemList.h"
#include "verify/Progress.h"
#include "verify/StatusCounters.h"
#include "verify/VerifyView.h"
#include "verify/ViewText.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace quillon {

class TcrcThread;

// The verify state of the main window: the loaded lists, their entries, counters and filter, the
// run bookkeeping and the one check worker. Lives on the GUI thread; the view must outlive it.
class VerifyModel {
public:
    explicit VerifyModel(VerifyView& view);
    // Stops a running check and waits for its worker, as closing the window does.
    ~VerifyModel();
    VerifyModel(const VerifyModel&) = delete;
    VerifyModel& operator=(const VerifyModel&) = delete;

    static constexpr std::string_view AppTitle = "Quillon " QUILLON_VERSION;

    // The paths of the list files of the loaded list, in load order; filled by the callers of
    // LoadListFiles.
    std::vector<std::filesystem::path> ListFiles;
    TItemList ItemList;
    StatusCounters Counters;
    std::int32_t DisplayFilter = FilterAll;
    std::uint8_t SizeType = SizeTypeAuto;
    std::atomic<bool> Busy{false};          // a check (or a create run) is under way
    std::atomic<bool> WindowClosing{false}; // the window is going: the worker leaves it alone
    RunProgress Progress;

    VerifyView& View() { return view_; }

    // Item list.
    void RefreshList();
    void UpdateSizeText(RowIndex row);
    // A filter item was chosen: its Tag (1 All, 2 Missing, 3 Bad, 4 Good).
    void mnuDisplayClick(std::int32_t tag);

    // Loading: replaces the entries by those of the lists in ListFiles. Throws FileError when a
    // list cannot be opened, after the view, counters, Check button and caption were brought in
    // line with the entries read before it. A caller that starts a check at once may leave the
    // sizes to the check, which looks every one of them up again: until then they are -1.
    void LoadListFiles(bool lookUpSizes = true);
    // AppTitle + " - " + the last path component of the trimmed ListFiles text.
    ViewText ListCaption() const;

    // Checking. StartCheck does nothing while a worker of an earlier check still runs.
    void StartCheck();
    void bCancelClick();
    bool CheckRunning() const;
    // Returns when the worker has ended, serving its calls to the GUI thread meanwhile.
    void WaitForCheck();
    // The window closes: the worker stops at its next poll and no longer touches the window.
    void WindowClose();

    // Steps of a check; the worker runs them (BeginCheck and EndCheck on the GUI thread).
    void BeginCheck(TcrcThread& thread);
    void EndCheck();
    void RecountResults();

    // The routine OnProgress holds after a load.
    void UpdateProgress(std::int32_t percent, std::int32_t bytes) {
        Progress.UpdateProgress(percent, bytes);
    }

private:
    void FinishLoad();
    void ClaimOnProgress();

    VerifyView& view_;
    std::unique_ptr<TcrcThread> worker_;
};

} // namespace quillon
