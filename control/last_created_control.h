// The control whose window was created most recently. The progress dialog
// tells it when the user closes a running transfer.
#pragma once

namespace corvela {

class CCorvelaCtrl;

void SetLastCreatedControl(CCorvelaCtrl* control);
// Called when a control goes away, so the module never names a freed one.
void ForgetControl(CCorvelaCtrl* control);
// Fires CancelTransfer on the last created control, if one is alive. When
// that control lives on another thread, the event runs on that thread, as
// every event of a control must.
void FireCancelTransferOnLastCreated();

// The message that carries the request to a control on another thread.
constexpr unsigned int WM_FIRE_CANCEL_TRANSFER = 0x8000 + 0x4C;  // WM_APP + 0x4C

}  // namespace corvela
