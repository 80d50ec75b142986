// The allowed-extension list and the judgement of a dropped path: the list
// holds exactly the pieces a backslash ends, and a drop is let through only
// when the list is empty or names its lower-case extension.
#include <algorithm>

#include "filelist/drop_filter.h"
#include "fuzz_support.h"

using corvela::Text;
using corvela::TextList;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const Text list = input.Line();
    const Text refusal_text = input.Line();
    const Text path = input.Rest();

    const TextList allowed = corvela::ParseAllowedExtensions(list);
    Text rejoined;
    for (const Text& extension : allowed) {
        REQUIRE(extension.find(u'\\') == Text::npos);
        rejoined += extension + u"\\";
    }
    REQUIRE(rejoined == list.substr(0, list.rfind(u'\\') + 1));

    const Text extension = corvela::DropExtension(path);
    const Text lower = corvela::AsciiLower(path);
    REQUIRE(extension.find_first_of(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ") == Text::npos);
    const size_t dot = lower.rfind(u'.');
    REQUIRE(extension == (dot == Text::npos || dot == 0 ? lower : lower.substr(dot + 1)));

    const auto refusal = corvela::ExtensionRefusal(allowed, path, refusal_text);
    const bool let_through =
        allowed.empty() || std::find(allowed.begin(), allowed.end(), extension) != allowed.end();
    REQUIRE(refusal.has_value() != let_through);
    if (refusal) REQUIRE(*refusal == refusal_text + u"(" + extension + u")");
    return 0;
}
