// Helpers for a module that registers itself: registry values below
// HKEY_CLASSES_ROOT, its type library and component categories.
#pragma once

#include <windows.h>

#include "common/text.h"

namespace corvela {

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, as the registry writes class ids.
Text GuidRegistryText(REFGUID guid);

// Writes a string value (an empty name writes the key's default value),
// creating the key and its parents; an existing value is replaced.
bool WriteClassesRootString(const Text& key, const Text& value_name, const Text& data);
bool ClassesRootKeyExists(const Text& key);
// Deletes a key with everything below it. A key that is already absent
// counts as deleted.
bool DeleteClassesRootTree(const Text& key);

// The module's short (8.3) path when the platform can make one, else its
// full path.
Text ModuleRegistrationPath();

// Registers the type library stored in the module's own resources.
bool RegisterModuleTypeLibrary();

// Removes the registration of the module's type library (version
// major.minor) and of the interfaces it describes. Where a locale also holds
// a 16-bit registration ("win16"), only that locale's entry for this module's
// platform goes, and the version and library keys stay. Absent keys count as
// removed.
bool UnregisterModuleTypeLibrary(REFGUID library, WORD major, WORD minor);

// Defines the category with its description (locale 1033, at most 127
// characters) and marks the class as implementing it. Failures are ignored:
// the class then stays registered without the mark.
void RegisterClassCategory(REFCLSID clsid, REFGUID category, const Text& description);

}  // namespace corvela
