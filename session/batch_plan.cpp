#include "session/batch_plan.h"

#include <algorithm>

#include "common/constants.h"
#include "common/file_names.h"
#include "shell/open_command.h"

namespace corvela {

namespace {

const Text NAME_PLACEHOLDER = u"%s";

constexpr char16_t CUT_MARK = u'\u2026';  // …

// Units that move or break text rather than show a character: C0 and C1
// controls, line and paragraph separators, and the marks and embeddings that
// reorder text ("\u202E" shows "exe.txt" for "txt.exe").
bool BreaksOrReordersText(char16_t unit) {
    return IsControlUnit(unit) || (unit >= 0x80 && unit <= 0x9F) || unit == 0x200E || unit == 0x200F ||
           unit == 0x2028 || unit == 0x2029 || (unit >= 0x202A && unit <= 0x202E) ||
           (unit >= 0x2066 && unit <= 0x2069);
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// The destination name as one line of plain text of at most
// QUESTION_NAME_LIMIT units, never ending in half a surrogate pair.
Text ShownName(const Text& name) {
    Text shown = name;
    std::replace_if(shown.begin(), shown.end(), BreaksOrReordersText, u' ');
    if (shown.size() <= QUESTION_NAME_LIMIT) return shown;
    size_t keep = QUESTION_NAME_LIMIT - 1;
    if (IsHighSurrogate(shown[keep - 1])) --keep;
    return shown.substr(0, keep) + CUT_MARK;
}

Text WithoutTrailingSeparators(Text path) {
    while (!path.empty() && path.back() == PATH_SEPARATOR) path.pop_back();
    return path;
}

}  // namespace

Text CachePath(const Text& cache_folder, const Text& unique_id) { return cache_folder + unique_id; }

bool IsUsableUniqueId(const Text& unique_id) { return unique_id.empty() || IsPlainFileName(unique_id); }

bool IsInsideFolder(const Text& path, const Text& folder) {
    const Text base = AsciiLower(WithoutTrailingSeparators(folder));
    if (base.empty()) return false;
    const Text lowered = AsciiLower(path);
    return lowered.compare(0, base.size(), base) == 0 &&
           (lowered.size() == base.size() || lowered[base.size()] == u'\\');
}

Text FolderOf(const Text& path) {
    const size_t separator = path.rfind(PATH_SEPARATOR);
    return separator == Text::npos ? Text() : path.substr(0, separator);
}

bool MayWriteToCache(const Text& cache_path, bool could_run_code, const RunnablePlaces& places,
                     const CacheFolderFacts& facts) {
    if (!could_run_code) return true;
    if (facts.network || facts.host_root || facts.holds_program) return false;
    const Text folder = WithoutTrailingSeparators(FolderOf(cache_path));
    const bool in_tree = std::any_of(places.trees.begin(), places.trees.end(),
                                     [&](const Text& tree) { return IsInsideFolder(cache_path, tree); });
    const bool on_path = std::any_of(places.folders.begin(), places.folders.end(), [&](const Text& path_folder) {
        return EqualsIgnoreAsciiCase(folder, WithoutTrailingSeparators(path_folder));
    });
    return !in_tree && !on_path;
}

bool ShouldAskAboutCachedCopy(const Text& cache_folder, const Text& unique_id,
                              bool cached_file_exists) {
    return !cache_folder.empty() && !unique_id.empty() && cached_file_exists;
}

Text TemporaryExtension(const Text& destination_name) {
    Text after_first_dot = destination_name;
    TakeBefore(after_first_dot, u'.');
    return after_first_dot;
}

Text CachedCopyQuestion(const Text& question_template, const Text& destination_name) {
    Text question = question_template;
    const size_t at = question.find(NAME_PLACEHOLDER);
    if (at != Text::npos) question.replace(at, NAME_PLACEHOLDER.size(), ShownName(destination_name));
    return question;
}

Text DownloadResult(bool moved, const Text& cache_path, const Text& target_path) {
    return moved ? cache_path : target_path;
}

int32_t EndResult(bool still_running) {
    return still_running ? BATCH_RESULT_FINISHED : BATCH_RESULT_CANCELLED;
}

CacheFilePlan PlanCacheFile(const TransferJob& job, size_t index) {
    CacheFilePlan plan;
    plan.url = EntryOrEmpty(job.files, index);
    plan.unique_id = EntryOrEmpty(job.unique_ids, index);
    plan.destination_name = EntryOrEmpty(job.destination_names, index);
    plan.cache_path = CachePath(job.cache_folder, plan.unique_id);
    plan.extension = TemporaryExtension(plan.destination_name);
    return plan;
}

}  // namespace corvela
