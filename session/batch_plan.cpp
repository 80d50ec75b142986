#include "session/batch_plan.h"

#include <algorithm>

#include "common/constants.h"
#include "common/file_names.h"
#include "shell/open_command.h"

namespace corvela {

namespace {
const Text NAME_PLACEHOLDER = u"%s";
}

Text CachePath(const Text& cache_folder, const Text& unique_id) { return cache_folder + unique_id; }

bool IsUsableUniqueId(const Text& unique_id) { return unique_id.empty() || IsPlainFileName(unique_id); }

bool IsInsideFolder(const Text& path, const Text& folder) {
    Text base = AsciiLower(folder);
    while (!base.empty() && base.back() == u'\\') base.pop_back();
    if (base.empty()) return false;
    const Text lowered = AsciiLower(path);
    return lowered.compare(0, base.size(), base) == 0 &&
           (lowered.size() == base.size() || lowered[base.size()] == u'\\');
}

bool MayWriteToCache(const Text& cache_path, bool could_run_code, const TextList& protected_folders) {
    if (!could_run_code) return true;
    return std::none_of(protected_folders.begin(), protected_folders.end(),
                        [&](const Text& folder) { return IsInsideFolder(cache_path, folder); });
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
    if (at != Text::npos) question.replace(at, NAME_PLACEHOLDER.size(), destination_name);
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
