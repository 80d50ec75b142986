// What each class of the module writes into, and removes from, the registry.
#pragma once

#include "framework/registration.h"

namespace corvela {

bool UpdateControlRegistry(const ClassesRoot& root, bool register_class);
bool UpdatePropPageRegistry(const ClassesRoot& root, bool register_class);

}  // namespace corvela
