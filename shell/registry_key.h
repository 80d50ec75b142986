// Reads one registry value given a text path made of a root name and a
// subkey path ("HKEY_CLASSES_ROOT\.txt", "hkcr\txtfile\shell\open\command").
#pragma once

#include <windows.h>

#include "common/text.h"
#include "shell/registry_path.h"

namespace corvela {

class CRegistryKey {
public:
    // Values are read into a buffer of this many UTF-16 units, terminator
    // included. A longer value is a failed lookup: a command cut short could
    // name another program.
    static constexpr size_t VALUE_BUFFER_UNITS = 1024;

    virtual ~CRegistryKey() = default;

    // A REG_SZ value; an empty name reads the key's default value.
    bool QueryString(const Text& path, const Text& value_name, Text* value);
    bool QueryValue(const Text& path, const Text& value_name, Text* value, DWORD expected_type);

    bool OpenKey(HKEY root, const Text& subkey, HKEY* key, REGSAM access);
    // Closes a key unless it is a predefined root named without a subkey.
    bool CloseKey(HKEY key, const Text& subkey);
    static bool IsRootKey(HKEY key, const Text& subkey);

private:
    CRegistryPath path_;
};

}  // namespace corvela
