// The rules for the byte counts a download reports: its expected total,
// when its body is complete and how much the next read asks for. Pure logic:
// the Windows transport measures the counts.
#pragma once

#include <cstdint>

namespace corvela {

// What the library reports for a length it cannot tell in advance.
constexpr uint32_t LENGTH_NOT_ANNOUNCED = 0xFFFFFFFF;

// The total a step reports: the reported length when it is known, else
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
