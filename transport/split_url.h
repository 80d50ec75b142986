// Splitting a page URL into what a connection and a request need.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace corvela {

constexpr uint16_t HTTP_DEFAULT_PORT = 80;
constexpr uint16_t HTTPS_DEFAULT_PORT = 443;

struct UrlParts {
    Text scheme;        // empty when the URL carries none we can use
    Text server;
    uint16_t port = 0;  // 0 when the URL names a port without digits
    Text path;          // always begins with "/"; a query of the page URL stays in it
};

// Never fails by itself: an unusable URL shows as a scheme that IsHttpScheme
// refuses. The scheme is what precedes the first ":" when that stands at an
// index below 10 (or the whole URL when there is no ":"); then leading "/" are
// skipped, the host runs up to the next "/" and may carry ":port".
// A port number beyond 65535 would wrap onto some other port, so such a URL
// gets an empty scheme instead and its file fails before any connection.
UrlParts SplitUrl(const Text& page_url);

// "http" or "https" in any case.
bool IsHttpScheme(const Text& scheme);

// Whether requests to this URL go over TLS: every "https" URL, whatever its
// port, and, as servers on 443 behind an "http" page URL have always been
// reached, any URL on port 443.
bool UsesTls(const UrlParts& url);

}  // namespace corvela
