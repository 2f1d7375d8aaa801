#pragma once
// The base of our modal dialogs: the template is built in memory, `this` rides in DWLP_USER from
// WM_INITDIALOG on, every message goes to the member OnMessage, and nothing unwinds into user32.
#include "util/win32/DialogTemplate.h"

#include <windows.h>

#include <exception>

namespace quillon::win {

class ModalDialog {
public:
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    HWND Handle() const { return dialog_; }

protected:
    ModalDialog() = default;
    virtual ~ModalDialog() = default;

    // Runs the dialog until EndDialog; its result, or -1 when it could not be shown.
    INT_PTR RunModal(HWND owner, const DialogTemplate& dialogTemplate);

    // WM_INITDIALOG arrives here like any other message, with dialog_ already set.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // An exception left OnMessage (e is nullptr for one not derived from std::exception). The
    // default ends the dialog with IDABORT; the message then counts as handled.
    virtual void OnException(const std::exception* e);

    HWND dialog_ = nullptr;

private:
    static INT_PTR CALLBACK Thunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace quillon::win
