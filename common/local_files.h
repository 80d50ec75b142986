// What the file system says about a local path.
#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace corvela {

// The size the file system reports for the file, or nothing when its status
// cannot be read.
std::optional<uint64_t> LocalFileSize(const Text& path);

// Whether a file or folder exists at `path`.
bool FileExists(const Text& path);

}  // namespace corvela
