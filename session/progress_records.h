// The records a transfer's steps become on their way to the progress
// dialog. Pure logic: the dialog's sink (DialogProgress) makes them and
// hands them to the channel.
#pragma once

#include <cstdint>

#include "common/text.h"
#include "session/progress_protocol.h"
#include "transport/progress_sink.h"

namespace corvela {

// The stage a record of this step carries: STAGE_START, STAGE_PROGRESS or
// STAGE_DONE.
int32_t StageOf(TransferStep step);

// An upload's record: {done, total, stage, delta 0, name, reply}.
ProgressRecord UploadRecord(TransferStep step, uint32_t done, uint32_t total, const Text& name, const Text& reply);

// Builds the records of one download. Each download owns its counter, so two
// downloads on two threads never mix their counts.
class DownloadProgressCounter {
public:
    // The record for one step: {done, total, stage, delta = done - the done
    // of the previous record (modulo 2^32), name = target, empty reply}. The
    // start resets the previous done to 0 first.
    ProgressRecord Make(uint32_t done, uint32_t total, TransferStep step, const Text& target);

private:
    uint32_t last_done_ = 0;
};

}  // namespace corvela
