// Text operations shared by every subsystem. Text is UTF-16 held by value
// (std::u16string), so a unit means the same thing on every compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvela {

using Text = std::u16string;
using TextList = std::vector<Text>;
using SizeList = std::vector<uint32_t>;

// Cuts `text` at the first `ch`: returns what stands before it and leaves in
// `text` what follows it. Without `ch` the whole text is returned and `text`
// is left empty.
Text TakeBefore(Text& text, char16_t ch);

// Cuts `text` at the last `ch`: returns what follows it and leaves in `text`
// what precedes it. Without `ch` the whole text is returned and `text` is left
// empty.
Text AfterLast(Text& text, char16_t ch);

Text ReplaceAll(Text text, const Text& from, const Text& to);
Text ReplaceChar(Text text, char16_t from, char16_t to);

// White space as the C library reads it in ASCII text: space, tab, line
// feed, vertical tab, form feed and carriage return.
bool IsWhiteSpace(char16_t unit);
// `text` without the white space at its two ends.
Text TrimWhiteSpace(const Text& text);

// A control character: a unit below U+0020, or U+007F. Such a unit ends a
// header line on the wire, splits a command line's arguments or starts a new
// line in a box, so no text from a page may carry one there.
bool IsControlUnit(char16_t unit);
bool HoldsControlUnit(const Text& text);

// `argument` as one argument of a command line, as programs split theirs:
// in double quotes, the backslashes before the closing quote doubled so
// that they do not escape it. Nothing when it holds a double quote or a
// control character, which would end the argument early for some program.
std::optional<Text> QuotedCommandLineArgument(const Text& argument);

// Lower case for the ASCII letters only; every other unit is kept.
Text AsciiLower(Text text);
bool EqualsIgnoreAsciiCase(const Text& a, const Text& b);
bool Contains(const Text& text, const Text& part);

Text DecimalText(int64_t value);
// Lower-case hexadecimal digits without a prefix (1033 -> 409).
Text HexText(uint32_t value);

// Signed decimal text with `separator` before every digit whose distance from
// the end is a positive multiple of three (1234567 -> 1,234,567).
Text FormatGrouped(int64_t value, char16_t separator);

// The digits of a number, read from a text the one way every number of the
// product is read: digits of `base` (10 or 16, either case) from `at` up to
// the first unit that is not one. The value never wraps: digits that would
// take it beyond `limit` leave it at `limit` and set `too_large`.
struct DigitRun {
    uint64_t value = 0;
    size_t end = 0;  // the index after the last digit
    size_t digits = 0;
    bool too_large = false;
};
DigitRun ReadDigits(const Text& text, size_t at, unsigned base, uint64_t limit);

// A text that is digits of `base` and nothing else, with a value of at most
// `limit`; nothing for any other text, the empty text included.
std::optional<uint64_t> ParseNumber(const Text& text, unsigned base, uint64_t limit);

// Reads leading decimal digits; no digits give 0. Stops at the first
// non-digit. Values beyond 2^32-1 saturate.
uint32_t LeadingDecimal(const Text& text);

// A text of decimal digits only, at most `max_digits` (at most 9) of them,
// as a number; -1 for any other text, the empty text included.
int WholeNumber(const Text& text, size_t max_digits);

// Appends a code point as one or two UTF-16 units.
void AppendCodePoint(Text& text, uint32_t code_point);

// ASCII or UTF-8 bytes to UTF-16. Malformed UTF-8 sequences become U+FFFD.
Text Utf8ToText(const char* bytes, size_t length);
inline Text Utf8ToText(const std::string& bytes) { return Utf8ToText(bytes.data(), bytes.size()); }
std::string TextToUtf8(const Text& text);

// An entry of a list or the empty text when the index is outside the list.
const Text& EntryOrEmpty(const TextList& list, size_t index);

}  // namespace corvela
