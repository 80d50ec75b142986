#include "shell/platform_paths.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "framework/wide.h"

namespace corvela {
namespace {

constexpr int PROTECTED_FOLDER_NUMBERS[] = {
    CSIDL_STARTUP,       CSIDL_COMMON_STARTUP,     CSIDL_ALTSTARTUP,          CSIDL_COMMON_ALTSTARTUP,
    CSIDL_WINDOWS,       CSIDL_SYSTEM,             CSIDL_SYSTEMX86,           CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86,
};

// Calls a platform function that fills a buffer and returns the length it
// needs, growing the buffer until the whole text fits; empty on failure.
template <typename Fill>
Text FilledText(Fill fill) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return Text();
        if (length < buffer.size()) return FromW(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

Text LongPath(const Text& path) {
    return FilledText([&](wchar_t* out, DWORD size) { return GetLongPathNameW(W(path), out, size); });
}

// The long form of the deepest folder of `full` that exists, with the rest
// of the path after it.
Text WithLongFolders(const Text& full) {
    for (size_t cut = full.size(); cut != Text::npos && cut > 0; cut = full.rfind(u'\\', cut - 1)) {
        const Text existing = LongPath(full.substr(0, cut));
        if (!existing.empty()) return existing + full.substr(cut);
    }
    return full;
}

Text UpperCase(Text text) {
    if (!text.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(&text[0]), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

bool LookUpSpecialFolder(int csidl, Text* path) {
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE)) return false;
    *path = FromW(folder);
    return true;
}

TextList ProtectedFolders() {
    TextList folders;
    for (int csidl : PROTECTED_FOLDER_NUMBERS) {
        Text folder;
        if (LookUpSpecialFolder(csidl, &folder) && !folder.empty()) folders.push_back(CanonicalPath(folder));
    }
    return folders;
}

Text FullPath(const Text& path) {
    const Text full =
        FilledText([&](wchar_t* out, DWORD size) { return GetFullPathNameW(W(path), size, out, nullptr); });
    return full.empty() ? path : full;
}

Text CanonicalPath(const Text& path) { return UpperCase(WithLongFolders(FullPath(path))); }

}  // namespace corvela
