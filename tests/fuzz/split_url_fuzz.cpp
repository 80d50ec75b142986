// Splitting a page URL: the parts put together again give the URL back, a
// port is the number the URL wrote or the file cannot connect, and a split
// URL written out plainly splits into the same parts.
#include "fuzz_support.h"
#include "transport/split_url.h"

using corvela::Text;
using corvela::UrlParts;

namespace {

constexpr size_t SCHEME_COLON_LIMIT = 10;
constexpr uint64_t HIGHEST_PORT = 0xFFFF;

bool operator==(const UrlParts& a, const UrlParts& b) {
    return a.scheme == b.scheme && a.server == b.server && a.port == b.port && a.path == b.path;
}

// The value of the digits at the start of `text`, saturated just above the
// highest port.
uint64_t PortValue(const Text& text) {
    uint64_t value = 0;
    for (size_t at = 0; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        value = std::min<uint64_t>(value * 10 + (text[at] - u'0'), HIGHEST_PORT + 1);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const Text url = input.Rest();
    const UrlParts parts = corvela::SplitUrl(url);

    REQUIRE(!parts.path.empty() && parts.path[0] == u'/');
    REQUIRE(parts.server.find_first_of(u":/") == Text::npos);
    REQUIRE(corvela::IsHttpScheme(parts.scheme) ==
            (corvela::EqualsIgnoreAsciiCase(parts.scheme, u"http") ||
             corvela::EqualsIgnoreAsciiCase(parts.scheme, u"https")));

    // The URL is: scheme and ":" (when its ":" stands early enough), leading
    // slashes, the host with an optional ":port", and "/" with the rest.
    const size_t colon = url.find(u':');
    const bool has_scheme = colon == Text::npos || colon < SCHEME_COLON_LIMIT;
    const Text written_scheme = has_scheme ? url.substr(0, colon) : Text();
    Text after = has_scheme ? (colon == Text::npos ? Text() : url.substr(colon + 1)) : url;
    const size_t slashes = std::min(after.find_first_not_of(u'/'), after.size());
    const Text rest = parts.path.substr(1);
    const Text tail = rest.empty() ? Text() : u"/" + rest;
    REQUIRE(after.size() >= slashes + tail.size());
    REQUIRE(after.compare(after.size() - tail.size(), tail.size(), tail) == 0);
    Text host = after.substr(slashes, after.size() - slashes - tail.size());
    if (!host.empty() && host.back() == u'/' && rest.empty()) host.pop_back();
    REQUIRE(host.find(u'/') == Text::npos);
    REQUIRE(host.substr(0, host.find(u':')) == parts.server);

    if (host.find(u':') == Text::npos) {
        REQUIRE(parts.scheme == written_scheme);
        REQUIRE(parts.port == (corvela::EqualsIgnoreAsciiCase(parts.scheme, u"https") ? corvela::HTTPS_DEFAULT_PORT
                                                                                    : corvela::HTTP_DEFAULT_PORT));
    } else {
        const uint64_t written_port = PortValue(host.substr(host.find(u':') + 1));
        const bool usable = written_port <= HIGHEST_PORT;
        REQUIRE(parts.scheme == (usable ? written_scheme : Text()));
        REQUIRE(parts.port == (usable ? written_port : 0));
    }

    // A URL without ":" is all scheme, and may be too long to write as one.
    const Text plain = parts.scheme + u"://" + parts.server + u":" + corvela::DecimalText(parts.port) + parts.path;
    if (parts.scheme.size() < SCHEME_COLON_LIMIT) REQUIRE(corvela::SplitUrl(plain) == parts);
    return 0;
}
