#include "control/last_created_control.h"

#include <windows.h>

#include <mutex>

#include "control/corvela_ctrl.h"

namespace corvela {
namespace {

std::mutex g_mutex;
CCorvelaCtrl* g_control = nullptr;
DWORD g_thread = 0;

}  // namespace

void SetLastCreatedControl(CCorvelaCtrl* control) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_control = control;
    g_thread = GetCurrentThreadId();
}

void ForgetControl(CCorvelaCtrl* control) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_control == control) g_control = nullptr;
}

void FireCancelTransferOnLastCreated() {
    CCorvelaCtrl* on_this_thread = nullptr;
    HWND on_other_thread = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_control) return;
        if (g_thread == GetCurrentThreadId()) {
            on_this_thread = g_control;
            on_this_thread->AddRef();
        } else {
            on_other_thread = g_control->Window();
        }
    }
    if (on_this_thread) {
        on_this_thread->FireCancelTransfer();
        on_this_thread->Release();
    } else if (on_other_thread) {
        // The control's own thread runs the event; a window that is already
        // gone receives nothing.
        SendMessageW(on_other_thread, WM_FIRE_CANCEL_TRANSFER, 0, 0);
    }
}

}  // namespace corvela
