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

// The places that run what they hold without its ever being opened.
struct RunnablePlaces {
    // Each with everything below it: the autostart folders (run at the next
    // sign-in), the system's own folders, the script profile folders.
    TextList trees;
    // Each itself only: the folders of PATH, where a program is found by its
    // bare name before the one the user meant.
    TextList folders;
};

// What the platform says about the folder a download would be written into.
struct CacheFolderFacts {
    bool network = false;        // a UNC path or a drive the platform reports as remote
    bool host_root = false;      // under Wine, a drive that maps the host's root: outside the Windows drives
    bool holds_program = false;  // it holds a program (".exe") besides the download itself
};

// The folder a path lies in: the text before its last "\".
Text FolderOf(const Text& path);

// Whether a download may be written to `cache_path`: a file whose type could
// run code never goes into one of the places that would run it: into or
// below a tree of `places`, into a folder of its PATH list, into a network
// folder, beside a program (which loads a library put there), or, under
// Wine, onto the drive of the host's root (where it reaches the host's own
// start-up and login files). Other files go anywhere. The path and the
// folders are spelt alike (as CanonicalPath gives them).
bool MayWriteToCache(const Text& cache_path, bool could_run_code, const RunnablePlaces& places,
                     const CacheFolderFacts& facts);

// Whether the user is asked to reuse a cached copy: only with a cache folder,
// a unique id and an existing file at the cache path.
bool ShouldAskAboutCachedCopy(const Text& cache_folder, const Text& unique_id,
                              bool cached_file_exists);

// The extension a download's temporary name gets: what follows the first "."
// of the destination name ("a.b.c" gives "b.c"), empty without a ".".
Text TemporaryExtension(const Text& destination_name);

// The longest destination name the cached-copy question shows, in UTF-16
// units: a message box wraps a longer one into lines until its buttons leave
// the screen.
constexpr size_t QUESTION_NAME_LIMIT = 80;

// The question about a cached copy: `question_template` (string 202) with its
// first "%s" replaced by the destination name. The name is plain text: a "%"
// in it is shown as written. Any other "%" of the template stays as it is.
// The page writes the name, so it is shown as one line of text only: every
// control character (C0 and C1, line and paragraph separators, and the
// marks that reorder text) becomes a space, and a name longer than
// QUESTION_NAME_LIMIT is cut there and ends in "…". A page cannot write its
// own lines ("Windows Security: ...") into a box the user trusts.
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
