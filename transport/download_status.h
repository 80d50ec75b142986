// Which message a failed download shows. Pure logic: the Windows transport
// supplies the platform's error number and shows the text it gets back.
#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace corvela {

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
