// Where the page that hosts a control comes from, as its container tells it:
// the display name of the container's moniker, or the location of the
// browser object its services offer; and the security zone of such an
// address.
#pragma once

#include <oleidl.h>

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace corvela {

// The page's URL, or nothing when there is no site or the site tells none.
std::optional<Text> PageUrlOf(IOleClientSite* site);

// The security zone the platform's zone manager puts a URL in (the
// URLZONE_* numbers: 0 local machine, 1 local intranet, 2 trusted sites,
// 3 Internet, 4 restricted sites), as the administrator's zone settings
// map it; nothing when the manager cannot tell.
std::optional<int32_t> ZoneOfUrl(const Text& url);

}  // namespace corvela
