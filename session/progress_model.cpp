#include "session/progress_model.h"

namespace corvela {

namespace {

constexpr uint32_t LARGEST_BYTE_TOTAL = 1048575;  // larger totals are shown in KB
constexpr uint32_t BYTES_PER_KB = 1024;
constexpr char16_t GROUP_SEPARATOR = u',';
constexpr uint32_t UNREADABLE_FILE_SIZE = 0xFFFFFFFF;  // -1 in the 32-bit sum

// The value a 32-bit counter shows when printed as a signed number.
int64_t AsSigned32(uint32_t value) {
    return value > 0x7FFFFFFFu ? static_cast<int64_t>(value) - 0x100000000LL : value;
}

template <typename T>
void Take(std::optional<T>& into, const std::optional<T>& from) {
    if (from) into = from;
}

}  // namespace

void ProgressUpdate::Merge(const ProgressUpdate& later) {
    Take(file_bar_range, later.file_bar_range);
    Take(file_bar_position, later.file_bar_position);
    Take(total_bar_range, later.total_bar_range);
    Take(total_bar_position, later.total_bar_position);
    Take(name_text, later.name_text);
    Take(file_count_text, later.file_count_text);
    Take(byte_count_text, later.byte_count_text);
}

Text FileCountText(int32_t file_number, size_t file_count) {
    return DecimalText(file_number) + u" / " + DecimalText(static_cast<int64_t>(file_count)) + u" Files";
}

Text ByteCountText(uint32_t done, uint32_t total) {
    if (total > LARGEST_BYTE_TOTAL)
        return FormatGrouped(done / BYTES_PER_KB, GROUP_SEPARATOR) + u" / " +
               FormatGrouped(total / BYTES_PER_KB, GROUP_SEPARATOR) + u" KB";
    return FormatGrouped(done, GROUP_SEPARATOR) + u" / " + FormatGrouped(total, GROUP_SEPARATOR) + u" Bytes";
}

Text NameText(const Text& source) {
    Text path = source;
    return AfterLast(path, u'\\');
}

Text UploadResultText(const Text& local_path, const Text& reply, uint32_t total) {
    return ReplaceChar(local_path, u'/', u'\\') + u"/" + reply + u"/" + DecimalText(AsSigned32(total));
}

Text DialogTitle(int32_t language_selector) {
    return language_selector != 0 ? u"파일전송" : u"File Upload";
}

ProgressUpdate ProgressModel::StartUpload(const FileSizeLookups& file_sizes) {
    uint32_t grand_total = 0;
    for (const std::optional<uint64_t>& size : file_sizes)
        grand_total += size ? static_cast<uint32_t>(*size) : UNREADABLE_FILE_SIZE;
    return Start(file_sizes.size(), grand_total);
}

ProgressUpdate ProgressModel::StartDownload(size_t file_count, const SizeList& sizes) {
    uint32_t grand_total = 0;
    for (uint32_t size : sizes) grand_total += size;
    return Start(file_count, grand_total);
}

ProgressUpdate ProgressModel::Start(size_t file_count, uint32_t grand_total) {
    grand_total_ = grand_total;
    bytes_done_ = 0;
    file_number_ = 1;
    file_count_ = file_count;
    ProgressUpdate update;
    update.total_bar_range = grand_total_;
    return update;
}

ProgressUpdate ProgressModel::Apply(uint32_t kind, const ProgressRecord& record,
                                    const Text& current_target) {
    if (kind == PROGRESS_DOWNLOAD) return ApplyDownload(record, current_target);
    if (kind == PROGRESS_UPLOAD) return ApplyUpload(record);
    return ProgressUpdate();
}

void ProgressModel::FinishFile(uint32_t total) {
    ++file_number_;
    bytes_done_ += total;
}

ProgressUpdate ProgressModel::ApplyDownload(const ProgressRecord& record, const Text& current_target) {
    // Without a grand total (the page gave no sizes) the total bar follows
    // each file on its own.
    const bool per_file_total = grand_total_ == 0;
    ProgressUpdate update;
    switch (record.stage) {
        case STAGE_START:
            update.file_bar_range = record.total;
            update.file_bar_position = 0;
            if (per_file_total) {
                update.total_bar_range = record.total;
                update.total_bar_position = 0;
            }
            update.name_text = NameText(current_target);
            update.file_count_text = FileCountText(file_number_, file_count_);
            update.byte_count_text = ByteCountText(record.done, record.total);
            break;
        case STAGE_PROGRESS:
            update.file_bar_position = record.done;
            if (per_file_total) {
                update.total_bar_position = record.done;
                update.byte_count_text = ByteCountText(record.done, record.total);
            } else {
                update.total_bar_position = bytes_done_ + record.done;
                update.byte_count_text = ByteCountText(bytes_done_ + record.done, grand_total_);
            }
            break;
        case STAGE_DONE:
            update.file_bar_position = record.total;
            update.total_bar_position = per_file_total ? record.total : bytes_done_ + record.total;
            FinishFile(record.total);
            break;
        default:
            break;
    }
    return update;
}

ProgressUpdate ProgressModel::ApplyUpload(const ProgressRecord& record) {
    ProgressUpdate update;
    switch (record.stage) {
        case STAGE_START:
            update.file_bar_range = record.total;
            update.file_bar_position = 0;
            update.name_text = NameText(record.name);
            update.file_count_text = FileCountText(file_number_, file_count_);
            break;
        case STAGE_PROGRESS:
            update.file_bar_position = record.done;
            update.total_bar_position = bytes_done_ + record.done;
            update.byte_count_text = ByteCountText(bytes_done_ + record.done, grand_total_);
            break;
        case STAGE_DONE:
            update.file_bar_position = record.done;
            update.total_bar_position = bytes_done_ + record.done;
            if (record.done == record.total) {
                FinishFile(record.total);
                update.byte_count_text = ByteCountText(bytes_done_, grand_total_);
                results_.push_back(UploadResultText(record.name, record.reply, record.total));
            }
            break;
        default:
            break;
    }
    return update;
}

}  // namespace corvela
