// Cleaning a text into one file name: none of the nine reserved characters
// is left, every other unit stays where it was, and a NUL ends the name.
#include "fuzz_support.h"
#include "shell/file_name_chars.h"

using corvela::Text;

namespace {

bool IsReserved(char16_t unit) { return corvela_fuzz::RESERVED_IN_NAMES.find(unit) != Text::npos; }

Text CleanedUnitByUnit(const Text& text, const Text& replacement) {
    Text cleaned;
    for (char16_t unit : text) cleaned += IsReserved(unit) ? replacement : Text(1, unit);
    return cleaned;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    Text replacement = input.Line().substr(0, 4);
    for (char16_t& unit : replacement)
        if (IsReserved(unit)) unit = u'_';
    const Text text = input.Rest();

    const Text name = corvela::ChangeSpecialChar(text);
    const Text before_nul = text.substr(0, text.find(u'\0'));
    REQUIRE(name.size() == before_nul.size());
    for (size_t at = 0; at < name.size(); ++at)
        REQUIRE(IsReserved(before_nul[at]) ? name[at] == u'_' : name[at] == before_nul[at]);

    REQUIRE(corvela::ReplaceSpecialChars(text, replacement) == CleanedUnitByUnit(text, replacement));
    return 0;
}
