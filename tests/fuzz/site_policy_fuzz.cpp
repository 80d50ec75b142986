// The site lock: a page's URL is judged by the scheme, host and port it
// parses to, never by its text; a site the policy names lets exactly its own
// pages through; a line that cannot be read locks every page; without a
// policy the page's zone alone decides; and host names come out in one
// ASCII spelling.
#include <algorithm>
#include <optional>
#include <vector>

#include "control/host_names.h"
#include "control/site_policy.h"
#include "fuzz_support.h"

using namespace corvela;

namespace {

bool Matches(const AllowedSite& site, const PageOrigin& page) {
    if (site.local_files || page.local_file) return site.local_files && page.local_file;
    if (site.scheme != page.scheme || site.port != page.port) return false;
    if (!site.below_host) return page.host == site.host;
    const Text suffix = u"." + site.host;
    return page.host.size() > suffix.size() &&
           page.host.compare(page.host.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// With a policy the zone is never asked for.
std::optional<int32_t> AnyZone(const Text&) {
    REQUIRE(false);
    return std::nullopt;
}

bool SameOrigin(const PageOrigin& a, const PageOrigin& b) {
    return a.local_file == b.local_file && a.scheme == b.scheme && a.host == b.host && a.port == b.port;
}

// The host a browser connects to for the URL, white space around it
// dropped: after "//", up to the first "/", "?", "#" or "\\", after the last
// "@" and before a ":port".
Text BrowserHost(const Text& url) {
    Text text = ReplaceChar(url, u'\\', u'/');
    while (!text.empty() && IsWhiteSpace(text.back())) text.pop_back();
    const size_t start = text.find(u"//") + 2;
    Text authority = text.substr(start, text.find_first_of(u"/?#", start) - start);
    authority.erase(0, authority.rfind(u'@') + 1);
    const size_t colon = authority.rfind(u':');
    return colon == Text::npos || authority.find(u']', colon) != Text::npos ? authority : authority.substr(0, colon);
}

void CheckHostName(const Text& host) {
    const std::optional<Text> ascii = AsciiHostName(host);
    if (!ascii) return;
    const bool bracketed = ascii->front() == u'[';
    const Text units = bracketed ? u"[]0123456789abcdef:." : u"abcdefghijklmnopqrstuvwxyz0123456789-_.";
    REQUIRE(ascii->find_first_not_of(units) == Text::npos);
    REQUIRE(AsciiHostName(*ascii) == ascii);
    REQUIRE(std::count(ascii->begin(), ascii->end(), u'.') == std::count(host.begin(), host.end(), u'.'));
    if (std::all_of(host.begin(), host.end(), [](char16_t unit) { return unit < 0x80; }))
        REQUIRE(*ascii == AsciiLower(host));
}

// The page's own site, written as a policy line, lets the page through; the
// same site with a wildcard label names only the hosts below it.
void CheckOwnSite(const PageOrigin& page, const Text& page_url) {
    if (page.local_file) {
        REQUIRE(PageMayUseLocalFiles(PolicyValue::Present, {u"file:"}, page_url, AnyZone));
        return;
    }
    const Text authority = page.host + u":" + DecimalText(page.port);
    const std::optional<PageOrigin> plain = ParsePageUrl(page.scheme + u"://" + authority + u"/");
    REQUIRE(plain && SameOrigin(*plain, page));
    REQUIRE(PageMayUseLocalFiles(PolicyValue::Present, {page.scheme + u"://" + authority}, page_url, AnyZone));
    if (page.host.front() != u'[')
        REQUIRE(!PageMayUseLocalFiles(PolicyValue::Present, {page.scheme + u"://*." + authority}, page_url, AnyZone));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    // One byte chooses the policy value and the page's zone: 0 to 5, or none
    // when the zone manager cannot tell.
    const uint8_t choice = input.Byte();
    const PolicyValue value = static_cast<PolicyValue>(choice % 3);
    const uint32_t zone_choice = choice / 3 % 7;
    const std::optional<int32_t> zone =
        zone_choice == 6 ? std::nullopt : std::optional<int32_t>(static_cast<int32_t>(zone_choice));
    TextList lines(input.Choice(4));
    for (Text& line : lines) line = input.Line();
    const Text page_url = input.Rest();

    CheckHostName(page_url);
    const std::optional<PageOrigin> page = ParsePageUrl(page_url);
    if (page) {
        REQUIRE(page->local_file ? page->host.empty() && page->scheme == u"file"
                                 : (page->scheme == u"http" || page->scheme == u"https") && page->port != 0);
        if (!page->local_file) REQUIRE(AsciiHostName(BrowserHost(page_url)) == page->host);
        CheckOwnSite(*page, page_url);
    }

    size_t written = 0;
    bool every_line_read = true;
    for (const Text& line : lines) {
        const std::optional<std::vector<AllowedSite>> alone = ParseAllowedSites({line});
        every_line_read = every_line_read && alone.has_value();
        if (alone) written += alone->size();
    }
    const std::optional<std::vector<AllowedSite>> sites = ParseAllowedSites(lines);
    REQUIRE(sites.has_value() == every_line_read);
    if (sites) {
        REQUIRE(sites->size() == written);
        const bool allowed = page && std::any_of(sites->begin(), sites->end(),
                                                 [&](const AllowedSite& site) { return Matches(site, *page); });
        REQUIRE(SiteAllows(*sites, page_url) == allowed);
    }

    // Without a policy only the zone decides, and only pages of the local
    // machine, the intranet and trusted sites pass; with one, never the zone.
    size_t zone_asked = 0;
    const ZoneLookup zone_of = [&](const Text& url) {
        REQUIRE(url == page_url);
        ++zone_asked;
        return zone;
    };
    const bool zone_allows = zone && *zone <= ZONE_TRUSTED;
    const bool expected = value == PolicyValue::Absent
                              ? zone_allows
                              : value == PolicyValue::Present && sites && SiteAllows(*sites, page_url);
    REQUIRE(PageMayUseLocalFiles(value, lines, page_url, zone_of) == expected);
    REQUIRE(zone_asked == (value == PolicyValue::Absent ? 1u : 0u));
    REQUIRE(PageMayUseLocalFiles(value, lines, std::nullopt, zone_of) == (value == PolicyValue::Absent));
    REQUIRE(zone_asked == (value == PolicyValue::Absent ? 1u : 0u));
    return 0;
}
