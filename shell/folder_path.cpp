#include "shell/folder_path.h"

#include <algorithm>

#include "common/file_names.h"

namespace corvela {
namespace {

constexpr size_t DRIVE_ROOT_LENGTH = 3;  // "X:\"

bool IsAsciiLetter(char16_t unit) { return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z'); }

bool StartsWithDriveRoot(const Text& path) {
    return path.size() >= DRIVE_ROOT_LENGTH && IsAsciiLetter(path[0]) && path[1] == u':' && path[2] == PATH_SEPARATOR;
}

// Windows drops these at the end of a name and users miss them at the start.
bool IsTrimmedUnit(char16_t unit) { return unit == u'\t' || unit == u' ' || unit == u'.'; }

// Makes one level and tells whether it is there now (it may have existed).
bool MakeLevel(const Text& level, const FolderFileSystem& file_system) {
    file_system.create_directory(level);
    return file_system.exists(level);
}

int32_t CheckDriveRoot(const Text& root, bool check_only, const FolderFileSystem& file_system) {
    return check_only || file_system.exists(root) ? FOLDER_ACCEPTABLE : FOLDER_NOT_CREATABLE;
}

int32_t Refuse(int32_t result, const Text& path, const FolderPrompts& prompts) {
    prompts.report(FolderRefusalMessage(result, path));
    return result;
}

}  // namespace

bool IsValidFolderName(const Text& name) {
    if (name.empty() || IsTrimmedUnit(name.front()) || IsTrimmedUnit(name.back())) return false;
    return std::none_of(name.begin(), name.end(), IsReservedFileNameChar);
}

int32_t CheckFolderPath(const Text& path, bool check_only, const FolderFileSystem& file_system) {
    if (path.size() >= FOLDER_PATH_CAPACITY || !StartsWithDriveRoot(path)) return FOLDER_MALFORMED;
    if (path.size() == DRIVE_ROOT_LENGTH) return CheckDriveRoot(path, check_only, file_system);
    for (size_t start = DRIVE_ROOT_LENGTH;;) {
        const size_t end = std::min(path.find(PATH_SEPARATOR, start), path.size());
        if (!IsValidFolderName(path.substr(start, end - start))) return FOLDER_MALFORMED;
        if (!check_only && !MakeLevel(path.substr(0, end), file_system)) return FOLDER_NOT_CREATABLE;
        if (end == path.size()) return FOLDER_ACCEPTABLE;
        if (end + 1 == path.size()) return FOLDER_MALFORMED;
        start = end + 1;
    }
}

int32_t ValidateFolder(const Text& path, const FolderFileSystem& file_system, const FolderPrompts& prompts) {
    const int32_t form = CheckFolderPath(path, true, file_system);
    if (form != FOLDER_ACCEPTABLE) return Refuse(form, path, prompts);
    if (file_system.exists(path)) return FOLDER_ACCEPTABLE;
    if (!prompts.ask(FolderCreationQuestion(path))) return FOLDER_DECLINED;
    const int32_t made = CheckFolderPath(path, false, file_system);
    return made == FOLDER_ACCEPTABLE ? made : Refuse(made, path, prompts);
}

Text FolderCreationQuestion(const Text& path) {
    return u"The folder:\n\n" + path + u"\n\ndoes not exist. Do you want the folder to be created?";
}

Text FolderRefusalMessage(int32_t result, const Text& path) {
    if (result == FOLDER_MALFORMED) return u"The folder:\n\n" + path + u"\n\nis invalid. Please reenter.";
    return u"The folder:\n\n" + path + u"\n\ncan not be created. Please double check.";
}

Text FolderResultText(const Text& path) {
    const size_t kept = path.find_last_not_of(PATH_SEPARATOR);
    return (kept == Text::npos ? Text() : path.substr(0, kept + 1)) + PATH_SEPARATOR;
}

}  // namespace corvela
