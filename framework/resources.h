// The module's own resources and names, found for the thread's language.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/text.h"

namespace corvela {

// The module that holds this code (the control module, or a test program
// that links the same code and resources).
HINSTANCE ModuleInstance();
Text ModulePath();
// The module's file name without its extension; the caption of the module's
// message boxes.
Text ModuleTitle();

// A string of the string table in the given language, falling back to
// English and then to any language; empty when the id is unknown.
Text LoadResString(UINT id, uint16_t language);
// The same in the calling thread's language (ThreadLanguage()).
Text LoadResString(UINT id);

// A dialog template in the given language, or in any language when that one
// has none; null when the module holds no such template.
const DLGTEMPLATE* FindDialogTemplate(UINT id, uint16_t language);

// A message box with the module's title as caption.
int ModuleMessageBox(HWND owner, const Text& text, UINT type);

}  // namespace corvela
