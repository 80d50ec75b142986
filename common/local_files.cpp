#include "common/local_files.h"

#include <windows.h>
#include <shlwapi.h>

#include "common/wide.h"

namespace corvela {

std::optional<uint64_t> LocalFileSize(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool FileExists(const Text& path) { return PathFileExistsW(W(path)) != FALSE; }

}  // namespace corvela
