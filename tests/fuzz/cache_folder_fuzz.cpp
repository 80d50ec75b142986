// The cache folder a page names: a bracketed number is looked up only as the
// special-folder number it writes (never one that does not fit), one that
// names no folder gives no folder at all, the result is the page's folder
// ending in one backslash, and creating it makes every missing level from
// the top down.
#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "fuzz_support.h"
#include "transport/cache_folder.h"

using corvela::Text;

namespace {

constexpr uint64_t LARGEST_FOLDER_NUMBER = 0x7FFFFFFF;

int HexValue(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return -1;
}

bool HexAt(const Text& text, size_t at) { return at < text.size() && HexValue(text[at]) >= 0; }

// The number "%x" reads, saturated above the largest folder number; nothing
// without digits.
std::optional<uint64_t> HexNumber(const Text& text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == u' ' || (text[at] >= u'\t' && text[at] <= u'\r'))) ++at;
    if (HexAt(text, at + 2) && text[at] == u'0' && (text[at + 1] == u'x' || text[at + 1] == u'X')) at += 2;
    if (!HexAt(text, at)) return std::nullopt;
    uint64_t value = 0;
    for (; HexAt(text, at); ++at)
        value = std::min<uint64_t>(value * 16 + HexValue(text[at]), LARGEST_FOLDER_NUMBER + 1);
    return value;
}

Text Normalised(const Text& page_text) {
    Text text = corvela::ReplaceChar(page_text, u'/', u'\\');
    text.erase(std::min(text.find_last_not_of(u'\\') + 1, text.size()));
    return text.empty() ? text : text + u'\\';
}

void CheckExpansion(const Text& page_text, bool folder_known) {
    std::vector<int> asked;
    const Text special = u"S:\\Special";
    const std::optional<Text> result = corvela::ExpandCacheFolder(page_text, [&](int csidl, Text* path) {
        asked.push_back(csidl);
        if (folder_known) *path = special;
        return folder_known;
    });
    REQUIRE(!result || result->empty() || result->back() == u'\\');

    const Text normalised = Normalised(page_text);
    const size_t bracket = normalised.find(u'[');
    if (bracket == Text::npos) {
        REQUIRE(asked.empty() && result == normalised);
        return;
    }
    const Text head = normalised.substr(0, bracket);
    const std::optional<uint64_t> number = HexNumber(normalised.substr(bracket + 1));
    const bool looked_up = number && *number <= LARGEST_FOLDER_NUMBER;
    REQUIRE(asked.size() == (looked_up ? 1u : 0u));
    if (looked_up) REQUIRE(static_cast<uint64_t>(asked[0]) == *number);
    // A number that names no folder names no place at all, never the text
    // around it (which would be a folder at the root of the current drive).
    REQUIRE(result.has_value() == (looked_up && folder_known));
    if (!result) return;
    REQUIRE(result->compare(0, head.size(), head) == 0);
    REQUIRE(result->compare(head.size(), special.size(), special) == 0);
}

// Folders that exist; a folder can be made where its parent exists, except
// the one level the run refuses.
struct FakeFolders {
    std::set<Text> existing{u"C:"};
    Text refused;
    std::vector<Text> attempts;

    bool Create(const Text& path) {
        attempts.push_back(path);
        const size_t cut = path.rfind(u'\\');
        const Text parent = cut == Text::npos ? Text() : path.substr(0, cut);
        if (path == refused || existing.count(path) || !existing.count(parent)) return false;
        existing.insert(path);
        return true;
    }
};

void CheckCreation(const Text& folder, size_t refused_level) {
    FakeFolders folders;
    std::vector<size_t> levels;  // lengths of the prefixes that end before a separator
    for (size_t at = folder.find(u'\\'); at != Text::npos; at = folder.find(u'\\', at + 1)) levels.push_back(at);
    if (!levels.empty()) folders.refused = folder.substr(0, levels[refused_level % levels.size()]);

    const bool made = corvela::CreateFolderPath(folder, [&](const Text& path) { return folders.Create(path); });
    REQUIRE(!made || folders.existing.count(folder));
    if (folders.refused == u"C:" && folder.compare(0, 3, u"C:\\") == 0) REQUIRE(folders.existing.count(folder));
    REQUIRE(folders.attempts.size() <= 2 * (levels.size() + 1));
    for (const Text& attempt : folders.attempts)
        REQUIRE(attempt == folder ||
                (folder.compare(0, attempt.size(), attempt) == 0 && folder[attempt.size()] == u'\\'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const bool folder_known = input.Flag();
    const size_t refused_level = input.Byte();
    const Text page_text = input.Rest();
    CheckExpansion(page_text, folder_known);
    const std::optional<Text> folder = corvela::ExpandCacheFolder(page_text, [](int, Text* path) {
        *path = u"C:\\Users\\me\\AppData\\Local";
        return true;
    });
    if (folder) CheckCreation(*folder, refused_level);
    return 0;
}
