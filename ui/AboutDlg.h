#pragma once
#include "platform/win32/ScopedWin.h"
#include "ui/DonationLink.h"
#include "util/win32/ModalDialog.h"

#include <windows.h>

#include <functional>
#include <string>

namespace quillon::ui {

// Control IDs of the About box. Button1 is IDOK: Enter and Esc both press it.
namespace about_ids {
constexpr int Image1 = 200;
constexpr int Label1 = 201;
constexpr int Label2 = 202;
constexpr int Label3 = 203;
constexpr int Label4 = 204;
constexpr int Label5 = 205;
constexpr int Label6 = 206;
constexpr int Bevel1 = 207;
constexpr int Image2 = 208;
constexpr int Button1 = IDOK;
} // namespace about_ids

// The About box: the title with its shadow, the credits, two web links and the donation image.
class TFrmAbout final : private win::ModalDialog {
public:
    // title: the text of both title labels. dpi: the owner's, which every size is scaled to.
    TFrmAbout(HINSTANCE instance, std::wstring title, int dpi);

    // Shows the box centred over owner (may be nullptr) until it is closed: IDOK, whether by
    // Close, Enter, Esc or the title bar's close box.
    INT_PTR ShowModal(HWND owner);

    // The result the box closes with, 0 while it is open.
    INT_PTR ModalResult() const { return modalResult_; }

    // Tests replace these. open: how links and the donation image reach the shell. onShown: runs
    // once the box is on screen, inside its modal loop.
    ShellOpenFn open = ShellOpen;
    std::function<void(HWND dialog)> onShown;

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls();
    void Close(INT_PTR result);

    void Label5Click();
    void Label6Click();
    void Image2Click();

    HINSTANCE instance_;
    std::wstring title_;
    int dpi_;
    INT_PTR modalResult_ = 0;
    win::UniqueFont font_;
    win::UniqueFont titleFont_;
    win::UniqueIcon icon_;
    win::UniqueBitmap donateBitmap_;
};

} // namespace quillon::ui
