// The road from a transfer's worker thread to its progress dialog's window.
//
// Posted records (uploads) wait in the channel, in order, until the receiver
// takes them; the receiver's window gets one WM_TRANSFER_PROGRESS with lParam
// POSTED_RECORDS_WAITING as a wake-up while records wait, not one message
// per record. A thread's message queue has a limit (about 10,000 posted
// messages on Windows): a message per 4 KiB block fills it within a second
// when the page's thread stops pumping, and a refused record would lose a
// file's result. Here nothing is refused while the receiver lives: a wake-up
// that cannot be posted is tried again with the next record, and the end
// notice, posted last, is tried until it arrives; the receiver takes every
// waiting record before it acts on the end notice.
//
// Sent records (downloads) travel as the lParam of a synchronous
// WM_TRANSFER_PROGRESS; the channel holds each until the receiver claims it,
// so a stale lParam is never dereferenced. Closing the channel (the receiver
// going away) frees whatever was never taken and refuses later records.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "session/posted_records.h"
#include "session/progress_protocol.h"

namespace corvela {

// lParam of the wake-up that tells the receiver posted records are waiting.
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
    // Takes over a record that arrived as the lParam of a sent message; null
    // when the channel does not hold it (already claimed, or freed by Close).
    std::unique_ptr<ProgressRecord> Claim(LPARAM lparam);
    // Every posted record waiting, oldest first.
    std::vector<PostedRecord> TakePosted();

    // Sender side. Post returns false only when nobody can receive the record
    // any more (it is then freed here). Send returns the receiver's reply, or
    // 0 when the record was not delivered. PostEnd waits while the
    // receiver's queue refuses the notice; false once the receiver is gone.
    bool Post(ProgressKind kind, std::unique_ptr<ProgressRecord> record);
    LRESULT Send(ProgressKind kind, std::unique_ptr<ProgressRecord> record);
    bool PostEnd(int32_t result);

    HWND Receiver() const;

private:
    ProgressRecord* HoldSent(std::unique_ptr<ProgressRecord> record, HWND* receiver);
    void DropSent(ProgressRecord* record);

    PostFunction post_;
    mutable std::mutex mutex_;
    HWND receiver_ = nullptr;
    bool closed_ = false;
    bool wake_pending_ = false;
    PostedRecords posted_;
    std::unordered_set<ProgressRecord*> sent_;
};

}  // namespace corvela
