// Hands a downloaded file to the application the system registered for its
// type.
#pragma once

#include <windows.h>

#include "common/text.h"

namespace corvela {

// The open command registered for the file's extension, or the empty text.
Text GetOpenCommand(const Text& path);

// Starts a process with the command line; its handle (the caller closes it),
// or null.
HANDLE RunCommandLine(const Text& command_line, WORD show_command, const Text* current_directory,
                      DWORD* process_id);

// The shell's "open" verb on the file; the process handle the shell reports
// (the caller closes it), or null.
HANDLE ShellOpenFile(HWND owner, const Text& file, const Text& parameters);

// Opens a downloaded file with its registered application. A file that could
// run code (CouldRunCode: by its name or its contents) is never opened.
// Failures are silent.
void OpenDownloadedFile(const Text& path);

}  // namespace corvela
