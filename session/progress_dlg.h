// The modal window that runs one transfer batch: it starts the worker when
// it opens, shows the progress the worker side reports, collects one result
// per finished upload and ends when the worker says the batch is over or the
// user closes it.
#pragma once

#include <functional>
#include <memory>

#include "framework/handles.h"
#include "framework/modal_dialog.h"
#include "session/progress_model.h"
#include "session/transfer_job.h"
#include "session/transfer_session.h"

namespace corvela {

class CProgressDlg final : public ModalDialog {
public:
    // `user_cancelled` runs when the user closes the dialog with its close
    // command (not with the keyboard).
    CProgressDlg(TransferJob job, std::function<void()> user_cancelled);

    // Runs the batch; BATCH_RESULT_FINISHED (1), BATCH_RESULT_CANCELLED (2),
    // or -1 when the dialog could not be shown.
    INT_PTR Run();
    // The batch's per-file results, in order.
    TextList Results() const;

protected:
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam, bool* handled) override;

private:
    void OnOpen();
    LRESULT OnTransferProgress(WPARAM kind, LPARAM record);
    void OnClose();
    void OnDestroy();
    void OnWindowPosChanging(WINDOWPOS* position);
    void Show(const ProgressUpdate& update);
    void Queue(const ProgressUpdate& update);
    void Flush();
    bool StartWorker();

    TransferJob job_;
    std::function<void()> user_cancelled_;
    std::shared_ptr<TransferSession> session_;
    ProgressModel model_;
    // Changes not yet on screen: the controls are redrawn at most every
    // DISPLAY_INTERVAL_MS however fast records arrive.
    ProgressUpdate pending_;
    DWORD last_flush_ = 0;
    bool flush_timer_ = false;
    KernelHandle worker_thread_;  // kept, not waited for
};

}  // namespace corvela
