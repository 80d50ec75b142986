#include "shell/platform_paths.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "common/wide.h"
#include "framework/handles.h"

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

const Text LOCAL_DEVICE_PREFIX = u"\\\\?\\";
const Text LOCAL_DEVICE_UNC_PREFIX = u"\\\\?\\UNC\\";

// "\\?\C:\x" as "C:\x", "\\?\UNC\server\share" as "\\server\share".
Text WithoutLocalDevicePrefix(const Text& path) {
    if (path.compare(0, LOCAL_DEVICE_UNC_PREFIX.size(), LOCAL_DEVICE_UNC_PREFIX) == 0)
        return u"\\\\" + path.substr(LOCAL_DEVICE_UNC_PREFIX.size());
    if (path.compare(0, LOCAL_DEVICE_PREFIX.size(), LOCAL_DEVICE_PREFIX) == 0)
        return path.substr(LOCAL_DEVICE_PREFIX.size());
    return path;
}

// The path the file system itself gives an existing file or folder: long
// names, links and junctions followed, however the path was spelt ("\\?\",
// "\\.\", short names); empty when it cannot be opened.
Text FinalPath(const Text& path) {
    KernelHandle item(CreateFileW(W(path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!item) return Text();
    return WithoutLocalDevicePrefix(FilledText([&](wchar_t* out, DWORD size) {
        return GetFinalPathNameByHandleW(item.Get(), out, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }));
}

// The final path of the deepest folder of `full` that exists, with the rest
// of the path after it. A drive is asked for as its root ("C:\"): "C:"
// alone names the drive's current folder.
Text WithFinalFolders(const Text& full) {
    for (size_t cut = full.size(); cut != Text::npos && cut > 0; cut = full.rfind(u'\\', cut - 1)) {
        Text folder = full.substr(0, cut);
        Text rest = full.substr(cut);
        if (folder.back() == u':') {
            folder += u'\\';
            if (!rest.empty()) rest.erase(0, 1);
        }
        Text existing = FinalPath(folder);
        if (existing.empty()) continue;
        if (existing.back() == u'\\' && !rest.empty() && rest.front() == u'\\') existing.pop_back();
        return existing + rest;
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

Text CanonicalPath(const Text& path) { return UpperCase(WithFinalFolders(FullPath(path))); }

}  // namespace corvela
