// The records a download reports to its progress dialog, and the rules for
// the byte counts they carry. Pure logic: the Windows transport measures the
// counts and sends the records.
#pragma once

#include <cstdint>

#include "common/text.h"
#include "session/progress_protocol.h"

namespace corvela {

// What the library reports for a length it cannot tell in advance.
constexpr uint32_t LENGTH_NOT_ANNOUNCED = 0xFFFFFFFF;

// Phases of the download progress callback; a record's stage is phase + 3.
enum DownloadPhase : int32_t {
    DOWNLOAD_PHASE_START = 0,
    DOWNLOAD_PHASE_PROGRESS = 1,
    DOWNLOAD_PHASE_END = 2,
};

// Builds the records of one download. Each download owns its counter, so two
// downloads on two threads never mix their counts.
class DownloadProgressCounter {
public:
    // The record for one callback: {done, total, stage = phase + 3,
    // delta = done - the done of the previous record (modulo 2^32),
    // name = target, empty reply}. The start phase resets the previous done
    // to 0 first.
    ProgressRecord Make(uint32_t done, uint32_t total, int32_t phase, const Text& target);

private:
    uint32_t last_done_ = 0;
};

// The total a record announces: the reported length when it is known, else
// the bytes the library holds ready plus the bytes already written (modulo
// 2^32), which grows with the data.
uint32_t ExpectedTotal(bool length_known, uint32_t reported_length, uint32_t bytes_ready,
                       uint32_t bytes_written);

// Whether a body that has ended delivered the whole file: a body that stops
// before its announced length is a failed download (the connection broke);
// without an announced length every ending counts as complete.
bool BodyComplete(bool length_known, uint64_t announced, uint64_t written);

// How many bytes the next read of a body asks for: a block, but never past
// the announced length, so a server that sends more than it announced does
// not make the file longer; 0 once the announced length is written.
uint32_t NextReadBytes(bool length_known, uint64_t announced, uint64_t written, uint32_t block);

}  // namespace corvela
