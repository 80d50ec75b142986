// How a downloaded file is handed to its application: which registry keys
// hold the open command of its type, whether the file may be opened at all,
// and the launch that the registered command asks for. Pure logic: the
// Windows layer reads the registry and starts the process or the shell verb.
#pragma once

#include "common/text.h"

namespace corvela {

// The text after the last "." of a path, or the whole path without a ".".
Text OpenCommandExtension(const Text& path);

// The registry path whose default value names the class of a file's type:
// "HKEY_CLASSES_ROOT\." followed by OpenCommandExtension(path).
Text FileTypeKeyPath(const Text& path);

// The registry path whose default value is the open command of a class:
// "HKEY_CLASSES_ROOT\<class_name>\shell\open\command".
Text OpenCommandKeyPath(const Text& class_name);

// True when the file's name puts it on the never-open list: opening it could
// run a program. A page can queue any URL, so the control never opens such a
// file: the Windows layer judges this with the shell's AssocIsDangerous and
// the file's contents (CouldRunCode) before PlanLaunch and opens nothing
// when any says so. The extension, compared ignoring ASCII case, is taken
// the way Windows resolves the path: "." and ".." segments and trailing
// separators fold away, trailing dots and spaces do not count, and each part
// of a name split by ":" (drive-relative names, alternate streams) is judged
// on its own.
bool IsDangerousToOpen(const Text& path);

struct LaunchPlan {
    bool use_shell_open = true;  // perform the shell's "open" verb on the path
    Text command_line;           // otherwise, the process to start
};

// The launch for a file whose type registers `registered_command` (empty
// when nothing is registered). The command is lower-cased (ASCII letters
// only; enough for the names compared here); the path keeps its case.
// Commands that do not start the system browser ("iexplore.exe") go to the
// shell's "open" verb. A browser command gets every "%1" replaced by the
// path; one without "%1" gets the path appended as: one space, the path in
// double quotes.
LaunchPlan PlanLaunch(const Text& registered_command, const Text& path);

}  // namespace corvela
