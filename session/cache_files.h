// The cache folder of a download batch on disk: the folder a page's text
// names, made with its parents, and the move of each downloaded file into it.
#pragma once

#include <optional>

#include "common/text.h"

namespace corvela {

// The folder a page's cache folder text names, with its bracketed special
// folder number looked up; ends in "\" unless empty. Nothing when the
// number names no special folder.
std::optional<Text> ExpandCacheFolderText(const Text& page_text);

// Creates `path` with every missing parent folder. False when the last
// attempt failed, which includes a folder that already existed.
bool CreateFolderTree(const Text& path);

// Moves a downloaded file from where the transport saved it to
// `cache_path` in `cache_folder`, never replacing a file there. Across disks
// the file is copied under a temporary name in the cache folder first and
// takes its name only once complete, so a copy that fails (a full disk)
// never leaves a half-written file that a later batch would take for a
// cached copy. False when the file stays where it was.
bool MoveIntoCache(const Text& saved, const Text& cache_folder, const Text& cache_path);

}  // namespace corvela
