#include "control/host_names.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace corvela {
namespace {

// The parameters of punycode for host names (RFC 3492).
constexpr uint32_t BASE = 36;
constexpr uint32_t T_MIN = 1;
constexpr uint32_t T_MAX = 26;
constexpr uint32_t SKEW = 38;
constexpr uint32_t DAMP = 700;
constexpr uint32_t INITIAL_BIAS = 72;
constexpr uint32_t INITIAL_N = 0x80;
const Text ACE_PREFIX = u"xn--";

bool IsLabelUnit(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') || (unit >= u'0' && unit <= u'9') || unit == u'-' || unit == u'_';
}

bool IsBracketedUnit(char16_t unit) {
    return (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'f') || unit == u':' || unit == u'.';
}

char16_t Digit(uint32_t value) { return static_cast<char16_t>(value < 26 ? u'a' + value : u'0' + value - 26); }

uint32_t Adapt(uint32_t delta, uint32_t points, bool first) {
    delta = first ? delta / DAMP : delta / 2;
    delta += delta / points;
    uint32_t k = 0;
    for (; delta > ((BASE - T_MIN) * T_MAX) / 2; k += BASE) delta /= BASE - T_MIN;
    return k + (BASE - T_MIN + 1) * delta / (delta + SKEW);
}

// The code points of a label; nothing for a lone surrogate half.
std::optional<std::vector<uint32_t>> CodePoints(const Text& label) {
    std::vector<uint32_t> points;
    for (size_t i = 0; i < label.size(); ++i) {
        uint32_t unit = label[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < label.size() && label[i + 1] >= 0xDC00 &&
            label[i + 1] <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (label[++i] - 0xDC00);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            return std::nullopt;
        }
        points.push_back(unit);
    }
    return points;
}

// RFC 3492's encoder; nothing when the label cannot be encoded.
std::optional<Text> Punycode(const std::vector<uint32_t>& points) {
    Text out;
    for (uint32_t point : points)
        if (point < INITIAL_N) out += static_cast<char16_t>(point);
    const size_t basic = out.size();
    if (basic > 0) out += u'-';
    uint32_t n = INITIAL_N, delta = 0, bias = INITIAL_BIAS;
    for (size_t handled = basic; handled < points.size();) {
        uint32_t next = UINT32_MAX;
        for (uint32_t point : points)
            if (point >= n && point < next) next = point;
        if (static_cast<uint64_t>(next - n) * (handled + 1) > UINT32_MAX - delta) return std::nullopt;
        delta += (next - n) * static_cast<uint32_t>(handled + 1);
        n = next;
        for (uint32_t point : points) {
            if (point < n && ++delta == 0) return std::nullopt;
            if (point != n) continue;
            uint32_t q = delta;
            for (uint32_t k = BASE;; k += BASE) {
                const uint32_t t = k <= bias ? T_MIN : (k >= bias + T_MAX ? T_MAX : k - bias);
                if (q < t) break;
                out += Digit(t + (q - t) % (BASE - t));
                q = (q - t) / (BASE - t);
            }
            out += Digit(q);
            bias = Adapt(delta, static_cast<uint32_t>(handled + 1), handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return out;
}

std::optional<Text> AsciiLabel(const Text& label) {
    if (label.empty()) return std::nullopt;
    const Text lowered = AsciiLower(label);
    if (std::all_of(lowered.begin(), lowered.end(), IsLabelUnit)) return lowered;
    const std::optional<std::vector<uint32_t>> points = CodePoints(lowered);
    if (!points) return std::nullopt;
    for (uint32_t point : *points)
        if (point < INITIAL_N && !IsLabelUnit(static_cast<char16_t>(point))) return std::nullopt;
    const std::optional<Text> encoded = Punycode(*points);
    if (!encoded) return std::nullopt;
    return ACE_PREFIX + *encoded;
}

}  // namespace

std::optional<Text> AsciiHostName(const Text& host) {
    if (host.size() > 2 && host.front() == u'[' && host.back() == u']') {
        const Text inside = AsciiLower(host.substr(1, host.size() - 2));
        if (!std::all_of(inside.begin(), inside.end(), IsBracketedUnit)) return std::nullopt;
        return u"[" + inside + u"]";
    }
    Text ascii;
    for (size_t start = 0;;) {
        const size_t dot = host.find(u'.', start);
        const std::optional<Text> label = AsciiLabel(host.substr(start, dot == Text::npos ? Text::npos : dot - start));
        if (!label) return std::nullopt;
        if (start > 0) ascii += u'.';
        ascii += *label;
        if (dot == Text::npos) return ascii;
        start = dot + 1;
    }
}

}  // namespace corvela
