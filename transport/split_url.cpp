#include "transport/split_url.h"

namespace corvela {
namespace {

// A ":" at this index or later belongs to the host or path, not to a scheme.
constexpr size_t SCHEME_COLON_LIMIT = 10;
constexpr uint32_t HIGHEST_PORT = 0xFFFF;

Text TakeScheme(Text& url) {
    const size_t colon = url.find(u':');
    if (colon != Text::npos && colon >= SCHEME_COLON_LIMIT) return Text();
    return TakeBefore(url, u':');
}

void SkipLeadingSlashes(Text& text) { text.erase(0, text.find_first_not_of(u'/')); }

}  // namespace

UrlParts SplitUrl(const Text& page_url) {
    UrlParts parts;
    Text rest = page_url;
    parts.scheme = TakeScheme(rest);
    SkipLeadingSlashes(rest);
    Text host = TakeBefore(rest, u'/');
    if (host.find(u':') == Text::npos) {
        parts.server = host;
        parts.port = EqualsIgnoreAsciiCase(parts.scheme, u"https") ? HTTPS_DEFAULT_PORT : HTTP_DEFAULT_PORT;
    } else {
        parts.server = TakeBefore(host, u':');
        const uint32_t port = LeadingDecimal(host);
        if (port > HIGHEST_PORT) parts.scheme.clear();
        else parts.port = static_cast<uint16_t>(port);
    }
    parts.path = u"/" + rest;
    return parts;
}

bool UsesTls(const UrlParts& url) {
    return EqualsIgnoreAsciiCase(url.scheme, u"https") || url.port == HTTPS_DEFAULT_PORT;
}

bool IsHttpScheme(const Text& scheme) {
    return EqualsIgnoreAsciiCase(scheme, u"http") || EqualsIgnoreAsciiCase(scheme, u"https");
}

}  // namespace corvela
