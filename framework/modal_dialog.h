// A modal dialog from a template of the module, in the language the caller
// names. The derived class answers its messages through its message map
// (see WindowBase).
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/window.h"

namespace corvela {

class ModalDialog : public WindowBase {
public:
    // Runs the dialog until it ends; its result, or -1 when the dialog could
    // not be created.
    INT_PTR DoModal(UINT template_id, uint16_t language, HWND owner);

protected:
    void EndDialog(INT_PTR result);
};

}  // namespace corvela
