// The progress dialog's arithmetic: two bars, three texts and the upload
// results, driven by the records of a batch. The Windows dialog owns one
// model per batch, starts it when its window opens, feeds it every record
// that arrives while the batch runs and copies each update to its controls.
// The running flag and the replies to the senders stay with the dialog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/text.h"
#include "session/progress_protocol.h"

namespace corvela {

// Redrawing a control costs far more than keeping count of a record, and a
// transfer brings one record per 4 KiB: the dialog takes the waiting records
// and shows them at most this often, so that it never falls behind the
// transfer and the transfer never waits for it.
constexpr uint32_t DISPLAY_INTERVAL_MS = 40;

// "%d / %d Files": the number of the file in progress and the batch's file count.
Text FileCountText(int32_t file_number, size_t file_count);

// "%s / %s Bytes" with both counts grouped by ","; above 1048575 bytes in
// total, "%s / %s KB" with both counts divided by 1024.
Text ByteCountText(uint32_t done, uint32_t total);

// The file name shown for a path: the text after its last "\".
Text NameText(const Text& source);

// One upload result, "%s/%s/%d": the local path with every "/" turned into
// "\", the server's reply and the file's size as a signed 32-bit number.
Text UploadResultText(const Text& local_path, const Text& reply, uint32_t total);

// The caption of an upload batch's dialog: "파일전송" for any language
// selector other than 0, else "File Upload". Download batches keep the
// dialog template's own caption.
Text DialogTitle(int32_t language_selector);

// What one step changes on the dialog. Only the parts present changed; the
// Windows dialog applies exactly those. Bars run from 0 to their range; all
// values are unsigned 32-bit counts as the counters of the batch hold them.
struct ProgressUpdate {
    std::optional<uint32_t> file_bar_range;  // current-file bar (control 207)
    std::optional<uint32_t> file_bar_position;
    std::optional<uint32_t> total_bar_range;  // total bar (control 202)
    std::optional<uint32_t> total_bar_position;
    std::optional<Text> name_text;        // control 204
    std::optional<Text> file_count_text;  // control 205
    std::optional<Text> byte_count_text;  // control 206

    // Folds a later update into this one, which is not on screen yet: each
    // part the later one carries replaces this one's; the others stay. The
    // screen then shows the same as if both had been applied in turn.
    void Merge(const ProgressUpdate& later);
};

// The size of each file of an upload batch as the file system reported it,
// or nothing when its status could not be read.
using FileSizeLookups = std::vector<std::optional<uint64_t>>;

class ProgressModel {
public:
    // Opening an upload batch, one lookup per file of its list. The grand
    // total is the sum of the sizes modulo 2^32, an unreadable file adding
    // -1 (0xFFFFFFFF). Sets the total bar's range.
    ProgressUpdate StartUpload(const FileSizeLookups& file_sizes);

    // Opening a download batch of `file_count` URLs whose sizes the page gave
    // in `sizes`; the grand total is their sum modulo 2^32.
    ProgressUpdate StartDownload(size_t file_count, const SizeList& sizes);

    // One record of kind PROGRESS_DOWNLOAD or PROGRESS_UPLOAD.
    // `current_target` is the name shown for the file being downloaded. Other kinds and stages change nothing. An upload's
    // STAGE_DONE counts the file, and adds its result, only when the whole
    // file went (done equals total).
    ProgressUpdate Apply(uint32_t kind, const ProgressRecord& record, const Text& current_target);

    // The result of a finished download, as the worker decided it.
    void AddResult(const Text& result) { results_.push_back(result); }

    // The results of the batch, in order: an upload's from its STAGE_DONE
    // record, a download's as the worker gave it.
    const TextList& results() const { return results_; }

private:
    ProgressUpdate Start(size_t file_count, uint32_t grand_total);
    ProgressUpdate ApplyDownload(const ProgressRecord& record, const Text& current_target);
    ProgressUpdate ApplyUpload(const ProgressRecord& record);
    void FinishFile(uint32_t total);

    uint32_t grand_total_ = 0;
    uint32_t bytes_done_ = 0;
    int32_t file_number_ = 1;
    size_t file_count_ = 0;
    TextList results_;
};

}  // namespace corvela
