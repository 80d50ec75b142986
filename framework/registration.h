// Helpers for a module that registers itself: registry values below a
// classes root, its type library and component categories.
#pragma once

#include <windows.h>

#include "common/text.h"
#include "framework/handles.h"

namespace corvela {

// Whose classes a registration goes into: the machine's (HKEY_CLASSES_ROOT,
// which takes an administrator) or the current user's
// (HKEY_CURRENT_USER\Software\Classes, which the platform consults first for
// that user and which needs no rights beyond the user's own).
enum class RegistrationScope { Machine, User };

// The classes key of one scope, with the registry operations that
// registration needs. Keys are paths below that root.
class ClassesRoot {
public:
    explicit ClassesRoot(RegistrationScope scope);

    RegistrationScope scope() const { return scope_; }

    // Writes a string value (an empty name writes the key's default value),
    // creating the key and its parents; an existing value is replaced.
    bool WriteString(const Text& key, const Text& value_name, const Text& data) const;
    // Creates a key (and its parents) without writing any value.
    bool CreateKey(const Text& key) const;
    bool KeyExists(const Text& key) const;
    // Deletes a key with everything below it. A key that is already absent
    // counts as deleted.
    bool DeleteTree(const Text& key) const;
    TextList SubkeyNames(const Text& key) const;

private:
    HKEY Get() const;
    RegKey Create(const Text& key) const;

    RegistrationScope scope_;
    RegKey user_classes_;  // open for the user scope only
};

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, as the registry writes class ids.
Text GuidRegistryText(REFGUID guid);

// The module's short (8.3) path when the platform can make one, else its
// full path.
Text ModuleRegistrationPath();

// Registers the type library stored in the module's own resources, with the
// keys the platform's RegisterTypeLib writes: for the machine through the
// platform itself, for the user by writing the same keys below the user's
// classes (the platform's per-user call is not everywhere a per-user one).
bool RegisterModuleTypeLibrary(const ClassesRoot& root);

// Removes the registration of the module's type library (version
// major.minor) and of the interfaces it describes. Where a locale also holds
// a 16-bit registration ("win16"), only that locale's entry for this module's
// platform goes, and the version and library keys stay. Absent keys count as
// removed.
bool UnregisterModuleTypeLibrary(const ClassesRoot& root, REFGUID library, WORD major, WORD minor);

// Defines the category with its description (locale 1033, at most 127
// characters) and marks the class as implementing it. Failures are ignored:
// the class then stays registered without the mark. The platform's category
// manager writes only the machine's classes, so for the user the same keys
// are written directly.
void RegisterClassCategory(const ClassesRoot& root, REFCLSID clsid, REFGUID category, const Text& description);

}  // namespace corvela
