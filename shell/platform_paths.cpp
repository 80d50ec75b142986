#include "shell/platform_paths.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
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

// Scripts a shell runs at its start, below the user's documents.
const Text SCRIPT_PROFILE_FOLDERS[] = {u"\\WindowsPowerShell", u"\\PowerShell"};
const Text PROGRAM_EXTENSION = u".exe";
constexpr char WINE_HOST_ROOT[] = "/";

bool StartsWithDrive(const Text& path) {
    return path.size() >= 2 && path[1] == u':' &&
           ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
}

Text DriveRoot(const Text& path) { return path.substr(0, 2) + u"\\"; }

bool EndsWithIgnoringCase(const Text& text, const Text& end) {
    return text.size() >= end.size() && EqualsIgnoreAsciiCase(text.substr(text.size() - end.size()), end);
}

// Wine's kernel32 names the host file a Windows path stands for; Windows
// has no such function, so it is looked up, never imported.
using UnixFileNameFunction = char*(CDECL*)(const wchar_t*);

UnixFileNameFunction WineUnixFileName() {
    static const auto function = reinterpret_cast<UnixFileNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    return function;
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
    Text documents;
    if (LookUpSpecialFolder(CSIDL_PERSONAL, &documents) && !documents.empty())
        for (const Text& profile : SCRIPT_PROFILE_FOLDERS) folders.push_back(CanonicalPath(documents + profile));
    return folders;
}

TextList PathFolders() {
    Text rest =
        FilledText([](wchar_t* out, DWORD size) { return GetEnvironmentVariableW(L"PATH", out, size); });
    TextList folders;
    while (!rest.empty()) {
        // An entry may be quoted, as it must be where it holds a ";".
        const Text entry = ReplaceAll(TakeBefore(rest, u';'), u"\"", Text());
        if (entry.find_first_not_of(u' ') != Text::npos) folders.push_back(CanonicalPath(entry));
    }
    return folders;
}

bool IsNetworkPath(const Text& path) {
    if (!StartsWithDrive(path)) return true;
    return GetDriveTypeW(W(DriveRoot(path))) == DRIVE_REMOTE;
}

bool IsOnHostRootDrive(const Text& path) {
    const UnixFileNameFunction unix_file_name = WineUnixFileName();
    if (!unix_file_name || !StartsWithDrive(path)) return false;
    char* host_path = unix_file_name(W(DriveRoot(path)));
    if (!host_path) return false;
    const bool host_root = std::strcmp(host_path, WINE_HOST_ROOT) == 0;
    HeapFree(GetProcessHeap(), 0, host_path);
    return host_root;
}

bool FolderHoldsProgram(const Text& folder, const Text& except_name) {
    WIN32_FIND_DATAW found = {};
    FindHandle search(FindFirstFileExW(W(folder + u"\\*" + PROGRAM_EXTENSION), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!search) return false;
    do {
        const Text name = FromW(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && EndsWithIgnoringCase(name, PROGRAM_EXTENSION) &&
            !EqualsIgnoreAsciiCase(name, except_name))
            return true;
    } while (FindNextFileW(search.Get(), &found));
    return false;
}

Text FullPath(const Text& path) {
    const Text full =
        FilledText([&](wchar_t* out, DWORD size) { return GetFullPathNameW(W(path), size, out, nullptr); });
    return full.empty() ? path : full;
}

Text CanonicalPath(const Text& path) { return UpperCase(WithFinalFolders(FullPath(path))); }

}  // namespace corvela
