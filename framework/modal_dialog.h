// A modal dialog from a template of the module, in the language the caller
// names. The derived class answers messages through OnMessage.
#pragma once

#include <windows.h>

#include <cstdint>

namespace corvela {

class ModalDialog {
public:
    virtual ~ModalDialog() = default;

    // Runs the dialog until it ends; its result, or -1 when the dialog could
    // not be created.
    INT_PTR DoModal(UINT template_id, uint16_t language, HWND owner);
    HWND Handle() const { return window_; }

protected:
    // Called for every message while the dialog exists. Set *handled and
    // return the message's result to answer it; leave *handled false to let
    // the platform's default processing run.
    virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam, bool* handled) = 0;
    void EndDialog(INT_PTR result);

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    HWND window_ = nullptr;
};

}  // namespace corvela
