#include "common/language.h"

#include <windows.h>

#include "common/constants.h"

namespace corvela {
namespace {

thread_local uint16_t t_selected_language = 0;

using SetThreadUILanguageFn = LANGID(WINAPI*)(LANGID);

bool AskPlatform(uint16_t language) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(&version)) return false;
    if (version.dwMajorVersion != 6) return SetThreadLocale(language) != FALSE;
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return false;
    auto set_language =
        reinterpret_cast<SetThreadUILanguageFn>(GetProcAddress(kernel, "SetThreadUILanguage"));
    if (!set_language) return false;
    return set_language(language) == language;
}

}  // namespace

bool SelectThreadLanguage(uint16_t language) {
    t_selected_language = language;
    return AskPlatform(language);
}

uint16_t ThreadLanguage() {
    if (t_selected_language != 0) return t_selected_language;
    return PRIMARYLANGID(GetThreadUILanguage()) == LANG_KOREAN ? LANGUAGE_KOREAN : LANGUAGE_ENGLISH;
}

}  // namespace corvela
