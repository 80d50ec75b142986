#include "session/posted_records.h"

#include <iterator>

namespace corvela {

bool PostedRecords::MergesWithLast(ProgressKind kind, const ProgressRecord& record) const {
    if (waiting_.size() < RECEIVER_BEHIND_RECORDS || record.stage != STAGE_PROGRESS) return false;
    const PostedRecord& last = waiting_.back();
    return last.record && last.kind == kind && last.record->stage == STAGE_PROGRESS &&
           last.record->name == record.name;
}

void PostedRecords::Push(ProgressKind kind, std::unique_ptr<ProgressRecord> record) {
    if (MergesWithLast(kind, *record)) {
        record->delta += waiting_.back().record->delta;
        waiting_.back().record = std::move(record);
        return;
    }
    waiting_.push_back({kind, std::move(record), Text()});
}

void PostedRecords::PushResult(const Text& result) { waiting_.push_back({PROGRESS_DOWNLOAD, nullptr, result}); }

std::vector<PostedRecord> PostedRecords::TakeAll() {
    std::vector<PostedRecord> taken(std::make_move_iterator(waiting_.begin()), std::make_move_iterator(waiting_.end()));
    waiting_.clear();
    return taken;
}

}  // namespace corvela
