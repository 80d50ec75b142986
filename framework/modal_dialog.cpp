#include "framework/modal_dialog.h"

#include "framework/resources.h"

namespace corvela {

INT_PTR ModalDialog::DoModal(UINT template_id, uint16_t language, HWND owner) {
    const DLGTEMPLATE* dialog_template = FindDialogTemplate(template_id, language);
    if (!dialog_template) return -1;
    return DialogBoxIndirectParamW(ModuleInstance(), dialog_template, owner, &ModalDialog::DialogProcedure,
                                   reinterpret_cast<LPARAM>(this));
}

void ModalDialog::EndDialog(INT_PTR result) {
    if (window_) ::EndDialog(window_, result);
}

INT_PTR CALLBACK ModalDialog::DialogProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<ModalDialog*>(lparam);
        dialog->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lparam);
    }
    auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;
    bool handled = false;
    const LRESULT result = dialog->OnMessage(message, wparam, lparam, &handled);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->window_ = nullptr;
    }
    if (!handled) return FALSE;
    if (message == WM_INITDIALOG) return result;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace corvela
