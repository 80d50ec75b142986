// The records a transfer's worker side has posted and its dialog has not
// taken yet, with the results of finished downloads among them. Every item
// waits here, in the order it was posted, until the dialog takes them all:
// an item is never refused because the dialog's thread is busy, so no file
// boundary and no result can be lost. While the dialog is behind, a block
// record replaces the block record of the same file that waits last: only
// the newest counts of a file matter to the bars (the replaced record's
// delta is added to its successor's), and the records of a stalled dialog
// then take a bounded amount of memory.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

#include "session/progress_protocol.h"

namespace corvela {

// Waiting records from which merging of block records starts.
constexpr size_t RECEIVER_BEHIND_RECORDS = 64;

// A record of one kind, or (with no record) the result of a finished
// download, which the dialog adds to the batch's results.
struct PostedRecord {
    ProgressKind kind;
    std::unique_ptr<ProgressRecord> record;
    Text result;
};

class PostedRecords {
public:
    void Push(ProgressKind kind, std::unique_ptr<ProgressRecord> record);
    void PushResult(const Text& result);
    // Every waiting item, oldest first; none wait afterwards.
    std::vector<PostedRecord> TakeAll();
    void Clear() { waiting_.clear(); }

private:
    bool MergesWithLast(ProgressKind kind, const ProgressRecord& record) const;

    std::deque<PostedRecord> waiting_;
};

}  // namespace corvela
