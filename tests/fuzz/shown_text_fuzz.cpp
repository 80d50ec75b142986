// A page's text where a person or a program reads it: the cached-copy
// question shows a destination name as one short line of plain text, and a
// double click hands an entry's path to the browser as exactly one argument
// (as programs split their command lines) or not at all.
#include "fuzz_support.h"
#include "session/batch_plan.h"

using corvela::Text;
using corvela::TextList;

namespace {

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

// The arguments of a command line as the C runtime and CommandLineToArgvW
// split them: blanks outside quotes separate; 2n backslashes before a quote
// are n backslashes and the quote opens or closes; 2n+1 are n backslashes
// and a quote; other backslashes stand for themselves.
TextList SplitArguments(const Text& line) {
    TextList arguments;
    size_t at = 0;
    while (true) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size()) return arguments;
        Text argument;
        bool quoted = false;
        while (at < line.size() && (quoted || !IsBlank(line[at]))) {
            size_t backslashes = 0;
            while (at < line.size() && line[at] == u'\\') ++backslashes, ++at;
            if (at < line.size() && line[at] == u'"') {
                argument.append(backslashes / 2, u'\\');
                if (backslashes % 2 == 1) {
                    argument += u'"';
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                argument.append(backslashes, u'\\');
                if (at < line.size() && (quoted || !IsBlank(line[at]))) argument += line[at++];
            }
        }
        arguments.push_back(argument);
    }
}

bool BreaksALine(char16_t unit) {
    return corvela::IsControlUnit(unit) || (unit >= 0x80 && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029;
}

bool IsHighHalf(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowHalf(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// One line of at most the limit, every unit the name's own or a space; a
// name cut short ends in "…" and never keeps half of a pair it cut.
void CheckQuestion(const Text& name) {
    const Text shown = corvela::CachedCopyQuestion(u"%s", name);
    REQUIRE(shown.size() <= corvela::QUESTION_NAME_LIMIT);
    for (char16_t unit : shown) REQUIRE(!BreaksALine(unit) && !(unit >= 0x202A && unit <= 0x202E));
    const bool cut = name.size() > corvela::QUESTION_NAME_LIMIT;
    REQUIRE(cut || shown.size() == name.size());
    const size_t kept = cut ? shown.size() - 1 : shown.size();
    if (cut) REQUIRE(shown.back() == u'\u2026' && !(IsHighHalf(shown[kept - 1]) && IsLowHalf(name[kept])));
    for (size_t i = 0; i < kept; ++i) REQUIRE(shown[i] == name[i] || shown[i] == u' ');
}

void CheckArgument(const Text& path) {
    const std::optional<Text> argument = corvela::QuotedCommandLineArgument(path);
    const bool keepable = path.find(u'"') == Text::npos && !corvela::HoldsControlUnit(path);
    REQUIRE(argument.has_value() == keepable);
    if (!argument) return;
    REQUIRE(!corvela::HoldsControlUnit(*argument));
    REQUIRE(SplitArguments(u"iexplore.exe " + *argument) == (TextList{u"iexplore.exe", path}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const Text text = input.Rest();
    CheckQuestion(text);
    CheckArgument(text);
    return 0;
}
