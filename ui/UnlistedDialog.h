#pragma once
#include "core/ViewText.h"
#include "platform/win32/ScopedWin.h"
#include "util/win32/ModalDialog.h"

#include <windows.h>

#include <functional>
#include <vector>

namespace quillon::ui {

// The files the last check found in the lists' folders that no loaded list names: one path a
// line in a read-only box the user can select from and copy, and a Close button.
class TFrmUnlisted final : private win::ModalDialog {
public:
    static constexpr int PathsId = 301;

    TFrmUnlisted(std::vector<ViewText> paths, int dpi) : paths_(std::move(paths)), dpi_(dpi) {}

    // Centred over owner until Close, Enter or Esc.
    INT_PTR ShowModal(HWND owner);

    // Runs once the box is on screen, inside its modal loop (tests).
    std::function<void(HWND dialog)> onShown;

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls();
    void Layout();

    std::vector<ViewText> paths_;
    int dpi_;
    win::UniqueFont font_;
};

} // namespace quillon::ui
