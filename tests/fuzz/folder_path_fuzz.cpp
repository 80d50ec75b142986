// A folder the user types: a malformed path is refused before anything is
// made, an accepted one exists afterwards, and only the levels of the path
// itself are ever created, parent first, never a drive root.
#include <algorithm>
#include <set>
#include <vector>

#include "fuzz_support.h"
#include "shell/folder_path.h"

using corvela::Text;

namespace {

bool IsNameAsTyped(const Text& name) {
    const Text trimmed_units = u"\t .";
    return !name.empty() && trimmed_units.find(name.front()) == Text::npos &&
           trimmed_units.find(name.back()) == Text::npos &&
           name.find_first_of(corvela_fuzz::RESERVED_IN_NAMES) == Text::npos;
}

bool IsWellFormed(const Text& path) {
    if (path.size() >= corvela::FOLDER_PATH_CAPACITY || path.size() < 3 || path[1] != u':' || path[2] != u'\\')
        return false;
    if (!((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'))) return false;
    Text rest = path.substr(3);
    while (!rest.empty()) {
        if (!IsNameAsTyped(corvela::TakeBefore(rest, u'\\'))) return false;
        if (rest.empty() && path.back() == u'\\') return false;
    }
    return true;
}

// The prefixes of the path that end before a separator or at its end.
std::vector<Text> Levels(const Text& path) {
    std::vector<Text> levels;
    for (size_t at = path.find(u'\\', 3); at != Text::npos; at = path.find(u'\\', at + 1))
        levels.push_back(path.substr(0, at));
    levels.push_back(path);
    return levels;
}

struct FakeFileSystem {
    std::set<Text> existing;
    std::set<Text> refused;
    std::vector<Text> created;
    corvela::FolderFileSystem Functions() {
        return {[this](const Text& path) { return existing.count(path) > 0; },
                [this](const Text& path) {
                    created.push_back(path);
                    const Text parent = path.substr(0, std::max<size_t>(path.rfind(u'\\'), 3));
                    if (!refused.count(path) && existing.count(parent)) existing.insert(path);
                }};
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const uint32_t existing_levels = input.Number();
    const uint32_t refused_levels = input.Number();
    const bool answer = input.Flag();
    const Text path = input.Rest();

    FakeFileSystem files;
    if (path.size() >= 3) {
        const std::vector<Text> levels = Levels(path);
        if (existing_levels & 1) files.existing.insert(path.substr(0, 3));
        for (size_t level = 0; level < levels.size() && level < 31; ++level) {
            if (existing_levels >> (level + 1) & 1) files.existing.insert(levels[level]);
            if (refused_levels >> level & 1) files.refused.insert(levels[level]);
        }
    }
    const std::set<Text> existed = files.existing;
    const bool well_formed = IsWellFormed(path);
    REQUIRE(corvela::CheckFolderPath(path, true, files.Functions()) == (well_formed ? 0 : 1));
    REQUIRE(files.created.empty());

    int questions = 0;
    std::vector<Text> reports;
    const int32_t result = corvela::ValidateFolder(path, files.Functions(),
                                                   {[&](const Text& question) {
                                                        REQUIRE(question == corvela::FolderCreationQuestion(path));
                                                        ++questions;
                                                        return answer;
                                                    },
                                                    [&](const Text& message) { reports.push_back(message); }});

    const bool asked = well_formed && !existed.count(path);
    REQUIRE(questions == (asked ? 1 : 0));
    if (!asked || !answer) REQUIRE(files.created.empty());
    if (!well_formed) REQUIRE(result == corvela::FOLDER_MALFORMED);
    if (asked && !answer) REQUIRE(result == corvela::FOLDER_DECLINED);
    if (result == corvela::FOLDER_ACCEPTABLE) REQUIRE(files.existing.count(path));
    const bool refused = result == corvela::FOLDER_MALFORMED || result == corvela::FOLDER_NOT_CREATABLE;
    const std::vector<Text> expected_reports{corvela::FolderRefusalMessage(result, path)};
    REQUIRE(reports == (refused ? expected_reports : std::vector<Text>{}));

    const std::vector<Text> levels = path.size() > 3 ? Levels(path) : std::vector<Text>{};
    size_t next = 0;
    for (const Text& made : files.created) {
        while (next < levels.size() && levels[next] != made) ++next;
        REQUIRE(next < levels.size());
    }

    const Text shown = corvela::FolderResultText(path);
    REQUIRE(shown.back() == u'\\' && (shown.size() == 1 || shown[shown.size() - 2] != u'\\'));
    REQUIRE(shown.substr(0, shown.size() - 1) == path.substr(0, path.find_last_not_of(u'\\') + 1));
    return 0;
}
