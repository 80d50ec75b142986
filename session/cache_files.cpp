#include "session/cache_files.h"

#include <windows.h>

#include "common/wide.h"
#include "shell/platform_paths.h"
#include "transport/cache_folder.h"
#include "transport/download_file.h"

namespace corvela {
namespace {

bool CreateOneFolder(const Text& path) { return CreateDirectoryW(W(path), nullptr) != FALSE; }

}  // namespace

std::optional<Text> ExpandCacheFolderText(const Text& page_text) {
    return ExpandCacheFolder(page_text, LookUpSpecialFolder);
}

bool CreateFolderTree(const Text& path) { return CreateFolderPath(path, CreateOneFolder); }

bool MoveIntoCache(const Text& saved, const Text& cache_folder, const Text& cache_path) {
    if (MoveFileExW(W(saved), W(cache_path), 0)) return true;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
    const Text copy = MakeTempFileName(cache_folder, TEMPORARY_FILE_PREFIX);
    if (copy.empty()) return false;
    if (!CopyFileW(W(saved), W(copy), FALSE) || !MoveFileExW(W(copy), W(cache_path), 0)) {
        DeleteFileW(W(copy));
        return false;
    }
    DeleteFileW(W(saved));
    return true;
}

}  // namespace corvela
