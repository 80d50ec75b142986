#include "transport/download_progress.h"

#include <algorithm>

namespace corvela {

uint32_t ExpectedTotal(bool length_known, uint32_t reported_length, uint32_t bytes_ready,
                       uint32_t bytes_written) {
    return length_known ? reported_length : bytes_ready + bytes_written;
}

bool BodyComplete(bool length_known, uint64_t announced, uint64_t written) {
    return !length_known || written >= announced;
}

uint32_t NextReadBytes(bool length_known, uint64_t announced, uint64_t written, uint32_t block) {
    if (!length_known) return block;
    if (written >= announced) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(block, announced - written));
}

}  // namespace corvela
