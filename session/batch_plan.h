// The worker's per-file decisions in a cache-download batch, and the end
// notice it posts. Pure logic: the Windows worker asks the file system and
// the user, calls the transport and carries out what these functions decide.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/text.h"
#include "session/transfer_job.h"

namespace corvela {

// Where file `unique_id` lives in the cache: the cache folder (which ends in
// "\" unless empty) followed directly by the id.
Text CachePath(const Text& cache_folder, const Text& unique_id);

// Whether a page's unique id can name a file of the cache: empty (the file
// then stays where the transport saved it) or one plain file name. Anything
// else (a separator, a "." or ".." segment, a drive or stream colon, a
// trailing dot or space, a device) could put the file in another place or
// under another name than the one the never-open rule judges, so such an
// entry fails as a failed download does and nothing is written for it.
bool IsUsableUniqueId(const Text& unique_id);

// Whether `path` is `folder` itself or lies below it. Both are full paths as
// the platform resolves them; letters compare without regard to case.
bool IsInsideFolder(const Text& path, const Text& folder);

// Whether a download may be written to `cache_path`: a file whose type could
// run code never goes into one of `protected_folders` (the autostart folders,
// where it would run at the next sign-in, and the system's own folders) or
// below one, since it would run without ever being opened. The path and the
// folders are spelt alike (as CanonicalPath gives them).
bool MayWriteToCache(const Text& cache_path, bool could_run_code, const TextList& protected_folders);

// Whether the user is asked to reuse a cached copy: only with a cache folder,
// a unique id and an existing file at the cache path.
bool ShouldAskAboutCachedCopy(const Text& cache_folder, const Text& unique_id,
                              bool cached_file_exists);

// The extension a download's temporary name gets: what follows the first "."
// of the destination name ("a.b.c" gives "b.c"), empty without a ".".
Text TemporaryExtension(const Text& destination_name);

// The question about a cached copy: `question_template` (string 202) with its
// first "%s" replaced by the destination name. The name is plain text: a "%"
// in it is shown as written. Any other "%" of the template stays as it is.
Text CachedCopyQuestion(const Text& question_template, const Text& destination_name);

// The result a finished download adds: the cache path when the file was
// moved there, else the path where the transport saved it.
Text DownloadResult(bool moved, const Text& cache_path, const Text& target_path);

// The lParam of the end notice: BATCH_RESULT_FINISHED (1) while the batch is
// still running, BATCH_RESULT_CANCELLED (2) after a cancel.
int32_t EndResult(bool still_running);

// Everything the worker needs for file `index` of the batch. An entry
// missing from a parallel list reads as the empty text.
struct CacheFilePlan {
    Text url;
    Text unique_id;
    Text destination_name;  // shown while the file downloads, named in the question
    Text cache_path;        // CachePath of the id
    Text extension;         // TemporaryExtension of the destination name
};

// The worker walks the job's file list (the URLs); the unique ids and
// destination names run parallel to it and may be shorter or longer.
CacheFilePlan PlanCacheFile(const TransferJob& job, size_t index);

}  // namespace corvela
