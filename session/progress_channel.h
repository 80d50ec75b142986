// The road from a transfer's worker thread to its progress dialog's window.
//
// Records of uploads and downloads, and the results of downloads, wait in the
// channel, in order, until the receiver takes them: the worker never waits
// for the dialog, and learns of a cancel from the running flag. The
// receiver's window gets one WM_TRANSFER_PROGRESS with lParam
// POSTED_RECORDS_WAITING as a wake-up while items wait, not one message per
// record. A thread's message queue has a limit (about 10,000 posted messages
// on Windows): a message per 4 KiB block fills it within a second when the
// page's thread stops pumping, and a refused record would lose a file's
// result. Here nothing is refused while the receiver lives: a wake-up that
// cannot be posted is tried again with the next item, and the end notice,
// posted last, is tried until it arrives; the receiver takes every waiting
// item before it acts on the end notice. Closing the channel (the receiver
// going away) frees whatever was never taken and refuses later items.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "session/posted_records.h"
#include "session/progress_protocol.h"

namespace corvela {

// lParam of the wake-up that tells the receiver posted items are waiting.
constexpr LPARAM POSTED_RECORDS_WAITING = 0;

class ProgressChannel {
public:
    // Posts a message to the receiver's window; PostMessageW unless a test
    // stands in for a message queue that refuses posts.
    using PostFunction = std::function<bool(HWND window, UINT message, WPARAM wparam, LPARAM lparam)>;

    explicit ProgressChannel(PostFunction post = nullptr);
    ProgressChannel(const ProgressChannel&) = delete;
    ProgressChannel& operator=(const ProgressChannel&) = delete;
    ~ProgressChannel();

    // Receiver side.
    void Open(HWND receiver);
    void Close();
    // Every posted item waiting, oldest first.
    std::vector<PostedRecord> TakePosted();

    // Sender side. Post and PostResult return false only when nobody can
    // receive the item any more (it is then freed here). PostEnd waits while
    // the receiver's queue refuses the notice; false once the receiver is gone.
    bool Post(ProgressKind kind, std::unique_ptr<ProgressRecord> record);
    bool PostResult(const Text& result);
    bool PostEnd(int32_t result);

    HWND Receiver() const;

private:
    // Adds an item with `push` under the lock and wakes the receiver unless
    // a wake-up is already on its way.
    bool Enqueue(ProgressKind kind, const std::function<void(PostedRecords&)>& push);

    PostFunction post_;
    mutable std::mutex mutex_;
    HWND receiver_ = nullptr;
    bool closed_ = false;
    bool wake_pending_ = false;
    PostedRecords posted_;
};

}  // namespace corvela
