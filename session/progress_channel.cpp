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
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    receiver_ = nullptr;
    posted_.Clear();
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
    return Enqueue(kind, [&](PostedRecords& posted) { posted.Push(kind, std::move(record)); });
}

bool ProgressChannel::PostResult(const Text& result) {
    return Enqueue(PROGRESS_DOWNLOAD, [&](PostedRecords& posted) { posted.PushResult(result); });
}

bool ProgressChannel::Enqueue(ProgressKind kind, const std::function<void(PostedRecords&)>& push) {
    HWND receiver = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ || !receiver_) return false;
        push(posted_);
        if (wake_pending_) return true;
        wake_pending_ = true;
        receiver = receiver_;
    }
    if (!post_(receiver, WM_TRANSFER_PROGRESS, kind, POSTED_RECORDS_WAITING)) {
        // The item waits; the next item or the end notice wakes the receiver.
        std::lock_guard<std::mutex> lock(mutex_);
        wake_pending_ = false;
    }
    return true;
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
