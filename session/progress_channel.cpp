#include "session/progress_channel.h"

namespace corvela {

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
        unclaimed.swap(held_);
    }
    for (ProgressRecord* record : unclaimed) delete record;
}

std::unique_ptr<ProgressRecord> ProgressChannel::Claim(LPARAM lparam) {
    auto* record = reinterpret_cast<ProgressRecord*>(lparam);
    std::lock_guard<std::mutex> lock(mutex_);
    if (held_.erase(record) == 0) return nullptr;
    return std::unique_ptr<ProgressRecord>(record);
}

HWND ProgressChannel::Receiver() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return receiver_;
}

ProgressRecord* ProgressChannel::Hold(std::unique_ptr<ProgressRecord> record, HWND* receiver) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || !receiver_) return nullptr;
    *receiver = receiver_;
    ProgressRecord* held = record.release();
    held_.insert(held);
    return held;
}

void ProgressChannel::Drop(ProgressRecord* record) {
    std::unique_ptr<ProgressRecord> unclaimed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (held_.erase(record) != 0) unclaimed.reset(record);
    }
}

bool ProgressChannel::Post(ProgressKind kind, std::unique_ptr<ProgressRecord> record) {
    HWND receiver = nullptr;
    ProgressRecord* held = Hold(std::move(record), &receiver);
    if (!held) return false;
    if (PostMessageW(receiver, WM_TRANSFER_PROGRESS, kind, reinterpret_cast<LPARAM>(held))) return true;
    Drop(held);
    return false;
}

LRESULT ProgressChannel::Send(ProgressKind kind, std::unique_ptr<ProgressRecord> record) {
    HWND receiver = nullptr;
    ProgressRecord* held = Hold(std::move(record), &receiver);
    if (!held) return 0;
    const LRESULT reply =
        SendMessageW(receiver, WM_TRANSFER_PROGRESS, kind, reinterpret_cast<LPARAM>(held));
    Drop(held);  // frees the record when the receiver never claimed it
    return reply;
}

bool ProgressChannel::PostEnd(int32_t result) {
    HWND receiver = Receiver();
    return receiver && PostMessageW(receiver, WM_TRANSFER_PROGRESS, PROGRESS_END, result);
}

}  // namespace corvela
