#include "transport/download_status.h"

#include <iterator>

namespace corvela {

namespace {

// Windows error numbers (winerror.h), named here so this file stays portable.
constexpr uint32_t NO_ERROR_NUMBER = 0;
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_INVALID_HANDLE = 6;
constexpr uint32_t ERROR_INVALID_DRIVE = 15;
constexpr uint32_t ERROR_CURRENT_DIRECTORY = 16;
constexpr uint32_t ERROR_WRITE_PROTECT = 19;
constexpr uint32_t ERROR_NOT_READY = 21;
constexpr uint32_t ERROR_CRC = 23;
constexpr uint32_t ERROR_SEEK = 25;
constexpr uint32_t ERROR_WRITE_FAULT = 29;
constexpr uint32_t ERROR_READ_FAULT = 30;
constexpr uint32_t ERROR_GEN_FAILURE = 31;
constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
constexpr uint32_t ERROR_LOCK_VIOLATION = 33;
constexpr uint32_t ERROR_HANDLE_EOF = 38;
constexpr uint32_t ERROR_HANDLE_DISK_FULL = 39;
constexpr uint32_t ERROR_BAD_NETPATH = 53;
constexpr uint32_t ERROR_NETWORK_ACCESS_DENIED = 65;
constexpr uint32_t ERROR_CANNOT_MAKE = 82;
constexpr uint32_t ERROR_DRIVE_LOCKED = 108;
constexpr uint32_t ERROR_DISK_FULL = 112;
constexpr uint32_t ERROR_INVALID_NAME = 123;
constexpr uint32_t ERROR_NEGATIVE_SEEK = 131;
constexpr uint32_t ERROR_BAD_PATHNAME = 161;
constexpr uint32_t ERROR_FILENAME_EXCED_RANGE = 206;

// WinInet numbers its own errors from INTERNET_ERROR_BASE upwards.
constexpr uint32_t WININET_ERROR_FIRST = 12000;
constexpr uint32_t WININET_ERROR_LAST = 12999;

struct ErrorCause {
    uint32_t error;
    FileErrorCause cause;
};

constexpr ErrorCause ERROR_CAUSES[] = {
    {NO_ERROR_NUMBER, FileErrorCause::None},
    {ERROR_FILE_NOT_FOUND, FileErrorCause::FileNotFound},
    {ERROR_PATH_NOT_FOUND, FileErrorCause::BadPath},
    {ERROR_INVALID_DRIVE, FileErrorCause::BadPath},
    {ERROR_BAD_NETPATH, FileErrorCause::BadPath},
    {ERROR_INVALID_NAME, FileErrorCause::BadPath},
    {ERROR_BAD_PATHNAME, FileErrorCause::BadPath},
    {ERROR_FILENAME_EXCED_RANGE, FileErrorCause::BadPath},
    {ERROR_TOO_MANY_OPEN_FILES, FileErrorCause::TooManyOpenFiles},
    {ERROR_ACCESS_DENIED, FileErrorCause::AccessDenied},
    {ERROR_WRITE_PROTECT, FileErrorCause::AccessDenied},
    {ERROR_NETWORK_ACCESS_DENIED, FileErrorCause::AccessDenied},
    {ERROR_DRIVE_LOCKED, FileErrorCause::AccessDenied},
    {ERROR_INVALID_HANDLE, FileErrorCause::InvalidFile},
    {ERROR_CURRENT_DIRECTORY, FileErrorCause::RemoveCurrentDir},
    {ERROR_CANNOT_MAKE, FileErrorCause::DirectoryFull},
    {ERROR_SEEK, FileErrorCause::BadSeek},
    {ERROR_NEGATIVE_SEEK, FileErrorCause::BadSeek},
    {ERROR_WRITE_FAULT, FileErrorCause::HardIO},
    {ERROR_READ_FAULT, FileErrorCause::HardIO},
    {ERROR_CRC, FileErrorCause::HardIO},
    {ERROR_NOT_READY, FileErrorCause::HardIO},
    {ERROR_GEN_FAILURE, FileErrorCause::HardIO},
    {ERROR_SHARING_VIOLATION, FileErrorCause::SharingViolation},
    {ERROR_LOCK_VIOLATION, FileErrorCause::LockViolation},
    {ERROR_DISK_FULL, FileErrorCause::DiskFull},
    {ERROR_HANDLE_DISK_FULL, FileErrorCause::DiskFull},
    {ERROR_HANDLE_EOF, FileErrorCause::EndOfFile},
};

// In the order of FileErrorCause.
constexpr const char16_t* FILE_ERROR_TEXTS[] = {
    u"ERROR: No error occurred\n",
    u"ERROR: An unspecified error occurred\n",
    u"ERROR: The file could not be located\n",
    u"ERROR: All or part of the path is invalid\n",
    u"ERROR: The permitted number of open files was exceeded\n",
    u"ERROR: The file could not be accessed\n",
    u"ERROR: There was an attempt to use an invalid file handle\n",
    u"ERROR: The current working directory cannot be removed\n",
    u"ERROR: There are no more directory entries\n",
    u"ERROR: There was an error trying to set the file pointer\n",
    u"ERROR: There was a hardware error\n",
    u"ERROR: SHARE.EXE was not loaded, or a shared region was locked\n",
    u"ERROR: There was an attempt to lock a region that was already locked\n",
    u"ERROR: The disk is full\n",
    u"ERROR: The end of file was reached\n",
};
static_assert(std::size(FILE_ERROR_TEXTS) == static_cast<size_t>(FileErrorCause::EndOfFile) + 1,
              "one text per cause");

}  // namespace

Text FileErrorText(FileErrorCause cause) {
    const auto index = static_cast<size_t>(cause);
    // A value cast from outside the enumeration must not read past the table.
    if (index >= std::size(FILE_ERROR_TEXTS)) cause = FileErrorCause::Generic;
    return FILE_ERROR_TEXTS[static_cast<size_t>(cause)];
}

std::optional<FileErrorCause> FileErrorCauseForPlatformError(uint32_t win32_error) {
    if (win32_error >= WININET_ERROR_FIRST && win32_error <= WININET_ERROR_LAST) return std::nullopt;
    for (const ErrorCause& entry : ERROR_CAUSES)
        if (entry.error == win32_error) return entry.cause;
    return FileErrorCause::Generic;
}

}  // namespace corvela
