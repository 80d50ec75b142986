// Host names compared the way the network sees them: ASCII, lower case,
// with every label outside ASCII in its punycode form ("xn--...").
#pragma once

#include <optional>

#include "common/text.h"

namespace corvela {

// The host in its ASCII form, or nothing when it is not a host name: empty,
// an empty label, or a unit that no host name holds (a host in brackets,
// an IPv6 address, keeps its hexadecimal digits, colons and dots). Letters
// outside ASCII are not case-folded: such labels compare as written.
std::optional<Text> AsciiHostName(const Text& host);

}  // namespace corvela
