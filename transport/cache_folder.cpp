#include "transport/cache_folder.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/file_names.h"

namespace corvela {

namespace {

constexpr uint32_t LARGEST_FOLDER_NUMBER = 0x7FFFFFFF;
constexpr size_t TEMPORARY_EXTENSION_LENGTH = 3;  // "tmp"
constexpr char16_t REPLACEMENT_UNIT = u'_';

bool HasHexPrefixAt(const Text& text, size_t at) {
    return at + 1 < text.size() && text[at] == u'0' && (text[at + 1] == u'x' || text[at + 1] == u'X') &&
           ReadDigits(text, at + 2, 16, LARGEST_FOLDER_NUMBER).digits > 0;
}

// Reads a folder number the way "%x" does; nothing when no digit is there or
// the value is too large for a folder number.
std::optional<int> ReadFolderNumber(const Text& text) {
    size_t at = 0;
    while (at < text.size() && IsWhiteSpace(text[at])) ++at;
    if (HasHexPrefixAt(text, at)) at += 2;
    // Nine or more digits never wrap round to a small number: "[10000001c]"
    // is not folder 0x1c.
    const DigitRun digits = ReadDigits(text, at, 16, LARGEST_FOLDER_NUMBER);
    if (digits.digits == 0 || digits.too_large) return std::nullopt;
    return static_cast<int>(digits.value);
}

Text NormalisedFolderText(const Text& page_text) {
    Text text = ReplaceChar(page_text, u'/', PATH_SEPARATOR);
    while (!text.empty() && text.back() == PATH_SEPARATOR) text.pop_back();
    if (!text.empty()) text += PATH_SEPARATOR;
    return text;
}

std::optional<Text> SpecialFolderPath(const Text& number_text, const SpecialFolderLookup& special_folder) {
    const std::optional<int> number = ReadFolderNumber(number_text);
    Text path;
    if (!number || !special_folder(*number, &path) || path.empty()) return std::nullopt;
    return path;
}

size_t LastSeparatorBefore(const Text& path, size_t length) {
    return length == 0 ? Text::npos : path.rfind(PATH_SEPARATOR, length - 1);
}

}  // namespace

std::optional<Text> ExpandCacheFolder(const Text& page_text, const SpecialFolderLookup& special_folder) {
    Text rest = NormalisedFolderText(page_text);
    Text result = TakeBefore(rest, u'[');
    if (rest.empty()) return result;
    const Text number_text = TakeBefore(rest, u']');
    const std::optional<Text> folder = SpecialFolderPath(number_text, special_folder);
    if (!folder) return std::nullopt;
    result += *folder;
    result += rest;
    // Without "]" nothing of the normalised text follows the folder.
    if (!result.empty() && result.back() != PATH_SEPARATOR) result += PATH_SEPARATOR;
    return result;
}

Text TemporaryTargetFromUniqueName(const Text& unique_temp_path, const Text& extension) {
    const size_t keep = unique_temp_path.size() -
                        std::min(unique_temp_path.size(), TEMPORARY_EXTENSION_LENGTH);
    Text target = unique_temp_path.substr(0, keep);
    for (char16_t unit : extension) target += IsFileNameChar(unit) ? unit : REPLACEMENT_UNIT;
    return target;
}

bool CreateFolderPath(const Text& path, const CreateDirectoryFunction& create_directory) {
    // Walks down to the first level that can be made, then back up. Kept
    // iterative so a page's text with thousands of separators cannot
    // exhaust the stack; the attempts are those of the plain recursion.
    std::vector<size_t> pending_lengths;
    size_t length = path.size();
    while (!create_directory(path.substr(0, length))) {
        const size_t separator = LastSeparatorBefore(path, length);
        if (separator == Text::npos || separator == 0) return false;
        pending_lengths.push_back(length);
        length = separator;
    }
    for (auto it = pending_lengths.rbegin(); it != pending_lengths.rend(); ++it)
        if (!create_directory(path.substr(0, *it))) return false;
    return true;
}

}  // namespace corvela
