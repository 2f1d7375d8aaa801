#include "platform/win32/Taskbar.h"

#include "platform/win32/ScopedWin.h"

#include <shobjidl.h>

namespace quillon::platform {

namespace {

class ShellTaskbarButton final : public TaskbarButton {
public:
    ShellTaskbarButton(HWND window, win::ComPtr<ITaskbarList3> list)
        : window_(window), list_(std::move(list)) {}

    void SetState(State state) override {
        const TBPFLAG flag = state == State::Normal  ? TBPF_NORMAL
                             : state == State::Error ? TBPF_ERROR
                                                     : TBPF_NOPROGRESS;
        list_->SetProgressState(window_, flag);
    }
    void SetProgress(int percent) override {
        list_->SetProgressValue(window_, static_cast<ULONGLONG>(percent), 100);
    }

private:
    HWND window_;
    win::ComPtr<ITaskbarList3> list_;
};

} // namespace

std::unique_ptr<TaskbarButton> MakeTaskbarButton(HWND window) {
    win::ComPtr<ITaskbarList3> list;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ITaskbarList3, list.PutVoid())) ||
        FAILED(list->HrInit()))
        return nullptr;
    return std::make_unique<ShellTaskbarButton>(window, std::move(list));
}

} // namespace quillon::platform
