// Where a transport tells the progress of the file it moves. The transport
// knows nothing of who listens (the session shows it to the user; tests
// keep it).
#pragma once

#include <cstdint>

#include "common/text.h"

namespace corvela {

enum class TransferStep : int32_t {
    Start = 0,     // before the body: nothing moved yet
    Progress = 1,  // after each block
    Done = 2,      // the file went whole (uploads: with the server's reply)
};

class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // One step of the file `name`: `done` of `total` bytes moved. `reply` is
    // the server's reply (a finished upload only). False once the batch no
    // longer runs: the transport then stops within the block it is on.
    virtual bool Report(TransferStep step, uint32_t done, uint32_t total, const Text& name,
                        const Text& reply = Text()) = 0;

    // Shows the user a message the transport must give (why a download
    // failed), on the calling thread.
    virtual void ShowMessage(const Text& text) = 0;
};

}  // namespace corvela
