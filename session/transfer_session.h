// The state a progress dialog shares with its worker thread: the running
// flag, the channel and the language. Both hold a reference, so it stays
// valid until the later of the two is done: a worker still finishing after
// the user closed the dialog never touches freed memory, and the page's
// thread never waits for it.
#pragma once

#include "session/progress_channel.h"
#include "session/progress_protocol.h"

namespace corvela {

class TransferSession {
public:
    // `post` reaches the dialog's window (PostMessageW when empty).
    explicit TransferSession(int32_t language, ProgressChannel::PostFunction post = nullptr)
        : channel_(std::move(post)), language_(language) {}

    RunningFlag& running() { return running_; }
    ProgressChannel& channel() { return channel_; }
    int32_t language() const { return language_; }

private:
    RunningFlag running_{0};
    ProgressChannel channel_;
    const int32_t language_;
};

}  // namespace corvela
