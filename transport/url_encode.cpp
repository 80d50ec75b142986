#include "transport/url_encode.h"

#include <string_view>

namespace corvela {
namespace {

// "+" among them: every common query decoder reads a raw "+" as a space.
constexpr std::u16string_view UNSAFE_IN_QUERY = u"& %<>\"#{}|\\^~[]'+";

void AppendEscapedByte(Text& out, uint32_t byte) {
    static constexpr char16_t HEX_DIGITS[] = u"0123456789ABCDEF";
    out += u'%';
    out += HEX_DIGITS[(byte >> 4) & 0xF];
    out += HEX_DIGITS[byte & 0xF];
}

void AppendThreeByteForm(Text& out, char16_t unit) {
    AppendEscapedByte(out, 0xE0 | (unit >> 12));
    AppendEscapedByte(out, 0x80 | ((unit >> 6) & 0x3F));
    AppendEscapedByte(out, 0x80 | (unit & 0x3F));
}

}  // namespace

Text EscapeControlUnits(const Text& text) {
    Text out;
    out.reserve(text.size());
    for (const char16_t unit : text) {
        if (IsControlUnit(unit))
            AppendEscapedByte(out, unit);
        else
            out += unit;
    }
    return out;
}

// The result is an ordinary growing text and is never cut to a fixed size:
// nothing can overrun, and a long title reaches the server whole instead of
// shortened to some buffer's length.
Text UrlEncode(const Text& text, EncodeMode mode) {
    Text out;
    out.reserve(text.size());
    for (const char16_t unit : text) {
        if (unit >= 0x80) {
            AppendThreeByteForm(out, unit);
        } else if (mode == EncodeMode::Query && UNSAFE_IN_QUERY.find(unit) != std::u16string_view::npos) {
            AppendEscapedByte(out, unit);
        } else if (mode == EncodeMode::Query && IsControlUnit(unit)) {
            AppendEscapedByte(out, unit);
        } else {
            out += unit;
        }
    }
    return out;
}

}  // namespace corvela
