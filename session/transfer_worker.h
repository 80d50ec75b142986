// The worker thread of one batch: it walks the batch's files in order, calls
// the upload or the download transport for each, collects the download
// results and finally posts the end notice to the dialog. It works only on
// its own copy of the job and on the session it shares with the dialog.
#pragma once

#include <memory>

#include "framework/worker_thread.h"
#include "session/batch_plan.h"
#include "session/transfer_job.h"
#include "session/transfer_session.h"

namespace corvela {

class CKelDownloadThread final : public WorkerThread {
public:
    // Each starts the thread on a copy of the job and returns its handle,
    // or null when no thread could be started (this object is then still
    // the caller's to delete; otherwise the thread deletes it).
    HANDLE SetupUpload(std::shared_ptr<TransferSession> session, const TransferJob& job);
    HANDLE SetupDownload(std::shared_ptr<TransferSession> session, const Text& cache_folder, const TransferJob& job);

protected:
    bool OnThreadStart() override;
    DWORD Run() override;

private:
    void RunUploads();
    void RunDownloads();
    void DownloadOne(size_t index, const RunnablePlaces& places);
    bool Running() const;

    std::shared_ptr<TransferSession> session_;
    TransferJob job_;
};

}  // namespace corvela
