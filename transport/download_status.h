// How a download judges the server's status and which message a failed
// download shows. Pure logic: the Windows transport supplies the status code
// and the platform's error number and shows the text it gets back.
#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace corvela {

// True for the statuses that end a download with failure and save nothing:
// 400, 404, 405, 500 and 503. Every other status, other 4xx and 5xx codes
// included, continues and its body is saved as the file.
bool IsRefusedStatus(uint32_t status);

// True for the statuses whose Location a download follows: 301, 302, 303,
// 307 and 308.
bool IsRedirectStatus(uint32_t status);

// Causes of a failed file or network operation that have a message of their
// own. The numbers are the order of the message table.
enum class FileErrorCause {
    None = 0,
    Generic,
    FileNotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    RemoveCurrentDir,
    DirectoryFull,
    BadSeek,
    HardIO,
    SharingViolation,
    LockViolation,
    DiskFull,
    EndOfFile,
};

// The English message of a cause, ending in a line feed. These messages are
// built into the code; they are not in the string tables.
Text FileErrorText(FileErrorCause cause);

// The cause for a Windows error number (GetLastError), or nothing when the
// error is one of WinInet's own (12000 to 12999): those show no message.
// 0 (no error) gives None; a number without a cause of its own gives Generic.
std::optional<FileErrorCause> FileErrorCauseForPlatformError(uint32_t win32_error);

}  // namespace corvela
