// The administrator's site lock as the registry holds it.
#pragma once

#include "common/text.h"
#include "control/site_policy.h"

namespace corvela {

// HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Corvela, value AllowedSites
// (REG_MULTI_SZ), in the registry view of the module's platform. `lines`
// receives the value's lines when it is present.
PolicyValue ReadSitePolicy(TextList* lines);

}  // namespace corvela
