// How the transports judge what a server answered. Pure logic: the Windows
// transports read the status and headers and act on these answers.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace corvela {

// True for 200 to 299, the only answers that mean the server took an upload
// or sent the file asked for. Anything else (an error page of a front end, a
// proxy asking for credentials, a redirect left unfollowed, a request that
// got no status line at all, 0) fails the file, whatever its body says.
bool IsSuccessStatus(uint32_t status);

// True for the statuses whose Location a download follows: 301, 302, 303,
// 307 and 308.
bool IsRedirectStatus(uint32_t status);

// Whether a body with this Content-Encoding header is the file's own bytes.
// The control never asks for an encoding, so only a missing header and
// "identity" qualify; a gzip or other coding would be saved as the file
// without ever being decoded.
bool IsUnencodedBody(const Text& content_encoding);

}  // namespace corvela
