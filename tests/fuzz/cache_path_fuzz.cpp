// Where a download lands in the cache: a unique id the worker accepts names
// one file directly in the cache folder, under that very name, and the
// never-open rule judges it as that name; a program is never written into a
// protected folder or below one, into a PATH folder (its subfolders take
// it), nor where the platform's facts forbid it.
#include <optional>

#include "fuzz_support.h"
#include "session/batch_plan.h"
#include "shell/open_command.h"
#include "transport/cache_folder.h"

using corvela::Text;

namespace {

bool IsInside(const Text& path, Text folder) {
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    const Text lowered = corvela::AsciiLower(path);
    return !folder.empty() && corvela::AsciiLower(path.substr(0, folder.size())) == corvela::AsciiLower(folder) &&
           (lowered.size() == folder.size() || lowered[folder.size()] == u'\\');
}

Text WithoutEndSeparators(Text path) {
    while (!path.empty() && path.back() == u'\\') path.pop_back();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const std::optional<Text> expanded = corvela::ExpandCacheFolder(input.Line(), [](int, Text* path) {
        *path = u"C:\\Users\\me\\AppData\\Local";
        return true;
    });
    if (!expanded) return 0;  // a number that names no folder: no batch at all
    const Text cache_folder = *expanded;
    const Text protected_folder = input.Line();
    const Text unique_id = input.Rest();
    const Text path = corvela::CachePath(cache_folder, unique_id);
    REQUIRE(path == cache_folder + unique_id);

    if (!unique_id.empty() && corvela::IsUsableUniqueId(unique_id)) {
        const Text resolved = corvela_fuzz::ResolveLikeWindows(path);
        REQUIRE(corvela_fuzz::NameOf(resolved) == unique_id);
        const Text plain_name_beside = corvela_fuzz::ResolveLikeWindows(cache_folder + u"x");
        REQUIRE(corvela_fuzz::FolderOf(resolved) == corvela_fuzz::FolderOf(plain_name_beside));
        REQUIRE(corvela::IsDangerousToOpen(path) == corvela::IsDangerousToOpen(unique_id));
    }

    const bool could_run_code = corvela::IsDangerousToOpen(path);
    const bool refused = could_run_code && IsInside(path, protected_folder);
    const corvela::CacheFolderFacts plain;
    REQUIRE(corvela::MayWriteToCache(path, could_run_code, {{protected_folder}, {}}, plain) == !refused);

    // A PATH folder takes no program itself, but its subfolders do; a
    // network folder, one beside a program and the host's root take none.
    const Text folder = corvela_fuzz::FolderOf(path);
    REQUIRE(corvela::MayWriteToCache(path, could_run_code, {{}, {folder + u"\\"}}, plain) == !could_run_code);
    const Text parent = corvela_fuzz::FolderOf(folder);
    if (corvela::AsciiLower(WithoutEndSeparators(parent)) != corvela::AsciiLower(WithoutEndSeparators(folder)))
        REQUIRE(corvela::MayWriteToCache(path, could_run_code, {{}, {parent}}, plain));
    for (int flag = 0; flag < 3; ++flag) {
        corvela::CacheFolderFacts facts;
        (flag == 0 ? facts.network : flag == 1 ? facts.holds_program : facts.host_root) = true;
        REQUIRE(corvela::MayWriteToCache(path, could_run_code, {}, facts) == !could_run_code);
    }
    return 0;
}
