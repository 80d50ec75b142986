// Paths as the platform resolves them, and the shell's special folders: the
// lookup behind the cache folder's bracketed number, and the folders a
// downloaded program must never land in.
#pragma once

#include "common/text.h"

namespace corvela {

// The folder with CSIDL number `csidl`, without a trailing backslash; false
// when the shell knows none.
bool LookUpSpecialFolder(int csidl, Text* path);

// The autostart folders (the user's and everybody's Startup and alternate
// Startup) and the system's own folders (Windows, System, Program Files and
// their 32-bit and common twins) that exist here, as CanonicalPath gives them.
TextList ProtectedFolders();

// `path` made full as GetFullPathNameW resolves it ("." and ".." folded,
// trailing dots and spaces dropped); the path itself when it cannot be.
Text FullPath(const Text& path);

// FullPath with its existing folders as the file system names them (long
// names, links followed, without a "\\?\" or "\\.\" prefix) and in upper
// case, so that paths that name the same place compare equal.
Text CanonicalPath(const Text& path);

}  // namespace corvela
