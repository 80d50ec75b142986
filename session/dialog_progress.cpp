#include "session/dialog_progress.h"

#include <memory>

#include "framework/resources.h"

namespace corvela {

DialogProgress::DialogProgress(ProgressChannel* channel, const RunningFlag& running, ProgressKind kind)
    : channel_(channel), running_(running), kind_(kind) {}

bool DialogProgress::Report(TransferStep step, uint32_t done, uint32_t total, const Text& name, const Text& reply) {
    if (kind_ == PROGRESS_DOWNLOAD) {
        auto record = std::make_unique<ProgressRecord>(counter_.Make(done, total, step, name));
        if (!channel_) return true;  // nobody to tell: the download goes on
        // The dialog answers 1024 to go on and 0 to stop; an undelivered record also stops.
        return channel_->Send(PROGRESS_DOWNLOAD, std::move(record)) != 0;
    }
    if (channel_) channel_->Post(kind_, std::make_unique<ProgressRecord>(UploadRecord(step, done, total, name, reply)));
    return IsRunning(&running_);
}

void DialogProgress::ShowMessage(const Text& text) { ModuleMessageBox(nullptr, text, MB_OK); }

}  // namespace corvela
