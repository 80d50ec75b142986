// Fetching one URL into one local file through WinInet, with progress
// records to the progress dialog, and the folder and file services around a
// download batch.
#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace corvela {

class ProgressChannel;

// Fetches `url` into `*target_path`, reporting every step to the dialog
// behind `channel`; the dialog's answer 0 stops the download. An empty
// target on entry receives a fresh temporary path (…\Kel<hex>.<extension>,
// ending in "." for an empty extension), whatever the result; it stays
// empty only when no temporary name could be made. 1 when the file was
// fetched completely, else 0; a failed download deletes what it wrote under
// a temporary name, and leaves a target the caller named as it is.
int DownloadFile(ProgressChannel* channel, const Text& url, Text* target_path, const Text& extension);

// Told of each step of a fetch: phase 0 (start; done 0), 1 (after each block
// written) and 2 (the body ended complete). `total` is the expected total.
// Nonzero lets the fetch go on; 0 stops it.
using DownloadCallback = int (*)(void* context, uint32_t done, uint32_t total, int phase, const Text& target);

// Fetches `url` into the file `target_path` (replaced when it exists).
// 1 when the whole body was saved and every callback agreed, else 0. An
// empty URL, or one holding a control character, is 0 with no request.
// Redirects are followed, at most 20 in a row. Only a final status of 200 to
// 299 with an unencoded body saves anything, never more of it than its
// announced length, and a body that ends early is a failed download. When the library, the URL or the status cannot be
// opened, or the file cannot be written, for a reason other than WinInet's
// own, the reason is shown in a message box on the calling thread.
int FetchUrlToFile(const Text& url, const Text& target_path, DownloadCallback callback, void* context);

// A new, empty, uniquely named file in `folder` (the system's temporary
// folder when empty) whose name starts with `prefix`; empty when none could
// be made.
Text MakeTempFileName(const Text& folder, const Text& prefix);

// Moves a downloaded file from where the transport saved it to
// `cache_path` in `cache_folder`, never replacing a file there. Across disks
// the file is copied under a temporary name in the cache folder first and
// takes its name only once complete, so a copy that fails (a full disk)
// never leaves a half-written file that a later batch would take for a
// cached copy. False when the file stays where it was.
bool MoveIntoCache(const Text& saved, const Text& cache_folder, const Text& cache_path);

// The folder a page's cache folder text names, with its bracketed special
// folder number looked up; ends in "\" unless empty. Nothing when the
// number names no special folder.
std::optional<Text> ExpandCacheFolderText(const Text& page_text);

// Creates `path` with every missing parent folder. False when the last
// attempt failed, which includes a folder that already existed.
bool CreateFolderTree(const Text& path);

}  // namespace corvela
