#include "shell/registry_path.h"

#include <algorithm>

namespace corvela {

namespace {

constexpr char16_t KEY_SEPARATOR = u'\\';  // between the names of a key path

struct RootName {
    const char16_t* long_name;
    const char16_t* short_name;
    RegistryRoot root;
};

constexpr RootName ROOT_NAMES[] = {
    {u"HKEY_CLASSES_ROOT", u"HKCR", RegistryRoot::ClassesRoot},
    {u"HKEY_CURRENT_CONFIG", u"HKCC", RegistryRoot::CurrentConfig},
    {u"HKEY_CURRENT_USER", u"HKCU", RegistryRoot::CurrentUser},
    {u"HKEY_LOCAL_MACHINE", u"HKLM", RegistryRoot::LocalMachine},
    {u"HKEY_USERS", u"HKU", RegistryRoot::Users},
    {u"HKEY_DYN_DATA", u"HKDD", RegistryRoot::DynData},
    {u"HKEY_PERFORMANCE_DATA", u"HKPD", RegistryRoot::PerformanceData},
};

Text Trimmed(Text text) {
    CRegistryPath::TrimChar(text, KEY_SEPARATOR);
    return text;
}

}  // namespace

intptr_t RootHandleValue(RegistryRoot root) {
    // Every root has the top bit of its 32 bits set, so sign extension is
    // subtracting 2^32.
    constexpr int64_t two_to_32 = 0x100000000LL;
    return static_cast<intptr_t>(static_cast<int64_t>(root) - two_to_32);
}

bool IsRootHandleValue(intptr_t handle_value) {
    for (const RootName& name : ROOT_NAMES)
        if (RootHandleValue(name.root) == handle_value) return true;
    return false;
}

void CRegistryPath::TrimChar(Text& text, char16_t ch) {
    const size_t first = text.find_first_not_of(ch);
    if (first == Text::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(ch) + 1);
    text.erase(0, first);
}

bool CRegistryPath::NamesEqual(const Text& a, const Text& b, bool ignore_case) {
    return ignore_case ? EqualsIgnoreAsciiCase(a, b) : a == b;
}

int32_t CRegistryPath::CountComponents(const Text& path) {
    const Text trimmed = Trimmed(path);
    if (trimmed.empty()) return 0;
    int32_t count = 1;
    for (char16_t unit : trimmed)
        if (unit == KEY_SEPARATOR) ++count;
    return count;
}

bool CRegistryPath::GetComponent(int32_t index, const Text& path, Text* out) {
    if (index < 0 || index >= CountComponents(path)) return false;
    Text rest = Trimmed(path);
    for (int32_t skipped = 0; skipped < index; ++skipped) TakeBefore(rest, KEY_SEPARATOR);
    *out = TakeBefore(rest, KEY_SEPARATOR);
    return true;
}

bool CRegistryPath::ResolveRoot(const Text& name, RegistryRoot* root) {
    Text root_name;
    if (!GetComponent(0, name, &root_name) || root_name.empty()) return false;
    for (const RootName& entry : ROOT_NAMES) {
        if (NamesEqual(root_name, entry.long_name, true) || NamesEqual(root_name, entry.short_name, true)) {
            *root = entry.root;
            return true;
        }
    }
    return false;
}

bool CRegistryPath::SplitRoot(Text* path, RegistryRoot* root) {
    const Text trimmed = Trimmed(*path);
    const size_t root_end = std::min(trimmed.find(KEY_SEPARATOR), trimmed.size());
    if (!ResolveRoot(trimmed.substr(0, root_end), root)) return false;
    *path = Trimmed(trimmed.substr(root_end));
    return true;
}

}  // namespace corvela
