// The user-interface language of a thread, which decides the string table
// and dialog templates that the thread loads afterwards.
#pragma once

#include <cstdint>

namespace corvela {

// Asks the platform to switch the calling thread's user-interface language
// (SetThreadUILanguage on major version 6, SetThreadLocale otherwise) and
// reports whether the platform did. The choice is also kept for the thread,
// because some resource loaders ignore the thread's language: every string
// and dialog this module loads follows ThreadLanguage().
bool SelectThreadLanguage(uint16_t language);

// The language last selected on this thread; before any selection, Korean
// when the platform's language for the thread is Korean, else English.
uint16_t ThreadLanguage();

}  // namespace corvela
