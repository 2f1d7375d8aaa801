// The main window's dialogs: the Options and About commands and the donation image.
#include "ui/MainDlg.h"

#include "create/win32/FADlg.h"
#include "ui/AboutDlg.h"
#include "ui/DonationLink.h"
#include "verify/ItemList.h"

namespace quillon::ui {

void TFrmMain::bOptionsClick() {
    if (!Allowed(Command::Options))
        return;
    OptionsDialogParams params;
    params.owner = window_;
    params.dpi = dpi_;
    params.font = font_.Get();
    params.exePath = exePath_;
    params.settingsKey = options_.settingsKey;
    params.classesKey = options_.classesKey;
    params.classesFallbackKey = options_.classesFallbackKey;
    params.appTitle = appTitle_;
    params.messageBox = options_.messageBox;
    // OK applies the preferences to this window at once.
    OptionsTarget target;
    target.setSizeType = [this](int sizeType) {
        ApplySizeType(static_cast<std::uint8_t>(sizeType));
    };
    target.setToolbarLayout = [this](int layout) { SetToolbarLayout(layout); };
    target.showProgress = [this](bool shown) {
        strip_.SetVisible(shown);
        LayoutControls();
        feedback_.ShowRunTexts();
    };
    target.repaintFileList = [this] {
        if (PTShellList1_.Handle())
            InvalidateRect(PTShellList1_.ListHandle(), nullptr, TRUE);
    };
    target.rewriteSizeTexts = [this] {
        for (RowIndex row = 0; row < list_.RowCount(); ++row)
            model_->UpdateSizeText(row);
        feedback_.Flush();
    };
    TFrmFA dialog(std::move(params), std::move(target));
    dialog.ShowModal();
}

void TFrmMain::ApplySizeType(std::uint8_t sizeType) {
    model_->SizeType = sizeType;
    // The file list shows its sizes as the verify list does.
    PTShellList1_.SetSizeFormat(
        [sizeType](std::int64_t bytes) { return SizeText(bytes, sizeType); });
}

void TFrmMain::ToolButton3Click() {
    if (!Allowed(Command::About))
        return;
    TFrmAbout about(instance_, ViewTextFromAscii(VerifyModel::AppTitle), dpi_);
    if (options_.shellOpen)
        about.open = options_.shellOpen;
    about.ShowModal(window_);
}

void TFrmMain::Image2Click() {
    OpenDonationPage(options_.shellOpen ? options_.shellOpen : ShellOpenFn(ShellOpen));
}

} // namespace quillon::ui
