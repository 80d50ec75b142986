#include "common/text.h"

#include <algorithm>

namespace corvela {

Text TakeBefore(Text& text, char16_t ch) {
    const size_t at = text.find(ch);
    if (at == Text::npos) {
        Text whole;
        whole.swap(text);
        return whole;
    }
    Text before = text.substr(0, at);
    text.erase(0, at + 1);
    return before;
}

Text AfterLast(Text& text, char16_t ch) {
    const size_t at = text.rfind(ch);
    if (at == Text::npos) {
        Text whole;
        whole.swap(text);
        return whole;
    }
    Text after = text.substr(at + 1);
    text.erase(at);
    return after;
}

Text ReplaceAll(Text text, const Text& from, const Text& to) {
    if (from.empty()) return text;
    size_t at = 0;
    while ((at = text.find(from, at)) != Text::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

Text ReplaceChar(Text text, char16_t from, char16_t to) {
    for (char16_t& unit : text)
        if (unit == from) unit = to;
    return text;
}

bool IsWhiteSpace(char16_t unit) { return unit == u' ' || (unit >= u'\t' && unit <= u'\r'); }

Text TrimWhiteSpace(const Text& text) {
    size_t start = 0, end = text.size();
    while (start < end && IsWhiteSpace(text[start])) ++start;
    while (end > start && IsWhiteSpace(text[end - 1])) --end;
    return text.substr(start, end - start);
}

bool IsControlUnit(char16_t unit) { return unit < u' ' || unit == u'\x7F'; }

bool HoldsControlUnit(const Text& text) { return std::any_of(text.begin(), text.end(), IsControlUnit); }

std::optional<Text> QuotedCommandLineArgument(const Text& argument) {
    if (argument.find(u'"') != Text::npos || HoldsControlUnit(argument)) return std::nullopt;
    const size_t kept = argument.find_last_not_of(u'\\') + 1;  // npos + 1 is 0: all backslashes
    return u"\"" + argument + Text(argument.size() - kept, u'\\') + u"\"";
}

Text AsciiLower(Text text) {
    for (char16_t& unit : text)
        if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + (u'a' - u'A'));
    return text;
}

bool EqualsIgnoreAsciiCase(const Text& a, const Text& b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

bool Contains(const Text& text, const Text& part) { return text.find(part) != Text::npos; }

Text DecimalText(int64_t value) {
    const std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

Text HexText(uint32_t value) {
    Text digits;
    do {
        digits.insert(digits.begin(), u"0123456789abcdef"[value % 16]);
        value /= 16;
    } while (value != 0);
    return digits;
}

Text FormatGrouped(int64_t value, char16_t separator) {
    const Text plain = DecimalText(value);
    const size_t first_digit = (!plain.empty() && plain[0] == u'-') ? 1 : 0;
    Text grouped = plain.substr(0, first_digit);
    const size_t digits = plain.size() - first_digit;
    for (size_t i = 0; i < digits; ++i) {
        const size_t from_end = digits - i;
        if (i > 0 && from_end % 3 == 0) grouped += separator;
        grouped += plain[first_digit + i];
    }
    return grouped;
}

namespace {

// The value of `unit` as a digit of `base`, or `base` when it is none.
unsigned DigitValue(char16_t unit, unsigned base) {
    unsigned value = base;
    if (unit >= u'0' && unit <= u'9') value = unit - u'0';
    else if (unit >= u'a' && unit <= u'z') value = unit - u'a' + 10;
    else if (unit >= u'A' && unit <= u'Z') value = unit - u'A' + 10;
    return value < base ? value : base;
}

}  // namespace

DigitRun ReadDigits(const Text& text, size_t at, unsigned base, uint64_t limit) {
    DigitRun run;
    for (run.end = at; run.end < text.size(); ++run.end) {
        const unsigned digit = DigitValue(text[run.end], base);
        if (digit == base) break;
        ++run.digits;
        // Checked before the step, so that no number of digits wraps round.
        if (run.too_large || run.value > (limit - digit) / base) {
            run.value = limit;
            run.too_large = true;
        } else {
            run.value = run.value * base + digit;
        }
    }
    return run;
}

std::optional<uint64_t> ParseNumber(const Text& text, unsigned base, uint64_t limit) {
    const DigitRun run = ReadDigits(text, 0, base, limit);
    if (run.digits == 0 || run.end != text.size() || run.too_large) return std::nullopt;
    return run.value;
}

uint32_t LeadingDecimal(const Text& text) { return static_cast<uint32_t>(ReadDigits(text, 0, 10, UINT32_MAX).value); }

int WholeNumber(const Text& text, size_t max_digits) {
    const std::optional<uint64_t> number = text.size() <= max_digits ? ParseNumber(text, 10, INT32_MAX) : std::nullopt;
    return number ? static_cast<int>(*number) : -1;
}

void AppendCodePoint(Text& out, uint32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

Text Utf8ToText(const char* bytes, size_t length) {
    Text out;
    out.reserve(length);
    size_t i = 0;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    while (i < length) {
        const unsigned char lead = b[i];
        size_t extra = 0;
        uint32_t cp = 0;
        uint32_t min = 0;
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1; cp = lead & 0x1F; min = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2; cp = lead & 0x0F; min = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3; cp = lead & 0x07; min = 0x10000;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        size_t k = 1;
        for (; k <= extra && i + k < length && (b[i + k] & 0xC0) == 0x80; ++k)
            cp = (cp << 6) | (b[i + k] & 0x3F);
        if (k <= extra || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += u'\uFFFD';
            i += k;
            continue;
        }
        AppendCodePoint(out, cp);
        i += k;
    }
    return out;
}

std::string TextToUtf8(const Text& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

const Text& EntryOrEmpty(const TextList& list, size_t index) {
    static const Text empty;
    return index < list.size() ? list[index] : empty;
}

}  // namespace corvela
