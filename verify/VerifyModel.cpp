#include "verify/VerifyModel.h"

#include "core/Crc32.h"
#include "platform/Clock.h"
#include "verify/CheckThread.h"
#include "verify/Loader.h"
#include "verify/SizeLookup.h"

namespace quillon {

namespace {
// The model OnProgress points at, so that one going away does not leave it dangling.
const VerifyModel* g_progressOwner = nullptr;
} // namespace

VerifyModel::VerifyModel(VerifyView& view) : Progress(view), view_(view) {}

VerifyModel::~VerifyModel() {
    if (worker_) {
        WindowClose();
        WaitForCheck();
    }
    if (g_progressOwner == this) {
        OnProgress = nullptr;
        g_progressOwner = nullptr;
    }
}

void VerifyModel::ClaimOnProgress() {
    OnProgress = [this](std::int32_t percent, std::int32_t bytes) {
        UpdateProgress(percent, bytes);
    };
    g_progressOwner = this;
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

void VerifyModel::LoadListFiles(bool lookUpSizes) {
    // Never free entries under a worker; one that is past its end steps finishes at once.
    if (worker_)
        WaitForCheck();
    ItemList.clear();
    ClaimOnProgress();
    try {
        for (const auto& listPath : ListFiles)
            AppendListEntries(listPath, ItemList, lookUpSizes);
    } catch (...) {
        // The entries read before the failing list stay; the view shows exactly those.
        FinishLoad();
        throw;
    }
    FinishLoad();
}

void VerifyModel::FinishLoad() {
    RefreshList();
    std::int32_t unchecked = 0;
    for (const auto& e : ItemList)
        unchecked += e->Status == StatusUnchecked;
    Counters.UncheckedCount = unchecked;
    Counters.ResetResults();
    view_.RequestStatusRepaint();
    view_.EnableCheckCommand(view_.RowCount() > 0);
    view_.SetCaption(ListCaption());
}

void VerifyModel::StartCheck() {
    if (worker_) {
        if (!worker_->Finished())
            return;
        worker_->Join();
        worker_.reset();
    }
    Progress.NextRateTick = platform::TickCount64();
    auto worker = std::make_unique<TcrcThread>(*this);
    worker->Start();
    worker_ = std::move(worker);
}

void VerifyModel::bCancelClick() {
    AbortRequested = true;
}

bool VerifyModel::CheckRunning() const {
    return worker_ && !worker_->Finished();
}

void VerifyModel::WaitForCheck() {
    if (!worker_)
        return;
    TcrcThread& worker = *worker_;
    view_.WaitServingWorker([&worker] { return worker.Finished(); });
    worker_->Join();
    worker_.reset();
}

void VerifyModel::WindowClose() {
    WindowClosing = true;
    AbortRequested = true;
}

void VerifyModel::BeginCheck(TcrcThread& thread) {
    Busy = true;
    view_.EnableRunCommands(false);

    const std::int32_t rows = view_.RowCount();
    const std::int32_t selected = view_.SelectedCount();
    thread.CheckAll =
        selected == 0 || selected == rows || (selected == 1 && view_.IsRowSelected(0));

    Progress.TotalBytes = 0;
    std::vector<TItemRec*> shown;
    for (auto& e : ItemList)
        if (e->ListItem != NoRow)
            shown.push_back(e.get());
    const std::vector<std::int64_t> sizes = LookupSizes(shown);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (sizes[i] != shown[i]->Size) {
            shown[i]->Size = sizes[i];
            view_.SetRowSizeText(shown[i]->ListItem, SizeText(sizes[i], SizeType));
        }
    }
    for (const auto& e : ItemList) {
        if (e->ListItem == NoRow || e->Size == -1)
            continue;
        if (thread.CheckAll || view_.IsRowSelected(e->ListItem))
            Progress.TotalBytes += e->Size;
    }
    Progress.DoneBytes = 0;
    // A close that came before this step keeps its stop request.
    AbortRequested = WindowClosing.load();

    if (thread.CheckAll) {
        Counters.ResetResults();
        std::int32_t unchecked = 0;
        for (auto& e : ItemList) {
            // The row image always equals Status, so only changed rows are touched.
            if (e->ListItem != NoRow && e->Status != StatusUnchecked) {
                e->Status = StatusUnchecked;
                view_.SetRowImage(e->ListItem, StatusUnchecked);
            }
            unchecked += e->Status == StatusUnchecked;
        }
        Counters.UncheckedCount = unchecked;
    }
    view_.RequestStatusRepaint();
    Progress.SetBars(0);
    Progress.StartTick = platform::TickCount64();
}

void VerifyModel::RecountResults() {
    // Every row's image is its entry's Status, and the entries with a row are those with a
    // ListItem: counting them needs no round trip to the list view per row.
    std::int32_t counts[5] = {};
    for (const auto& e : ItemList)
        if (e->ListItem != NoRow && e->Status >= 0 && e->Status <= StatusGood)
            ++counts[e->Status];
    Counters.MissingCount = counts[StatusMissing];
    Counters.BadCount = counts[StatusBad];
    Counters.GoodCount = counts[StatusGood];
}

void VerifyModel::EndCheck() {
    view_.RequestStatusRepaint();
    Progress.SetBars(100);
    if (!AbortRequested)
        view_.SetTimeText(ViewTextFromAscii("Complete in ") +
                          FormatDuration(Progress.ElapsedSeconds()));
    else
        view_.SetTimeText({});
    view_.EnableRunCommands(true);
}

} // namespace quillon
