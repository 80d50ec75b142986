// What a file name may hold, for every subsystem that makes or judges one.
#pragma once

#include <string_view>

#include "common/text.h"

namespace corvela {

// What separates the folders and the name of a path.
constexpr char16_t PATH_SEPARATOR = u'\\';

// The characters no file name can hold, in the order the name cleaner
// replaces them: \ / : * ? " < > |
constexpr std::u16string_view FILE_NAME_RESERVED_CHARS = u"\\/:*?\"<>|";

bool IsReservedFileNameChar(char16_t unit);

// A unit a file name may hold: neither reserved nor a control character.
bool IsFileNameChar(char16_t unit);

// The units Windows drops from the end of a name: dots and spaces.
bool IsDroppedAtNameEnd(char16_t unit);

// True for the names Windows gives to devices (CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM and LPT with a digit or a superscript one to three), in any
// case and with any extension: "nul.txt" opens the device, not a file.
bool IsDeviceName(const Text& name);

// Whether `name` stands for exactly one file in the folder it is put in,
// spelled as the file system will keep it: not empty, no reserved character
// (so no separator, no drive or stream colon), no control character, not "."
// or "..", no space or dot at its end (Windows drops them, so the file would
// be another name) and not a device.
bool IsPlainFileName(const Text& name);

}  // namespace corvela
