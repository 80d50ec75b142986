#include "control/site_policy.h"

#include <algorithm>

#include "control/host_names.h"

namespace corvela {
namespace {

constexpr uint16_t HTTP_PORT = 80;
constexpr uint16_t HTTPS_PORT = 443;
constexpr uint32_t HIGHEST_PORT = 0xFFFF;
const Text WILDCARD_LABEL = u"*.";

std::optional<uint16_t> DefaultPort(const Text& scheme) {
    if (scheme == u"http") return HTTP_PORT;
    if (scheme == u"https") return HTTPS_PORT;
    return std::nullopt;
}

// Decimal digits only, 1 to 65535.
std::optional<uint16_t> PortNumber(const Text& text) {
    if (text.size() > 5) return std::nullopt;
    const std::optional<uint64_t> value = ParseNumber(text, 10, HIGHEST_PORT);
    if (!value || *value == 0) return std::nullopt;
    return static_cast<uint16_t>(*value);
}

struct Authority {
    Text host;
    std::optional<uint16_t> port;  // none when the text names none
};

// "host", "host:port", "[v6]" or "[v6]:port"; nothing for anything else.
std::optional<Authority> SplitAuthority(const Text& text) {
    const size_t bracket = text.rfind(u']');
    const size_t colon = text.rfind(u':');
    Authority authority;
    authority.host = text;
    if (colon != Text::npos && (bracket == Text::npos || colon > bracket)) {
        authority.port = PortNumber(text.substr(colon + 1));
        if (!authority.port) return std::nullopt;
        authority.host = text.substr(0, colon);
    }
    const std::optional<Text> ascii = AsciiHostName(authority.host);
    if (!ascii) return std::nullopt;
    authority.host = *ascii;
    return authority;
}

std::optional<AllowedSite> ParseLine(const Text& line) {
    const Text lowered = AsciiLower(line);
    AllowedSite site;
    if (lowered == u"file:" || lowered == u"file://" || lowered == u"file:///") {
        site.local_files = true;
        return site;
    }
    const size_t separator = lowered.find(u"://");
    if (separator == Text::npos) return std::nullopt;
    site.scheme = lowered.substr(0, separator);
    const std::optional<uint16_t> default_port = DefaultPort(site.scheme);
    if (!default_port) return std::nullopt;
    Text rest = line.substr(separator + 3);
    if (!rest.empty() && rest.back() == u'/') rest.pop_back();  // "https://host/" names the host too
    if (rest.compare(0, WILDCARD_LABEL.size(), WILDCARD_LABEL) == 0) {
        site.below_host = true;
        rest.erase(0, WILDCARD_LABEL.size());
    }
    const std::optional<Authority> authority = SplitAuthority(rest);
    if (!authority) return std::nullopt;
    site.host = authority->host;
    site.port = authority->port.value_or(*default_port);
    return site;
}

bool HostMatches(const AllowedSite& site, const Text& host) {
    if (!site.below_host) return host == site.host;
    const Text suffix = u"." + site.host;
    return host.size() > suffix.size() && host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool Allows(const AllowedSite& site, const PageOrigin& page) {
    if (site.local_files || page.local_file) return site.local_files && page.local_file;
    return site.scheme == page.scheme && site.port == page.port && HostMatches(site, page.host);
}

bool IsLocalHost(const Text& host) { return host.empty() || EqualsIgnoreAsciiCase(host, u"localhost"); }

bool IsAsciiLetter(char16_t unit) { return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z'); }

// A page on the local disk names a drive: "/C:/..." or "/C|/...". Any other
// path of a file URL without a host ("////server/share/...", "/%5C%5Cserver",
// a bare "/folder") can reach a file share, whose pages are not local.
bool NamesLocalDrive(const Text& path) {
    return path.size() >= 3 && path[0] == u'/' && IsAsciiLetter(path[1]) && (path[2] == u':' || path[2] == u'|') &&
           (path.size() == 3 || path[3] == u'/');
}

}  // namespace

std::optional<std::vector<AllowedSite>> ParseAllowedSites(const TextList& lines) {
    std::vector<AllowedSite> sites;
    for (const Text& line : lines) {
        const Text trimmed = TrimWhiteSpace(line);
        if (trimmed.empty()) continue;
        const std::optional<AllowedSite> site = ParseLine(trimmed);
        if (!site) return std::nullopt;
        sites.push_back(*site);
    }
    return sites;
}

std::optional<PageOrigin> ParsePageUrl(const Text& url) {
    const Text text = ReplaceChar(TrimWhiteSpace(url), u'\\', u'/');
    const size_t colon = text.find(u':');
    if (colon == Text::npos) return std::nullopt;
    PageOrigin page;
    page.scheme = AsciiLower(text.substr(0, colon));
    Text rest = text.substr(colon + 1);
    if (rest.compare(0, 2, u"//") != 0) return std::nullopt;
    rest.erase(0, 2);
    const size_t authority_end = std::min(rest.find_first_of(u"/?#"), rest.size());
    Text authority = rest.substr(0, authority_end);
    if (page.scheme == u"file") {
        page.local_file = IsLocalHost(authority) && NamesLocalDrive(rest.substr(authority_end));
        if (!page.local_file) return std::nullopt;
        return page;
    }
    const std::optional<uint16_t> default_port = DefaultPort(page.scheme);
    if (!default_port) return std::nullopt;
    const size_t at = authority.rfind(u'@');
    if (at != Text::npos) authority.erase(0, at + 1);
    const std::optional<Authority> parts = SplitAuthority(authority);
    if (!parts) return std::nullopt;
    page.host = parts->host;
    page.port = parts->port.value_or(*default_port);
    return page;
}

bool SiteAllows(const std::vector<AllowedSite>& sites, const Text& page_url) {
    const std::optional<PageOrigin> page = ParsePageUrl(page_url);
    if (!page) return false;
    return std::any_of(sites.begin(), sites.end(), [&](const AllowedSite& site) { return Allows(site, *page); });
}

bool ZoneMayUseLocalFiles(const std::optional<int32_t>& zone) {
    return zone && (*zone == ZONE_LOCAL_MACHINE || *zone == ZONE_INTRANET || *zone == ZONE_TRUSTED);
}

bool PageMayUseLocalFiles(PolicyValue value, const TextList& lines, const std::optional<Text>& page_url,
                          const ZoneLookup& zone_of) {
    if (value == PolicyValue::Absent) return !page_url || ZoneMayUseLocalFiles(zone_of(*page_url));
    if (value == PolicyValue::Unreadable || !page_url) return false;
    const std::optional<std::vector<AllowedSite>> sites = ParseAllowedSites(lines);
    return sites && SiteAllows(*sites, *page_url);
}

}  // namespace corvela
