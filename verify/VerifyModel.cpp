#include "verify/VerifyModel.h"

#include "core/Crc32.h"
#include "platform/Clock.h"
#include "verify/CheckThread.h"
#include "verify/GuiDispatcher.h"
#include "verify/Loader.h"
#include "verify/SizeLookup.h"

#include <utility>

namespace quillon {

VerifyModel::VerifyModel(VerifyView& view, RunState& run, GuiDispatcher& dispatcher)
    : view_(view), run_(run), dispatcher_(dispatcher) {}

VerifyModel::~VerifyModel() {
    if (worker_) {
        run_.WindowClose();
        WaitForCheck();
    }
}

void VerifyModel::RefreshList() {
    quillon::RefreshList(ItemList, DisplayFilter, SizeType, view_);
}

void VerifyModel::UpdateSizeText(RowIndex row) {
    quillon::UpdateSizeText(view_, row, SizeType);
}

void VerifyModel::mnuDisplayClick(std::int32_t tag) {
    DisplayFilter = tag;
    view_.SetDisplayFilterMark(tag);
    RefreshList();
}

ViewText VerifyModel::ListCaption() const {
    return quillon::ListCaption(AppTitle, ListFiles);
}

TItemList VerifyModel::BeginLoad() {
    // Never free entries under a worker; one that is past its end steps finishes at once.
    if (worker_)
        WaitForCheck();
    // The rows that show the old entries go before the entries do: a list view asks its rows
    // for their texts whenever it paints.
    for (auto& e : ItemList)
        e->ListItem = NoRow;
    view_.DeleteAllRows();
    // Every check's progress goes where the load pointed it.
    run_.OnProgress = [&progress = run_.Progress](std::int32_t percent, std::int32_t bytes) {
        progress.UpdateProgress(percent, bytes);
    };
    return std::exchange(ItemList, TItemList());
}

void VerifyModel::FinishLoad(TItemList items, std::size_t listsRead) {
    ItemList = std::move(items);
    Unlisted.clear();
    view_.SetFindings({});
    const bool noneLeft = listsRead == 0 && !ListFiles.empty();
    if (listsRead < ListFiles.size())
        ListFiles.resize(listsRead);
    ShowLoaded(noneLeft);
}

void VerifyModel::LoadListFiles(bool lookUpSizes, std::vector<ListReport>* reports) {
    BeginLoad();
    std::vector<ListReport> read;
    TItemList items;
    try {
        ReadListFiles(ListFiles, items, lookUpSizes, nullptr, &read);
    } catch (...) {
        // The entries read before the failing list stay; the view shows exactly those.
        FinishLoad(std::move(items), read.size());
        throw;
    }
    FinishLoad(std::move(items), read.size());
    if (reports)
        *reports = std::move(read);
}

void VerifyModel::ShowLoaded(bool noneLeft) {
    RefreshList();
    std::int32_t unchecked = 0;
    for (const auto& e : ItemList)
        unchecked += e->Status == StatusUnchecked;
    Counters.UncheckedCount = unchecked;
    Counters.ResetResults();
    view_.RequestStatusRepaint();
    // No list left (the only one could not be opened): as before any load.
    view_.EnableCheckCommand(noneLeft || view_.RowCount() > 0);
    view_.SetCaption(noneLeft ? ViewTextFromAscii(AppTitle) : ListCaption());
}

void VerifyModel::StartCheck() {
    // One run at a time (a load or a create run holds the list too).
    if (run_.Busy)
        return;
    if (worker_) {
        if (!worker_->Finished())
            return;
        worker_->Join();
        worker_.reset();
    }
    // The run holds the list from here, not from its first step: before that step the worker
    // looks the sizes up, and nothing may reload or rebuild the entries under it.
    run_.Busy = true;
    view_.EnableRunCommands(false);
    run_.Progress.NextRateTick = platform::TickCount64();
    try {
        auto worker = std::make_unique<TcrcThread>(*this);
        worker->Start();
        worker_ = std::move(worker);
    } catch (...) {
        run_.Busy = false;
        view_.EnableRunCommands(true);
        throw;
    }
}

void VerifyModel::bCancelClick() {
    run_.AbortRequested = true;
}

bool VerifyModel::CheckRunning() const {
    return worker_ && !worker_->Finished();
}

void VerifyModel::WaitForCheck() {
    if (!worker_)
        return;
    const TcrcThread& worker = *worker_;
    dispatcher_.WaitServing(worker.Ended());
    worker_->Join();
    worker_.reset();
}

void VerifyModel::BeginCheck(TcrcThread& thread, const ShownSizes& looked) {
    run_.Busy = true;

    const std::int32_t rows = view_.RowCount();
    const std::int32_t selected = view_.SelectedCount();
    thread.CheckAll =
        selected == 0 || selected == rows || (selected == 1 && view_.IsRowSelected(0));

    run_.Progress.TotalBytes = 0;
    // The sizes as the worker just looked them up (none when a closing window cut that short).
    if (looked.sizes.size() == looked.entries.size()) {
        for (std::size_t i = 0; i < looked.entries.size(); ++i) {
            TItemRec& e = *looked.entries[i];
            if (looked.sizes[i] != e.Size) {
                e.Size = looked.sizes[i];
                // Left to the entry's open (a view that shows no sizes): nothing to show yet.
                if (e.Size != SizeAtOpen)
                    view_.SetRowSizeText(e.ListItem, SizeText(e.Size, SizeType));
            }
        }
    }
    scope_ = {};
    for (const auto& e : ItemList) {
        if (e->ListItem == NoRow || !(thread.CheckAll || view_.IsRowSelected(e->ListItem)))
            continue;
        ++scope_.entries;
        // An Unsupported entry is never read: its bytes would keep the total bar short of 100.
        if (e->Size >= 0 && e->Kind != ListKind::Unsupported)
            run_.Progress.TotalBytes += e->Size;
    }
    scope_.bySelection = !thread.CheckAll;
    Unlisted.clear();
    view_.SetFindings({});
    run_.Progress.DoneBytes = 0;
    // A close that came before this step keeps its stop request.
    run_.AbortRequested = run_.WindowClosing.load();

    if (thread.CheckAll) {
        for (auto& e : ItemList) {
            // The row image always equals Status, so only changed rows are touched.
            if (e->ListItem != NoRow && e->Status != StatusUnchecked) {
                e->Status = StatusUnchecked;
                view_.SetRowImage(e->ListItem, StatusUnchecked);
            }
            if (e->ListItem != NoRow && HasCheckNote(*e)) {
                e->Note.reset();
                view_.SetRowNote(e->ListItem, {});
            }
        }
    }
    RecountResults();
    view_.RequestStatusRepaint();
    run_.Progress.SetBars(0);
    run_.Progress.StartTick = platform::TickCount64();
}

void VerifyModel::RecountResults() {
    // Every entry counts, shown or hidden by the filter, checked now or before: the counts say
    // what the list holds, and changing the filter never changes them.
    std::int32_t counts[5] = {};
    for (const auto& e : ItemList)
        if (e->Status >= 0 && e->Status <= StatusGood)
            ++counts[e->Status];
    Counters.UncheckedCount = counts[StatusUnchecked];
    Counters.MissingCount = counts[StatusMissing];
    Counters.BadCount = counts[StatusBad];
    Counters.GoodCount = counts[StatusGood];
}

ViewText VerifyModel::CheckEndText(bool aborted) const {
    if (aborted)
        return ViewTextFromAscii("Aborted");
    ViewText done =
        ViewTextFromAscii("Complete in ") + FormatDuration(run_.Progress.ElapsedSeconds());
    // A check that left entries out says how many it took, and how it chose them.
    if (scope_.entries < ItemList.size())
        done += ViewTextFromAscii(": " + std::to_string(scope_.entries) +
                                  (scope_.bySelection ? " selected of " : " shown of ") +
                                  std::to_string(ItemList.size()) + " checked");
    return done;
}

void VerifyModel::EndCheck() {
    view_.RequestStatusRepaint();
    view_.SetCurrentFile({});
    run_.Progress.ShowFinalRate();
    // An aborted check leaves its bars where they were and shows no time left.
    const bool aborted = run_.AbortRequested;
    if (!aborted)
        run_.Progress.SetBars(100);
    view_.SetTimeText(CheckEndText(aborted));
    view_.SetFindings(FindingsText());
    view_.EnableRunCommands(true);
}

std::size_t VerifyModel::CountNotes(NoteKind kind) const {
    std::size_t n = 0;
    for (const auto& e : ItemList)
        n += e->Note && e->Note->kind == kind;
    return n;
}

ViewText VerifyModel::FindingsText() const {
    std::string text;
    const std::size_t changed = CountNotes(NoteKind::Changed);
    const std::size_t damaged = CountNotes(NoteKind::Damaged);
    if (changed + damaged > 0)
        text = std::to_string(changed) + " changed, " + std::to_string(damaged) + " damaged";
    if (!Unlisted.empty())
        text += (text.empty() ? "" : ", ") + std::to_string(Unlisted.size()) + " unlisted";
    return ViewTextFromAscii(text);
}

std::filesystem::path VerifyModel::ListOfRow(RowIndex row) const {
    if (ListFiles.size() == 1)
        return ListFiles.front();
    if (row < 0 || row >= view_.RowCount())
        return {};
    if (const TItemRec* e = view_.RowData(row))
        return e->ListFile ? *e->ListFile : std::filesystem::path();
    // Rows without an entry are each list's header, with a blank row before every header but
    // the first: the n-th of them (from 1) is the header of list (n - 1) / 2 when n is odd.
    std::size_t n = 0;
    for (RowIndex r = 0; r <= row; ++r)
        n += view_.RowData(r) == nullptr;
    if (n % 2 == 0)
        return {};
    // Groups as the rows have them: entries in a row that name the same list file.
    std::size_t group = (n - 1) / 2;
    const std::filesystem::path* last = nullptr;
    for (const auto& e : ItemList) {
        if (!e->ListFile || (last && *e->ListFile == *last))
            continue;
        last = e->ListFile.get();
        if (group-- == 0)
            return *last;
    }
    return {};
}

std::unordered_set<ViewText> VerifyModel::DamagedPaths(const std::filesystem::path& list) const {
    std::unordered_set<ViewText> paths;
    for (const auto& e : ItemList)
        if (e->Status == StatusBad && e->Note && e->Note->kind == NoteKind::Damaged &&
            e->ListFile && *e->ListFile == list)
            paths.insert(e->FileName);
    return paths;
}

std::size_t VerifyModel::EntriesToCheck() const {
    const std::int32_t selected = view_.SelectedCount();
    std::size_t shown = 0, chosen = 0;
    for (const auto& e : ItemList) {
        if (e->ListItem == NoRow)
            continue;
        ++shown;
        chosen += selected > 0 && view_.IsRowSelected(e->ListItem);
    }
    return chosen > 0 ? chosen : shown;
}

} // namespace quillon
