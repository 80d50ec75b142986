// What each class of the module writes into, and removes from, the registry.
#pragma once

namespace corvela {

bool UpdateControlRegistry(bool register_class);
bool UpdatePropPageRegistry(bool register_class);

}  // namespace corvela
