// Sizes that shape the requests of one upload.
#pragma once

#include <cstdint>

namespace corvela {

// Most bytes of a file that one request carries (2,024 MiB), so that every
// announced length stays well below 2^31; a larger file goes in several
// requests with the same identifier.
constexpr uint32_t UPLOAD_PIECE_BYTES = 0x7E800000;
// Bytes read from the file and written to the request at a time.
constexpr uint32_t UPLOAD_BLOCK_BYTES = 4096;
// How long a request waits for the server's answer (one hour), so that a
// server may work on a large file before it replies.
constexpr uint32_t UPLOAD_RECEIVE_TIMEOUT_MS = 3600000;

// Length of the piece that starts at `piece_start`; 0 at or past the end.
constexpr uint32_t PieceLength(uint32_t file_length, uint32_t piece_start) {
    if (piece_start >= file_length) return 0;
    const uint32_t remaining = file_length - piece_start;
    return remaining < UPLOAD_PIECE_BYTES ? remaining : UPLOAD_PIECE_BYTES;
}

}  // namespace corvela
