// The never-open rule: a path is refused whenever the file Windows would open
// for it has a program's extension, however the path writes it, and a
// browser launch always carries the path.
#include "fuzz_support.h"
#include "shell/open_command.h"

using corvela::Text;

namespace {

// The names a path can stand for once Windows resolved it: each part of its
// last segment around ":" (a drive-relative name, a file and its stream).
corvela::TextList NamesOpened(const Text& path) {
    Text segment = corvela_fuzz::NameOf(corvela_fuzz::ResolveLikeWindows(path));
    corvela::TextList names;
    do names.push_back(corvela::TakeBefore(segment, u':'));
    while (!segment.empty());
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const Text registered_command = input.Line();
    const Text path = input.Rest();

    const bool refused = corvela::IsDangerousToOpen(path);
    // A plain name, with no separator or stream, is judged by its own extension.
    for (const Text& name : NamesOpened(path))
        if (corvela::IsDangerousToOpen(name)) REQUIRE(refused);

    const corvela::LaunchPlan plan = corvela::PlanLaunch(registered_command, path);
    REQUIRE(plan.use_shell_open == !corvela::Contains(corvela::AsciiLower(registered_command), u"iexplore.exe"));
    REQUIRE(plan.use_shell_open ? plan.command_line.empty() : corvela::Contains(plan.command_line, path));
    return 0;
}
