// The notices a transfer's worker side sends to its progress dialog, and the
// running flag the dialog owns. Senders (the transports and the worker) and
// the receiver (the dialog) include this one header.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/text.h"

namespace corvela {

// WM_USER + 2, addressed to the dialog's window.
constexpr uint32_t WM_TRANSFER_PROGRESS = 0x0400 + 2;

// The kinds of notice, the wParam of WM_TRANSFER_PROGRESS. Records of both
// kinds wait in the batch's channel (see ProgressChannel); the message only
// wakes the dialog.
enum ProgressKind : uint32_t {
    PROGRESS_DOWNLOAD = 0,
    PROGRESS_UPLOAD = 2,
    PROGRESS_END = 4,  // posted once, last; lParam the dialog result (1 or 2)
};

enum ProgressStage : int32_t {
    STAGE_START = 3,
    STAGE_PROGRESS = 4,
    STAGE_DONE = 5,
};

// One notice. The sender allocates it; from the moment it is sent or posted
// it belongs to the receiver.
struct ProgressRecord {
    uint32_t done = 0;   // bytes of the current file moved so far
    uint32_t total = 0;  // size of the current file (downloads: the expected total)
    int32_t stage = 0;   // one of ProgressStage
    uint32_t delta = 0;  // bytes since the previous record of the same download; 0 for uploads
    Text name;           // local path (uploads) or local target path (downloads)
    Text reply;          // the server's reply (upload STAGE_DONE only)
    Text title;          // downloads: the name the dialog shows for the file
};

// 1 while the batch may continue; the dialog clears it when it closes or is
// destroyed. The worker side only reads it: between files, and after each
// record of a body block, so a transfer stops within the block it is on.
using RunningFlag = std::atomic<int32_t>;

inline bool IsRunning(const RunningFlag* running) {
    return running && running->load(std::memory_order_relaxed) != 0;
}

}  // namespace corvela
