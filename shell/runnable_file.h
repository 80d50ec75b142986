// Whether a file could run code: the one judgement behind both opening a
// download and choosing where a download may be written.
#pragma once

#include "common/text.h"

namespace corvela {

// Whether the file named `path` could run code: its name is on the
// never-open list (IsDangerousToOpen), the shell's AssocIsDangerous says so
// for its extension, or the bytes of `contents` are an executable image
// (what GetBinaryTypeW accepts, or an "MZ" header). The shell starts any
// file that is a program whatever its name ("report.txt" included), so the
// name alone never clears a file. `contents` is the file whose bytes are
// judged: the same file, or a download still under its temporary name; a
// file that does not exist there has no contents to judge.
bool CouldRunCode(const Text& path, const Text& contents);
inline bool CouldRunCode(const Text& path) { return CouldRunCode(path, path); }

}  // namespace corvela
