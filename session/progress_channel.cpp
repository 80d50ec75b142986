#include "session/progress_channel.h"

namespace corvela {
namespace {

// How long the end notice waits before it tries a full queue again.
constexpr DWORD END_RETRY_MS = 20;

bool PostToWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return PostMessageW(window, message, wparam, lparam) != FALSE;
}

}  // namespace

ProgressChannel::ProgressChannel(PostFunction post) : post_(post ? std::move(post) : PostToWindow) {}

ProgressChannel::~ProgressChannel() { Close(); }

void ProgressChannel::Open(HWND receiver) {
    std::lock_guard<std::mutex> lock(mutex_);
    receiver_ = receiver;
    closed_ = false;
}

void ProgressChannel::Close() {
    std::unordered_set<ProgressRecord*> unclaimed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        receiver_ = nullptr;
        unclaimed.swap(sent_);
        posted_.Clear();
    }
    for (ProgressRecord* record : unclaimed) delete record;
}

std::unique_ptr<ProgressRecord> ProgressChannel::Claim(LPARAM lparam) {
    auto* record = reinterpret_cast<ProgressRecord*>(lparam);
    std::lock_guard<std::mutex> lock(mutex_);
    if (sent_.erase(record) == 0) return nullptr;
    return std::unique_ptr<ProgressRecord>(record);
}

std::vector<PostedRecord> ProgressChannel::TakePosted() {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_pending_ = false;
    return posted_.TakeAll();
}

HWND ProgressChannel::Receiver() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return receiver_;
}

bool ProgressChannel::Post(ProgressKind kind, std::unique_ptr<ProgressRecord> record) {
    HWND receiver = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ || !receiver_) return false;
        posted_.Push(kind, std::move(record));
        if (wake_pending_) return true;
        wake_pending_ = true;
        receiver = receiver_;
    }
    if (!post_(receiver, WM_TRANSFER_PROGRESS, kind, POSTED_RECORDS_WAITING)) {
        // The record waits; the next record or the end notice wakes the receiver.
        std::lock_guard<std::mutex> lock(mutex_);
        wake_pending_ = false;
    }
    return true;
}

ProgressRecord* ProgressChannel::HoldSent(std::unique_ptr<ProgressRecord> record, HWND* receiver) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || !receiver_) return nullptr;
    *receiver = receiver_;
    ProgressRecord* held = record.release();
    sent_.insert(held);
    return held;
}

void ProgressChannel::DropSent(ProgressRecord* record) {
    std::unique_ptr<ProgressRecord> unclaimed;
    std::lock_guard<std::mutex> lock(mutex_);
    if (sent_.erase(record) != 0) unclaimed.reset(record);
}

LRESULT ProgressChannel::Send(ProgressKind kind, std::unique_ptr<ProgressRecord> record) {
    HWND receiver = nullptr;
    ProgressRecord* held = HoldSent(std::move(record), &receiver);
    if (!held) return 0;
    const LRESULT reply = SendMessageW(receiver, WM_TRANSFER_PROGRESS, kind, reinterpret_cast<LPARAM>(held));
    DropSent(held);  // frees the record when the receiver never claimed it
    return reply;
}

bool ProgressChannel::PostEnd(int32_t result) {
    for (;;) {
        const HWND receiver = Receiver();
        if (!receiver) return false;
        if (post_(receiver, WM_TRANSFER_PROGRESS, PROGRESS_END, result)) return true;
        Sleep(END_RETRY_MS);
    }
}

}  // namespace corvela
