// The progress dialog's side of a transport (the ProgressSink a transport
// reports to): each step becomes a record in the batch's channel, the
// batch's running flag says whether the transfer goes on, and a message the
// transport must give is shown on the worker's thread.
#pragma once

#include "session/progress_channel.h"
#include "session/progress_protocol.h"
#include "session/progress_records.h"
#include "transport/progress_sink.h"

namespace corvela {

class DialogProgress final : public ProgressSink {
public:
    // Records of `kind` go to `channel`, or nowhere when it is null; a
    // download's records carry `title`, the name the dialog shows for it.
    DialogProgress(ProgressChannel* channel, const RunningFlag& running, ProgressKind kind, Text title = Text());

    bool Report(TransferStep step, uint32_t done, uint32_t total, const Text& name, const Text& reply) override;
    void ShowMessage(const Text& text) override;

private:
    ProgressChannel* channel_;
    const RunningFlag& running_;
    const ProgressKind kind_;
    const Text title_;
    DownloadProgressCounter counter_;
};

}  // namespace corvela
