#include "util/win32/ModalDialog.h"

#include "util/win32/Guarded.h"

namespace quillon::win {

INT_PTR ModalDialog::RunModal(HWND owner, const DialogTemplate& dialogTemplate) {
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate.Get(),
                                                   owner, Thunk, reinterpret_cast<LPARAM>(this));
    dialog_ = nullptr;
    return result;
}

void ModalDialog::OnException(const std::exception*) {
    EndDialog(dialog_, IDABORT);
}

INT_PTR CALLBACK ModalDialog::Thunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<ModalDialog*>(lParam)->dialog_ = dialog;
    }
    auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self)
        return FALSE;
    // An exception counts the message as handled.
    return Guarded<INT_PTR>([&] { return self->OnMessage(message, wParam, lParam); },
                            [self](const std::exception* e) { self->OnException(e); }, TRUE);
}

} // namespace quillon::win
