#include "verify/VerifyModel.h"

#include "core/Crc32.h"
#include "verify/CheckThread.h"

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

void VerifyModel::RefreshList() { quillon::RefreshList(ItemList, DisplayFilter, SizeType, view_); }

void VerifyModel::UpdateSizeText(RowIndex row) { quillon::UpdateSizeText(view_, row, SizeType); }

void VerifyModel::mnuDisplayClick(std::int32_t tag) {
    DisplayFilter = tag;
    view_.SetDisplayFilterMark(tag);
    RefreshList();
}

} // namespace quillon
