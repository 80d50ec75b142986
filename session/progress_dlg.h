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

// Starts the worker of a batch on a copy of the job; its thread handle, or
// null when no thread could be started.
using WorkerStart = std::function<HANDLE(std::shared_ptr<TransferSession> session, const TransferJob& job)>;

// What a batch takes from the platform besides its window. Empty members
// mean the real thing; tests stand in for a message queue that refuses
// posts or a worker that cannot start.
struct BatchPlatform {
    ProgressChannel::PostFunction post;  // PostMessageW
    WorkerStart start_worker;            // a CKelDownloadThread
};

// The worker of a real batch: a CKelDownloadThread in the job's mode.
HANDLE StartBatchWorker(std::shared_ptr<TransferSession> session, const TransferJob& job);

class CProgressDlg final : public ModalDialog {
public:
    // `user_cancelled` runs once when the user cancels the batch: the close
    // command, Escape or the Cancel button.
    CProgressDlg(TransferJob job, std::function<void()> user_cancelled, BatchPlatform platform = {});

    // Runs the batch; BATCH_RESULT_FINISHED (1), BATCH_RESULT_CANCELLED (2),
    // or BATCH_RESULT_NEVER_RAN (-1) when the dialog could not be shown or
    // its worker could not start.
    INT_PTR Run();
    // The batch's per-file results, in order: the dialog's model holds them
    // for uploads and downloads alike.
    const TextList& Results() const { return model_.results(); }

protected:
    bool OnMessage(const WindowMessage& message, LRESULT* result) override;

private:
    void OnOpen();
    void OnTransferProgress(ProgressKind kind, INT_PTR end_result);
    void OnTimer(UINT_PTR id);
    bool OnCommand(UINT notification, int id, HWND control);
    void OnPostedRecordsWaiting();
    void OnFlushTimer();
    void ApplyPostedRecords();
    void ApplyPosted(const PostedRecord& posted);
    void End(INT_PTR result);
    void OnClose();
    void OnDestroy();
    void OnWindowPosChanging(WINDOWPOS& position);
    void ApplyUpdate(const ProgressUpdate& update);
    void Queue(const ProgressUpdate& update);
    bool DisplayDue() const;
    bool ArmFlushTimer();
    void Flush();

    TransferJob job_;
    std::function<void()> user_cancelled_;
    WorkerStart start_worker_;
    std::shared_ptr<TransferSession> session_;
    ProgressModel model_;
    // Changes not yet on screen: the controls are redrawn at most every
    // DISPLAY_INTERVAL_MS however fast records arrive.
    ProgressUpdate pending_;
    DWORD last_flush_ = 0;
    bool flush_timer_ = false;
    bool ended_ = false;
    KernelHandle worker_thread_;  // kept, not waited for
};

}  // namespace corvela
