// The title and extension of a local file, as an upload names it.
#pragma once

#include "common/text.h"

namespace corvela {

struct FileNameParts {
    Text title;      // the file name without its extension
    Text extension;  // without the dot; empty when the name has no "."
};

// The file name is what follows the last "\" (or "/") of the path. A dot in a folder
// name does not count: C:\dir.old\README has the title README and no
// extension, and .profile has the extension profile and an empty title.
FileNameParts SplitFileName(const Text& local_path);

}  // namespace corvela
