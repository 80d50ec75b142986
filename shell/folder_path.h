// Checking, creating and shaping the folder a user types or picks in the
// folder dialog. Pure logic: the file system and the questions to the user
// are passed in, so every decision runs the same natively and on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "common/text.h"

namespace corvela {

// Results of CheckFolderPath and ValidateFolder.
constexpr int32_t FOLDER_ACCEPTABLE = 0;
constexpr int32_t FOLDER_MALFORMED = 1;
constexpr int32_t FOLDER_NOT_CREATABLE = 2;  // a level cannot be made, or the drive is missing
constexpr int32_t FOLDER_DECLINED = -1;       // the user would not have it created

// A path of this many units or more is malformed: the platform's path
// buffers hold one unit less, and a shortened path would name another folder.
constexpr size_t FOLDER_PATH_CAPACITY = 260;

struct FolderFileSystem {
    // Whether anything (folder or file) exists at the path.
    std::function<bool(const Text&)> exists;
    // Makes one folder; its own result is not trusted, `exists` decides.
    std::function<void(const Text&)> create_directory;
};

struct FolderPrompts {
    // Asks a Yes/No question; true for Yes.
    std::function<bool(const Text& question)> ask;
    // Tells the user why the path was refused.
    std::function<void(const Text& message)> report;
};

// A name the file system keeps as typed: not empty, no tab, space or full
// stop at either end, none of " * / : < > ? \ |.
bool IsValidFolderName(const Text& name);

// Whether `path` is an absolute drive-letter path ("X:\" or "X:\a\b", no
// trailing "\" after a name) made of valid names. With `check_only` false
// every missing level is created, parent first; a level that cannot be made
// stops the walk with FOLDER_NOT_CREATABLE and the levels made before it
// stay. A drive root is never created: a missing one is not creatable.
int32_t CheckFolderPath(const Text& path, bool check_only, const FolderFileSystem& file_system);

// The whole check of a confirmed path: malformed paths are reported; a path
// naming anything that exists is accepted as it is; otherwise the user is
// asked whether to create it, and the creation's failure is reported.
int32_t ValidateFolder(const Text& path, const FolderFileSystem& file_system, const FolderPrompts& prompts);

Text FolderCreationQuestion(const Text& path);
// The message for a refused path: the "is invalid" text for
// FOLDER_MALFORMED, the "can not be created" text for any other result.
Text FolderRefusalMessage(int32_t result, const Text& path);

// The folder as script receives it: every trailing "\" removed and exactly
// one appended, so a drive root comes back as "X:\".
Text FolderResultText(const Text& path);

}  // namespace corvela
