// Where the page that hosts a control comes from, as its container tells it:
// the display name of the container's moniker, or the location of the
// browser object its services offer.
#pragma once

#include <oleidl.h>

#include <optional>

#include "common/text.h"

namespace corvela {

// The page's URL, or nothing when there is no site or the site tells none.
std::optional<Text> PageUrlOf(IOleClientSite* site);

}  // namespace corvela
