// How the transfer of one file ended, with its cause: a caller can tell a
// server's refusal from a network that failed and from a batch that was
// stopped, where a bare 0 said only "not done".
#pragma once

#include <cstdint>

namespace corvela {

struct TransferResult {
    enum class Outcome { Succeeded, Failed, Stopped };

    Outcome outcome = Outcome::Failed;
    // The error number of the platform call that failed (GetLastError, which
    // also carries WinInet's), or 0 when none did.
    uint32_t platform_error = 0;
    // The status of the server's last answer, or 0 when none came.
    uint32_t http_status = 0;

    bool Succeeded() const { return outcome == Outcome::Succeeded; }

    static TransferResult Success(uint32_t status = 0) { return {Outcome::Succeeded, 0, status}; }
    static TransferResult Failure(uint32_t error, uint32_t status = 0) { return {Outcome::Failed, error, status}; }
    static TransferResult Stop(uint32_t status = 0) { return {Outcome::Stopped, 0, status}; }
};

}  // namespace corvela
