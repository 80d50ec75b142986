#include "framework/modal_dialog.h"

#include "framework/resources.h"

namespace corvela {

INT_PTR ModalDialog::DoModal(UINT template_id, uint16_t language, HWND owner) {
    const DLGTEMPLATE* dialog_template = FindDialogTemplate(template_id, language);
    if (!dialog_template) return -1;
    return RunModalDialog(ModuleInstance(), dialog_template, owner);
}

void ModalDialog::EndDialog(INT_PTR result) {
    if (Handle()) ::EndDialog(Handle(), result);
}

}  // namespace corvela
