#include "session/progress_records.h"

namespace corvela {

int32_t StageOf(TransferStep step) { return STAGE_START + static_cast<int32_t>(step); }

ProgressRecord UploadRecord(TransferStep step, uint32_t done, uint32_t total, const Text& name, const Text& reply) {
    ProgressRecord record;
    record.done = done;
    record.total = total;
    record.stage = StageOf(step);
    record.name = name;
    record.reply = reply;
    return record;
}

ProgressRecord DownloadProgressCounter::Make(uint32_t done, uint32_t total, TransferStep step, const Text& target) {
    if (step == TransferStep::Start) last_done_ = 0;
    ProgressRecord record;
    record.done = done;
    record.total = total;
    record.stage = StageOf(step);
    record.delta = done - last_done_;
    record.name = target;
    last_done_ = done;
    return record;
}

}  // namespace corvela
