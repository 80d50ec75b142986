// What the harnesses share: the fuzzer's bytes read as the texts, numbers
// and choices of one run, the check that stops a run, and models of what
// the other side does with a text: how a server reads the control's escapes
// and how Windows resolves a path before it opens it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/text.h"

namespace corvela_fuzz {

using corvela::Text;

// The nine characters no file name can hold.
inline const Text RESERVED_IN_NAMES = u"\\/:*?\"<>|";

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: does not hold: %s\n", file, line, condition);
    std::abort();
}

#define REQUIRE(condition) ((condition) ? (void)0 : corvela_fuzz::Fail(#condition, __FILE__, __LINE__))

// The bytes of one run, front to back. Reading past the end gives zeros and
// empty texts, so every input is a complete run. Texts are UTF-8 lines; the
// byte 0xFF and the two bytes after it (low first) stand for one UTF-16 unit,
// so a line can also carry a lone surrogate, a NUL or a line feed.
class Input {
public:
    Input(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}

    bool Done() const { return at_ == end_; }
    uint8_t Byte() { return at_ < end_ ? *at_++ : 0; }
    bool Flag() { return (Byte() & 1) != 0; }
    uint32_t Choice(uint32_t count) { return Byte() % count; }
    uint32_t Number() {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= static_cast<uint32_t>(Byte()) << shift;
        return value;
    }
    Text Line() { return TextUpTo(true); }
    Text Rest() { return TextUpTo(false); }
    std::string RestBytes() {
        std::string bytes(reinterpret_cast<const char*>(at_), static_cast<size_t>(end_ - at_));
        at_ = end_;
        return bytes;
    }

private:
    static constexpr uint8_t RAW_UNIT = 0xFF;  // never part of UTF-8

    Text TextUpTo(bool line_end) {
        Text text;
        const uint8_t* run = at_;
        const auto flush = [&] { text += corvela::Utf8ToText(reinterpret_cast<const char*>(run), at_ - run); };
        while (at_ < end_ && !(line_end && *at_ == '\n')) {
            if (*at_ != RAW_UNIT) {
                ++at_;
                continue;
            }
            flush();
            ++at_;
            const uint32_t low = Byte();
            text += static_cast<char16_t>(low | static_cast<uint32_t>(Byte()) << 8);
            run = at_;
        }
        flush();
        if (at_ < end_) ++at_;
        return text;
    }

    const uint8_t* at_;
    const uint8_t* end_;
};

// A text as a server that knows the control's escapes reads it back: %XX
// with upper-case hex digits below 0x80 is that unit, and three escaped
// bytes E0-EF 80-BF 80-BF are one UTF-16 unit (the control writes every unit
// from U+0080 up that way). A "%" that starts no such escape stays as it is
// and is counted.
struct Unescaped {
    Text text;
    size_t stray_percents = 0;
};

inline int HexDigit(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return -1;
}

inline int EscapedByte(const Text& text, size_t at) {
    if (at + 2 >= text.size() || text[at] != u'%') return -1;
    const int high = HexDigit(text[at + 1]);
    const int low = HexDigit(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

inline Unescaped Unescape(const Text& escaped) {
    Unescaped out;
    for (size_t at = 0; at < escaped.size();) {
        const int first = EscapedByte(escaped, at);
        if (first >= 0 && first < 0x80) {
            out.text += static_cast<char16_t>(first);
            at += 3;
            continue;
        }
        const int second = EscapedByte(escaped, at + 3);
        const int third = EscapedByte(escaped, at + 6);
        if (first >= 0xE0 && first <= 0xEF && second >= 0x80 && second <= 0xBF && third >= 0x80 && third <= 0xBF) {
            out.text += static_cast<char16_t>((first & 0x0F) << 12 | (second & 0x3F) << 6 | (third & 0x3F));
            at += 9;
            continue;
        }
        if (escaped[at] == u'%') ++out.stray_percents;
        out.text += escaped[at++];
    }
    return out;
}

// The path as Windows resolves it before opening it (GetFullPathNameW, as
// Wine implements it): a slash is read as a backslash, repeated separators
// as one, "." and ".." segments are resolved, an inner segment loses one
// final dot, and the trailing dots and spaces of the whole path go. A
// leading separator is not kept; nothing here depends on it.
inline Text ResolveLikeWindows(const Text& path) {
    Text rest = corvela::ReplaceChar(path, u'/', u'\\');
    corvela::TextList segments;
    bool ends_in_separator = false;
    while (!rest.empty()) {
        const bool inner = rest.find(u'\\') != Text::npos;
        Text segment = corvela::TakeBefore(rest, u'\\');
        ends_in_separator = inner && rest.empty();
        if (segment.empty() || segment == u".") continue;
        if (segment == u"..") {
            if (!segments.empty()) segments.pop_back();
            continue;
        }
        if (inner && segment.back() == u'.') segment.pop_back();
        segments.push_back(segment);
    }
    Text resolved;
    for (const Text& segment : segments) resolved += (resolved.empty() ? Text() : Text(u"\\")) + segment;
    if (ends_in_separator) resolved += u'\\';
    while (!resolved.empty() && (resolved.back() == u'.' || resolved.back() == u' ')) resolved.pop_back();
    return resolved;
}

// What stands before and after the last backslash of a path.
inline Text FolderOf(const Text& path) {
    const size_t cut = path.rfind(u'\\');
    return cut == Text::npos ? Text() : path.substr(0, cut);
}

inline Text NameOf(const Text& path) { return path.substr(path.rfind(u'\\') + 1); }

}  // namespace corvela_fuzz
