// Parsing of registry text paths such as "HKCR\.txt" or
// "HKEY_CLASSES_ROOT\txtfile\shell\open\command": a root name, then an
// optional subkey whose components are separated by single "\". Runs of
// "\" at either end of a path are ignored. Pure logic: the Windows registry
// reader opens the keys.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace corvela {

// The seven predefined registry roots, by the low 32 bits of their handles.
enum class RegistryRoot : uint32_t {
    ClassesRoot = 0x80000000,
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
    Users = 0x80000003,
    PerformanceData = 0x80000004,
    CurrentConfig = 0x80000005,
    DynData = 0x80000006,
};

// The root's handle value as the platform defines it, (HKEY)(ULONG_PTR)(LONG)n:
// sign-extended, so on 64-bit builds HKEY_CLASSES_ROOT is 0xFFFFFFFF80000000.
// The Windows layer converts with reinterpret_cast<HKEY>(RootHandleValue(root)).
intptr_t RootHandleValue(RegistryRoot root);

// True when a key handle's value is one of the seven predefined roots,
// which are never closed.
bool IsRootHandleValue(intptr_t handle_value);

// The path parser the registry reader holds. It keeps no data; every
// operation is static and may be called through an instance as well.
// Pointer arguments must not be null.
class CRegistryPath {
public:
    virtual ~CRegistryPath() = default;

    // Removes every leading and every trailing `ch` from `text`.
    static void TrimChar(Text& text, char16_t ch);

    // Exact comparison, or comparison ignoring the case of ASCII letters.
    static bool NamesEqual(const Text& a, const Text& b, bool ignore_case);

    // After trimming "\" from both ends: 0 for an empty path, else 1 plus
    // the number of "\" left ("a\\b" has three components, the middle one
    // empty).
    static int32_t CountComponents(const Text& path);

    // Component `index` (from 0) of the trimmed path: the text after the
    // index-th "\" up to the next "\" or the end. False, with `out`
    // untouched, when the index is outside 0 .. CountComponents - 1.
    static bool GetComponent(int32_t index, const Text& path, Text* out);

    // The root that the first component of `name` names. Accepted names, in
    // the order they are tried, case ignored (ASCII): HKEY_CLASSES_ROOT/HKCR,
    // HKEY_CURRENT_CONFIG/HKCC, HKEY_CURRENT_USER/HKCU,
    // HKEY_LOCAL_MACHINE/HKLM, HKEY_USERS/HKU, HKEY_DYN_DATA/HKDD,
    // HKEY_PERFORMANCE_DATA/HKPD. False, with `root` untouched, otherwise.
    static bool ResolveRoot(const Text& name, RegistryRoot* root);

    // Splits a full path into its root and subkey: on success `path` becomes
    // the subkey with "\" trimmed from both ends (empty for a root name
    // alone). On failure both `path` and `root` are left as they were.
    static bool SplitRoot(Text* path, RegistryRoot* root);
};

}  // namespace corvela
