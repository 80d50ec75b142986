// Fetching one URL into one local file through WinInet, telling a
// ProgressSink of every step, and the temporary names a download is saved
// under.
#pragma once

#include "common/text.h"
#include "transport/progress_sink.h"
#include "transport/transfer_result.h"

namespace corvela {

// The prefix of the transport's temporary file names (three letters, the
// most the system's unique-name service uses).
constexpr char16_t TEMPORARY_FILE_PREFIX[] = u"Kel";

struct DownloadRequest {
    Text url;
    // Where the file goes (replaced when it exists); empty: a fresh
    // temporary name, …\Kel<hex>.<extension>, ending in "." for an empty
    // extension.
    Text target_path;
    Text extension;
};

// Fetches the request's URL into its target, reporting every step to
// `sink`; a sink that says the batch stopped stops the download within the
// block it is on. `saved_path` receives the target (the temporary name when
// the request named none) whatever the result; it is empty only when no
// temporary name could be made. A failed download deletes what it wrote
// under a temporary name, and leaves a target the caller named as it is.
TransferResult DownloadFile(const DownloadRequest& request, ProgressSink& sink, Text* saved_path);

// Fetches `url` into the file `target_path` (replaced when it exists),
// reporting every step to `sink`. An empty URL, or one holding a control
// character, fails with no request. Redirects are followed, at most 20 in a
// row. Only a final status of 200 to 299 with an unencoded body saves
// anything, never more of it than its announced length, and a body that ends
// early is a failed download. When the library, the URL or the status cannot
// be opened, or the file cannot be written, for a reason other than WinInet's
// own, the sink shows the reason to the user.
TransferResult FetchUrlToFile(const Text& url, const Text& target_path, ProgressSink& sink);

// A new, empty, uniquely named file in `folder` (the system's temporary
// folder when empty) whose name starts with `prefix`; empty when none could
// be made.
Text MakeTempFileName(const Text& folder, const Text& prefix);

}  // namespace corvela
