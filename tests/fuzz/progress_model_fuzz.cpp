// The progress dialog's arithmetic fed records in any order and with any
// values: the file count, the total bar and the results follow the finished
// files, every text is well formed and agrees with the bar it describes, and
// a record the dialog does not know changes nothing.
#include <algorithm>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "session/progress_model.h"
#include "session/progress_records.h"

using namespace corvela;

namespace {

constexpr uint32_t LARGEST_BYTE_TOTAL = 1048575;

// "1,234,567" to its value; nothing unless the digits stand in groups of
// three after a first group of one to three without a leading zero.
std::optional<uint64_t> GroupedValue(const Text& text) {
    if (text.size() > 1 && text[0] == u'0') return std::nullopt;
    uint64_t value = 0;
    for (size_t start = 0, group = 0;; ++group) {
        const size_t end = std::min(text.find(u',', start), text.size());
        const size_t length = end - start;
        if (length == 0 || length > 3 || (group > 0 && length != 3)) return std::nullopt;
        for (size_t at = start; at < end; ++at) {
            if (text[at] < u'0' || text[at] > u'9') return std::nullopt;
            value = value * 10 + (text[at] - u'0');
        }
        if (end == text.size()) return value;
        start = end + 1;
    }
}

struct ByteCount {
    uint64_t done;
    uint64_t total;
    bool in_kb;
};

std::optional<ByteCount> ReadByteCount(Text text) {
    const bool in_kb = text.size() > 3 && text.compare(text.size() - 3, 3, u" KB") == 0;
    const bool in_bytes = text.size() > 6 && text.compare(text.size() - 6, 6, u" Bytes") == 0;
    if (!in_kb && !in_bytes) return std::nullopt;
    text.erase(text.size() - (in_kb ? 3 : 6));
    const size_t slash = text.find(u" / ");
    if (slash == Text::npos) return std::nullopt;
    const auto done = GroupedValue(text.substr(0, slash));
    const auto total = GroupedValue(text.substr(slash + 3));
    if (!done || !total) return std::nullopt;
    return ByteCount{*done, *total, in_kb};
}

// How a count of bytes shows in a text of that unit.
uint64_t Shown(uint32_t bytes, bool in_kb) { return in_kb ? bytes / 1024 : bytes; }

bool IsEmpty(const ProgressUpdate& u) {
    return !u.file_bar_range && !u.file_bar_position && !u.total_bar_range && !u.total_bar_position &&
           !u.name_text && !u.file_count_text && !u.byte_count_text;
}

class Run {
public:
    explicit Run(corvela_fuzz::Input& input) : in_(input) {}

    void Step() {
        switch (in_.Choice(5)) {
            case 0: StartUpload(); break;
            case 1: StartDownload(); break;
            case 2: Apply(PROGRESS_UPLOAD, Record()); break;
            case 3: ApplyDownload(); break;
            default: ApplyUnknownKind(); break;
        }
        REQUIRE(model_.results() == results_);
    }

private:
    void StartUpload() {
        FileSizeLookups sizes(in_.Choice(8));
        uint32_t sum = 0;
        for (auto& size : sizes) {
            if (in_.Flag()) size = static_cast<uint64_t>(in_.Number()) << 32 | in_.Number();
            sum += size ? static_cast<uint32_t>(*size) : 0xFFFFFFFF;
        }
        Started(model_.StartUpload(sizes), sizes.size(), sum);
    }

    void StartDownload() {
        const size_t file_count = in_.Byte();
        SizeList sizes(in_.Choice(8));
        uint32_t sum = 0;
        for (uint32_t& size : sizes) sum += size = in_.Number();
        Started(model_.StartDownload(file_count, sizes), file_count, sum);
    }

    void Started(const ProgressUpdate& update, size_t file_count, uint32_t grand_total) {
        REQUIRE(update.total_bar_range == grand_total);
        grand_total_ = grand_total;
        bytes_done_ = 0;
        file_number_ = 1;
        file_count_ = file_count;
    }

    int32_t Stage() {
        const uint32_t pick = in_.Choice(4);
        return pick < 3 ? STAGE_START + static_cast<int32_t>(pick) : static_cast<int32_t>(in_.Number());
    }

    ProgressRecord Record() {
        ProgressRecord record;
        record.stage = Stage();
        record.done = in_.Number();
        record.total = in_.Flag() ? record.done : in_.Number();
        record.name = in_.Line();
        record.reply = in_.Line();
        return record;
    }

    // Download records come from the counter each download owns, one per
    // phase of the transfer.
    void ApplyDownload() {
        const int32_t phase = static_cast<int32_t>(in_.Choice(3));
        const uint32_t done = in_.Number();
        const uint32_t total = in_.Flag() ? done : in_.Number();
        target_ = in_.Line();
        if (phase == 0) last_done_ = 0;
        const ProgressRecord record = counter_.Make(done, total, static_cast<TransferStep>(phase), target_);
        REQUIRE(record.stage == phase + STAGE_START && record.delta == done - last_done_);
        REQUIRE(record.done == done && record.total == total && record.name == target_ && record.reply.empty());
        last_done_ = done;
        Apply(PROGRESS_DOWNLOAD, record);
    }

    void ApplyUnknownKind() {
        uint32_t kind = in_.Number();
        if (kind == PROGRESS_DOWNLOAD || kind == PROGRESS_UPLOAD) kind = PROGRESS_END;
        REQUIRE(IsEmpty(model_.Apply(kind, Record(), target_)));
    }

    void Apply(uint32_t kind, const ProgressRecord& record) {
        const int32_t file_number = file_number_;
        const ProgressUpdate update = model_.Apply(kind, record, target_);
        const bool known_stage = record.stage >= STAGE_START && record.stage <= STAGE_DONE;
        if (!known_stage) REQUIRE(IsEmpty(update));
        if (record.stage == STAGE_PROGRESS || record.stage == STAGE_DONE) CheckTotalBar(kind, update, record);
        if (record.stage == STAGE_DONE && (kind == PROGRESS_DOWNLOAD || record.done == record.total)) {
            ++file_number_;
            bytes_done_ += record.total;
            if (kind == PROGRESS_UPLOAD)
                results_.push_back(ReplaceChar(record.name, u'/', u'\\') + u"/" + record.reply + u"/" +
                                   DecimalText(static_cast<int32_t>(record.total)));
        }
        const Text file_count_text =
            DecimalText(file_number) + u" / " + DecimalText(static_cast<int64_t>(file_count_)) + u" Files";
        if (update.file_count_text) REQUIRE(*update.file_count_text == file_count_text);
        if (update.name_text) {
            const Text& source = kind == PROGRESS_UPLOAD ? record.name : target_;
            REQUIRE(update.name_text->find(u'\\') == Text::npos);
            REQUIRE(source.size() >= update.name_text->size() &&
                    source.compare(source.size() - update.name_text->size(), Text::npos, *update.name_text) == 0);
        }
        if (update.byte_count_text) CheckByteCount(kind, *update.byte_count_text, update, record);
    }

    // Past its start, a file moves the total bar to the bytes of the files
    // before it plus its own; while a download batch has no total, to its own.
    void CheckTotalBar(uint32_t kind, const ProgressUpdate& update, const ProgressRecord& record) {
        const bool download = kind == PROGRESS_DOWNLOAD;
        const uint32_t own = download && record.stage == STAGE_DONE ? record.total : record.done;
        REQUIRE(update.total_bar_position == (download && grand_total_ == 0 ? 0 : bytes_done_) + own);
    }

    // The total a text shows is the batch's, or a download's own at its
    // start and while the batch has none; after the start the done count is
    // where the total bar stands.
    void CheckByteCount(uint32_t kind, const Text& text, const ProgressUpdate& update,
                        const ProgressRecord& record) {
        const std::optional<ByteCount> count = ReadByteCount(text);
        REQUIRE(count.has_value());
        const bool own_total = kind == PROGRESS_DOWNLOAD && (grand_total_ == 0 || record.stage == STAGE_START);
        const uint32_t total = own_total ? record.total : grand_total_;
        REQUIRE(count->in_kb == (total > LARGEST_BYTE_TOTAL) && count->total == Shown(total, count->in_kb));
        if (record.stage == STAGE_START) REQUIRE(count->done == Shown(record.done, count->in_kb));
        else REQUIRE(update.total_bar_position && count->done == Shown(*update.total_bar_position, count->in_kb));
    }

    corvela_fuzz::Input& in_;
    ProgressModel model_;
    DownloadProgressCounter counter_;
    uint32_t last_done_ = 0;
    Text target_;
    uint32_t grand_total_ = 0;
    uint32_t bytes_done_ = 0;
    int32_t file_number_ = 1;
    size_t file_count_ = 0;
    TextList results_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    Run run(input);
    while (!input.Done()) run.Step();
    return 0;
}
