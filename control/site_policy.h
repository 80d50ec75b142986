// The site lock: the administrator's list of the only sites whose pages may
// script the control, the judgement of a page's URL against it, and the
// platform's security zones where there is no list. Pure logic: the Windows
// layer reads the policy value, asks the container for the page's URL and
// the zone manager for its zone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "common/text.h"

namespace corvela {

// One line of the policy: "https://intranet.example.com", a host with a
// leading wildcard label ("https://*.corp.example.com", which names the
// hosts below corp.example.com but not corp.example.com itself), either
// with ":port", or "file:" (also written "file://" or "file:///") for pages
// on the local disk.
struct AllowedSite {
    bool local_files = false;  // "file:"
    Text scheme;               // "http" or "https", lower case
    Text host;                 // ASCII, lower case, without the wildcard label
    bool below_host = false;   // a leading "*." stood before the host
    uint16_t port = 0;         // the scheme's default when the line names none
};

// The lines of the policy value; lines of nothing but white space are
// skipped. Nothing when any line is not of a form above: a policy that
// cannot be read locks every page, never fewer.
std::optional<std::vector<AllowedSite>> ParseAllowedSites(const TextList& lines);

// The place a page comes from, as its URL says.
struct PageOrigin {
    bool local_file = false;  // a file: URL naming no host (or localhost) and a drive
    Text scheme;
    Text host;  // ASCII, lower case
    uint16_t port = 0;
};

// Nothing when the URL is not an http or https URL with a host name, nor a
// file URL of a page on a local drive (user names and passwords before "@"
// are not part of the host, "\" counts as "/").
std::optional<PageOrigin> ParsePageUrl(const Text& url);

// Whether a page at `page_url` may use the control's local files. Matching
// is on the parsed URL (scheme, host, port), never on a text prefix, so
// https://intranet.example.com.evil.net is not https://intranet.example.com.
bool SiteAllows(const std::vector<AllowedSite>& sites, const Text& page_url);

// The security zones of the platform's zone manager (URLZONE_*).
constexpr int32_t ZONE_LOCAL_MACHINE = 0;
constexpr int32_t ZONE_INTRANET = 1;
constexpr int32_t ZONE_TRUSTED = 2;
constexpr int32_t ZONE_INTERNET = 3;
constexpr int32_t ZONE_RESTRICTED = 4;

// The zone a page URL is in, as the platform maps it; nothing when it
// cannot tell.
using ZoneLookup = std::function<std::optional<int32_t>(const Text& url)>;

// Without a policy, the zones whose pages may use the control: the local
// machine, the local intranet and trusted sites. Internet and restricted
// pages, any other zone and a URL the zone manager cannot place are locked.
bool ZoneMayUseLocalFiles(const std::optional<int32_t>& zone);

// What the lock decides for a page, from the policy as the registry holds it.
// With a value, the value alone decides: one that could not be read or
// parsed, or a page whose URL is unknown, is locked. With no value at all the
// page's zone decides (`zone_of` is asked only then); a container that tells
// no page address at all (a desktop program, a script host) is no web page
// and keeps the control.
enum class PolicyValue { Absent, Unreadable, Present };
bool PageMayUseLocalFiles(PolicyValue value, const TextList& lines, const std::optional<Text>& page_url,
                          const ZoneLookup& zone_of);

}  // namespace corvela
