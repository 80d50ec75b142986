// The percent-encoder: a server that knows the control's escapes reads back
// exactly what was encoded, and a query value carries no character that would
// end or change it, nor a control character that would end the request line.
#include "fuzz_support.h"
#include "transport/url_encode.h"

using corvela::EncodeMode;
using corvela::Text;
using corvela::UrlEncode;

namespace {

// "+" among them: a query decoder would read it as a space.
const Text UNSAFE_IN_QUERY = u"& %<>\"#{}|\\^~[]'+";

bool IsUnsafe(char16_t unit) { return UNSAFE_IN_QUERY.find(unit) != Text::npos; }

// In a query value a control character would end the request line.
bool IsEscapedInQuery(char16_t unit) { return IsUnsafe(unit) || corvela::IsControlUnit(unit); }

// Every unit from U+0080 up takes nine units (three escaped bytes), every
// unsafe one and every control character three, anything else one: nothing
// is escaped that need not be.
size_t EncodedLength(const Text& text, EncodeMode mode) {
    size_t length = 0;
    for (char16_t unit : text)
        length += unit >= 0x80 ? 9 : (mode == EncodeMode::Query && IsEscapedInQuery(unit)) ? 3 : 1;
    return length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const Text text = input.Rest();

    const Text query = UrlEncode(text, EncodeMode::Query);
    const corvela_fuzz::Unescaped read_back = corvela_fuzz::Unescape(query);
    REQUIRE(read_back.text == text);
    REQUIRE(read_back.stray_percents == 0);
    REQUIRE(query.size() == EncodedLength(text, EncodeMode::Query));
    for (char16_t unit : query) REQUIRE(unit < 0x80 && (unit == u'%' || !IsEscapedInQuery(unit)));

    // A value that goes as the page gave it keeps every unit but the control
    // characters, each of which becomes one escape.
    const Text raw = corvela::EscapeControlUnits(text);
    REQUIRE(!corvela::HoldsControlUnit(raw));
    size_t controls = 0;
    for (char16_t unit : text) controls += corvela::IsControlUnit(unit) ? 1 : 0;
    REQUIRE(raw.size() == text.size() + 2 * controls);
    if (text.find(u'%') == Text::npos) REQUIRE(corvela_fuzz::Unescape(raw).text == text);

    // A whole URL keeps its own escapes, so only what the encoder added is
    // read back: both sides read the same.
    const Text url = UrlEncode(text, EncodeMode::Url);
    REQUIRE(corvela_fuzz::Unescape(url).text == corvela_fuzz::Unescape(text).text);
    REQUIRE(url.size() == EncodedLength(text, EncodeMode::Url));
    for (char16_t unit : url) REQUIRE(unit < 0x80);
    return 0;
}
