#include "session/dialog_progress.h"

#include <memory>
#include <utility>

#include "framework/resources.h"

namespace corvela {

DialogProgress::DialogProgress(ProgressChannel* channel, const RunningFlag& running, ProgressKind kind, Text title)
    : channel_(channel), running_(running), kind_(kind), title_(std::move(title)) {}

// The record waits in the channel for the dialog; the transfer goes on at
// once, unless the dialog has cleared the running flag by now.
bool DialogProgress::Report(TransferStep step, uint32_t done, uint32_t total, const Text& name, const Text& reply) {
    if (channel_) {
        std::unique_ptr<ProgressRecord> record;
        if (kind_ == PROGRESS_DOWNLOAD) {
            record = std::make_unique<ProgressRecord>(counter_.Make(done, total, step, name));
            record->title = title_;
        } else {
            record = std::make_unique<ProgressRecord>(UploadRecord(step, done, total, name, reply));
        }
        channel_->Post(kind_, std::move(record));
    }
    return IsRunning(&running_);
}

void DialogProgress::ShowMessage(const Text& text) { ModuleMessageBox(nullptr, text, MB_OK); }

}  // namespace corvela
