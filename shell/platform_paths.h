// Paths as the platform resolves them, and the shell's special folders: the
// lookup behind the cache folder's bracketed number, and the folders and
// drives a downloaded program must never land in.
#pragma once

#include "common/text.h"

namespace corvela {

// The folder with CSIDL number `csidl`, without a trailing backslash; false
// when the shell knows none.
bool LookUpSpecialFolder(int csidl, Text* path);

// The folders whose files run without being opened, each with everything
// below it: the autostart folders (the user's and everybody's Startup and
// alternate Startup), the system's own folders (Windows, System, Program
// Files and their 32-bit and common twins) that exist here, and the user's
// script profile folders (Documents\WindowsPowerShell, Documents\PowerShell),
// as CanonicalPath gives them.
TextList ProtectedFolders();

// The folders of this process's PATH, where a program is found by its bare
// name, as CanonicalPath gives them.
TextList PathFolders();

// Whether a path (as CanonicalPath gives it) lies on the network: a UNC
// path, a drive the platform reports as remote, or a path on no drive.
bool IsNetworkPath(const Text& path);

// Whether a path (as CanonicalPath gives it) lies, under Wine, outside the
// Windows drives: on a drive that maps the host's root "/", through which
// a file reaches the host's own start-up and login folders. Always false on
// Windows.
bool IsOnHostRootDrive(const Text& path);

// Whether `folder` holds a program (a file whose name ends in ".exe") other
// than the file `except_name`: a library put beside it is loaded by it.
bool FolderHoldsProgram(const Text& folder, const Text& except_name);

// `path` made full as GetFullPathNameW resolves it ("." and ".." folded,
// trailing dots and spaces dropped); the path itself when it cannot be.
Text FullPath(const Text& path);

// FullPath with its existing folders as the file system names them (long
// names, links followed, without a "\\?\" or "\\.\" prefix) and in upper
// case, so that paths that name the same place compare equal.
Text CanonicalPath(const Text& path);

}  // namespace corvela
