// Records waiting for a dialog that is behind: none of a file's boundaries
// or results may go, and the dialog must end up showing the same.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "session/posted_records.h"
#include "session/progress_model.h"
#include "session/progress_records.h"

using corvela::PostedRecord;
using corvela::PostedRecords;
using corvela::ProgressRecord;
using corvela::Text;

namespace {

struct Step {
    int32_t stage;
    uint32_t done;
    Text name;
};

std::unique_ptr<ProgressRecord> Record(const Step& step, uint32_t total) {
    auto record = std::make_unique<ProgressRecord>();
    record->stage = step.stage;
    record->done = step.done;
    record->total = total;
    record->name = step.name;
    if (step.stage == corvela::STAGE_DONE) record->reply = u"OK " + step.name;
    return record;
}

// The records of uploading `files` files of `blocks` 4 KiB blocks each.
std::vector<Step> Uploads(int files, uint32_t blocks) {
    std::vector<Step> steps;
    for (int file = 0; file < files; ++file) {
        const Text name = u"C:\\f" + corvela::DecimalText(file);
        steps.push_back({corvela::STAGE_START, 0, name});
        for (uint32_t block = 1; block <= blocks; ++block) steps.push_back({corvela::STAGE_PROGRESS, block * 4096, name});
        steps.push_back({corvela::STAGE_DONE, blocks * 4096, name});
    }
    return steps;
}

// What the dialog shows after every record has been applied: the last value
// of each part, as the dialog keeps them between redraws.
struct Shown {
    corvela::ProgressUpdate parts;
    corvela::TextList results;
};

Shown Apply(const std::vector<PostedRecord>& records, size_t files, uint32_t file_bytes) {
    corvela::ProgressModel model;
    model.StartUpload(corvela::FileSizeLookups(files, file_bytes));
    Shown shown;
    for (const PostedRecord& posted : records) shown.parts.Merge(model.Apply(posted.kind, *posted.record, Text()));
    shown.results = model.results();
    return shown;
}

std::vector<PostedRecord> PushAll(PostedRecords& waiting, const std::vector<Step>& steps, uint32_t total,
                                  size_t take_every) {
    std::vector<PostedRecord> taken;
    for (size_t i = 0; i < steps.size(); ++i) {
        waiting.Push(corvela::PROGRESS_UPLOAD, Record(steps[i], total));
        if (take_every && (i + 1) % take_every == 0)
            for (PostedRecord& record : waiting.TakeAll()) taken.push_back(std::move(record));
    }
    for (PostedRecord& record : waiting.TakeAll()) taken.push_back(std::move(record));
    return taken;
}

}  // namespace

TEST(PostedRecords, AReceiverThatKeepsUpGetsEveryRecordInOrder) {
    PostedRecords waiting;
    const std::vector<Step> steps = Uploads(2, 100);
    const std::vector<PostedRecord> taken = PushAll(waiting, steps, 100 * 4096, 10);
    ASSERT_EQ(taken.size(), steps.size());
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(taken[i].record->stage, steps[i].stage);
        EXPECT_EQ(taken[i].record->done, steps[i].done);
    }
}

TEST(PostedRecords, AStalledReceiverLosesNoBoundaryNoResultAndEndsShowingTheSame) {
    const uint32_t blocks = 20000;  // 80 MB a file: twice what a message queue holds
    const std::vector<Step> steps = Uploads(3, blocks);
    PostedRecords keeping_up, stalled;
    const std::vector<PostedRecord> all = PushAll(keeping_up, steps, blocks * 4096, 1);
    const std::vector<PostedRecord> merged = PushAll(stalled, steps, blocks * 4096, 0);

    EXPECT_LE(merged.size(), corvela::RECEIVER_BEHIND_RECORDS + 3 * 3u) << "memory stays bounded";
    std::vector<int32_t> boundaries;
    for (const PostedRecord& posted : merged)
        if (posted.record->stage != corvela::STAGE_PROGRESS) boundaries.push_back(posted.record->stage);
    EXPECT_EQ(boundaries, (std::vector<int32_t>{3, 5, 3, 5, 3, 5}));

    const Shown expected = Apply(all, 3, blocks * 4096);
    const Shown shown = Apply(merged, 3, blocks * 4096);
    EXPECT_EQ(shown.results, expected.results);
    ASSERT_EQ(shown.results.size(), 3u);
    EXPECT_EQ(shown.parts.byte_count_text, expected.parts.byte_count_text);
    EXPECT_EQ(shown.parts.file_count_text, expected.parts.file_count_text);
    EXPECT_EQ(shown.parts.total_bar_position, expected.parts.total_bar_position);
    EXPECT_EQ(shown.parts.name_text, expected.parts.name_text);
}

// Downloads go the same road, each followed by its result: a stalled
// receiver still gets every boundary and every result in order, and the
// deltas of the merged block records still add up to each file's bytes.
TEST(PostedRecords, AStalledReceiverKeepsEveryDownloadResultAndTheBytesItsDeltasCount) {
    const uint32_t blocks = 1000;
    PostedRecords stalled;
    for (int file = 0; file < 3; ++file) {
        const Text name = u"C:\\t\\d" + corvela::DecimalText(file);
        corvela::DownloadProgressCounter counter;
        using Step = corvela::TransferStep;
        stalled.Push(corvela::PROGRESS_DOWNLOAD, std::make_unique<ProgressRecord>(counter.Make(0, blocks * 4096, Step::Start, name)));
        for (uint32_t block = 1; block <= blocks; ++block)
            stalled.Push(corvela::PROGRESS_DOWNLOAD,
                         std::make_unique<ProgressRecord>(counter.Make(block * 4096, blocks * 4096, Step::Progress, name)));
        stalled.PushResult(u"C:\\cache\\" + corvela::DecimalText(file));
    }
    const std::vector<PostedRecord> taken = stalled.TakeAll();
    EXPECT_LE(taken.size(), corvela::RECEIVER_BEHIND_RECORDS + 3 * 3u) << "memory stays bounded";
    corvela::TextList results;
    std::vector<uint32_t> bytes_by_delta(3, 0);
    int file = -1;
    for (const PostedRecord& posted : taken) {
        if (!posted.record) {
            results.push_back(posted.result);
            continue;
        }
        if (posted.record->stage == corvela::STAGE_START) ++file;
        ASSERT_GE(file, 0);
        bytes_by_delta[file] += posted.record->delta;
    }
    EXPECT_EQ(results, (corvela::TextList{u"C:\\cache\\0", u"C:\\cache\\1", u"C:\\cache\\2"}));
    EXPECT_EQ(bytes_by_delta, (std::vector<uint32_t>(3, blocks * 4096)));
}
