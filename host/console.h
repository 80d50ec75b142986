// Lines for the person who runs the host: standard output for what the page
// does, standard error for what went wrong. Text goes out as UTF-8 where the
// stream is a file or a pipe, and as the console's own text where it is a
// console, so every name arrives whole. Safe to call from any thread.
#pragma once

#include <windows.h>

#include "common/text.h"

namespace corvela {

void PrintOut(const Text& line);
void PrintError(const Text& line);

// A failure as the user reads it: the system's words for it and its number.
Text ResultText(HRESULT result);

}  // namespace corvela
