// The folder and file names around a download batch: the page's cache folder
// text with its bracketed special-folder number, the temporary name a
// download is saved under, and the creation of a folder with its parents.
// Pure logic: the platform services are passed in.
#pragma once

#include <functional>
#include <optional>

#include "common/text.h"

namespace corvela {

// Looks up a special folder by its CSIDL number. Returns true and fills
// `path` (without a trailing backslash) when the folder is known.
using SpecialFolderLookup = std::function<bool(int csidl, Text* path)>;

// Creates one folder (CreateDirectoryW); true on success, false when it
// failed, an existing folder included.
using CreateDirectoryFunction = std::function<bool(const Text&)>;

// The folder a page's cache folder text names, ending in "\" unless empty.
// "/" counts as "\"; trailing separators collapse into one. A part
// "[number]" stands for the special folder whose CSIDL number it gives in
// hexadecimal: "[1c]/Cache/Files" becomes <local application data>\Cache\Files\.
// The number is read like "%x": leading white space, an optional "0x" and
// hex digits up to the first other unit. Text after "[" with no "]" is all
// number text. Nothing when the number names no folder: it cannot be read
// (no digits, or above 0x7FFFFFFF, which is not looked up), or the lookup
// fails or gives an empty path. Such a text names no place: left without
// its folder, "[10000001c]\AccWrap" would be "\AccWrap", at the root of
// whatever drive is current.
std::optional<Text> ExpandCacheFolder(const Text& page_text, const SpecialFolderLookup& special_folder);

// The name a download is saved under, made from a fresh unique temporary
// file name (…\KelXXXX.tmp): its three "tmp" letters are replaced by
// `extension`, so an empty extension leaves the name ending in ".".
// Units that a file name cannot hold (\ / : * ? " < > | and control units)
// become "_" in the extension, so the name stays in the temporary folder
// whatever extension a page's destination name brings.
Text TemporaryTargetFromUniqueName(const Text& unique_temp_path, const Text& extension);

// Creates `path` and every missing parent folder, from the top down:
// tries `path`; when that fails, makes sure its parent (the text before the
// last "\") exists the same way and tries `path` once more. A path without
// "\" or whose only "\" is its first unit has no parent to make. The result
// is that of the last attempt, so a folder that already exists gives false
// (every level fails in turn); callers use it for its effect only.
bool CreateFolderPath(const Text& path, const CreateDirectoryFunction& create_directory);

}  // namespace corvela
