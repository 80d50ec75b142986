// The road from a transfer's worker thread to its progress dialog's window.
//
// Records travel as WM_TRANSFER_PROGRESS messages whose lParam points at the
// record. A posted message can outlive its window: the platform then never
// delivers it and nobody would free the record. The channel therefore keeps
// every record it has handed over until the receiver claims it; when the
// receiver goes away it closes the channel, which frees whatever was never
// claimed and refuses later records. A stale lParam is never dereferenced:
// the receiver only uses records that the channel still holds.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <unordered_set>

#include "session/progress_protocol.h"

namespace corvela {

class ProgressChannel {
public:
    ProgressChannel() = default;
    explicit ProgressChannel(HWND receiver) : receiver_(receiver) {}
    ProgressChannel(const ProgressChannel&) = delete;
    ProgressChannel& operator=(const ProgressChannel&) = delete;
    ~ProgressChannel();

    // Receiver side.
    void Open(HWND receiver);
    void Close();
    // Takes over a record that arrived with a message; null when the channel
    // does not hold it (already claimed, or freed by Close).
    std::unique_ptr<ProgressRecord> Claim(LPARAM lparam);

    // Sender side. Post returns false when the record could not be handed
    // over (it is then freed here). Send returns the receiver's reply, or 0
    // when the record was not delivered.
    bool Post(ProgressKind kind, std::unique_ptr<ProgressRecord> record);
    LRESULT Send(ProgressKind kind, std::unique_ptr<ProgressRecord> record);
    bool PostEnd(int32_t result);

    HWND Receiver() const;

private:
    ProgressRecord* Hold(std::unique_ptr<ProgressRecord> record, HWND* receiver);
    void Drop(ProgressRecord* record);

    mutable std::mutex mutex_;
    HWND receiver_ = nullptr;
    bool closed_ = false;
    std::unordered_set<ProgressRecord*> held_;
};

}  // namespace corvela
