// Cleaning a text so that the file system accepts it as one file name.
#pragma once

#include "common/text.h"

namespace corvela {

// Replaces every character a file name may not hold (\ / : * ? " < > |),
// one character after the other in that order, by `replacement`. Nothing
// else is examined.
Text ReplaceSpecialChars(const Text& text, const Text& replacement);

// The text up to its first NUL, cleaned with "_".
Text ChangeSpecialChar(const Text& file_name);

}  // namespace corvela
