// The temporary name a download is saved under: the destination name's
// extension replaces the "tmp" of a fresh unique name, and whatever that
// extension holds, the name stays a file of the temporary folder.
#include "fuzz_support.h"
#include "session/batch_plan.h"
#include "transport/cache_folder.h"

using corvela::Text;

namespace {

bool IsFileNameUnit(char16_t unit) {
    return unit >= 0x20 && corvela_fuzz::RESERVED_IN_NAMES.find(unit) == Text::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const Text folder = input.Line();
    const Text unique = folder + u"\\Kel" + corvela::DecimalText(input.Byte()) + u".tmp";
    const Text destination_name = input.Rest();

    const Text extension = corvela::TemporaryExtension(destination_name);
    const size_t dot = destination_name.find(u'.');
    REQUIRE(extension == (dot == Text::npos ? Text() : destination_name.substr(dot + 1)));

    const Text target = corvela::TemporaryTargetFromUniqueName(unique, extension);
    const size_t kept = unique.size() - 3;
    REQUIRE(target.size() == kept + extension.size() && target.compare(0, kept, unique, 0, kept) == 0);
    for (size_t at = 0; at < extension.size(); ++at) {
        const char16_t unit = target[kept + at];
        REQUIRE(IsFileNameUnit(unit));
        REQUIRE(unit == extension[at] || (unit == u'_' && !IsFileNameUnit(extension[at])));
    }
    const Text resolved = corvela_fuzz::ResolveLikeWindows(target);
    REQUIRE(corvela_fuzz::FolderOf(resolved) == corvela_fuzz::FolderOf(corvela_fuzz::ResolveLikeWindows(unique)));
    REQUIRE(corvela_fuzz::NameOf(resolved).compare(0, 3, u"Kel") == 0);
    return 0;
}
