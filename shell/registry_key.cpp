#include "shell/registry_key.h"

#include "common/wide.h"

namespace corvela {
namespace {

// The subkey's key stays open for the whole read and is closed on every
// way out (a predefined root is never closed).
class OpenedKey {
public:
    OpenedKey(CRegistryKey* owner, HKEY key, const Text& subkey) : owner_(owner), key_(key), subkey_(subkey) {}
    ~OpenedKey() { owner_->CloseKey(key_, subkey_); }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    HKEY get() const { return key_; }

private:
    CRegistryKey* owner_;
    HKEY key_;
    Text subkey_;
};

}  // namespace

bool CRegistryKey::QueryString(const Text& path, const Text& value_name, Text* value) {
    return QueryValue(path, value_name, value, REG_SZ);
}

bool CRegistryKey::QueryValue(const Text& path, const Text& value_name, Text* value, DWORD expected_type) {
    Text subkey = path;
    RegistryRoot root;
    if (!CRegistryPath::SplitRoot(&subkey, &root)) return false;
    HKEY key = nullptr;
    if (!OpenKey(reinterpret_cast<HKEY>(RootHandleValue(root)), subkey, &key, KEY_READ)) return false;
    OpenedKey opened(this, key, subkey);

    const wchar_t* name = value_name.empty() ? nullptr : W(value_name);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(opened.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
    if (type != expected_type) return false;
    if (bytes > VALUE_BUFFER_UNITS * sizeof(wchar_t)) return false;
    // One unit more than the buffer holds, always zero, terminates a value
    // that was stored without its terminator.
    wchar_t buffer[VALUE_BUFFER_UNITS + 1] = {};
    if (RegQueryValueExW(opened.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS)
        return false;
    const Text read = FromW(buffer);
    if (read.size() >= VALUE_BUFFER_UNITS) return false;
    *value = read;
    return true;
}

bool CRegistryKey::OpenKey(HKEY root, const Text& subkey, HKEY* key, REGSAM access) {
    if (subkey.empty()) {
        *key = root;
        return true;
    }
    return RegOpenKeyExW(root, W(subkey), 0, access, key) == ERROR_SUCCESS;
}

bool CRegistryKey::CloseKey(HKEY key, const Text& subkey) {
    if (IsRootKey(key, subkey)) return true;
    return RegCloseKey(key) == ERROR_SUCCESS;
}

bool CRegistryKey::IsRootKey(HKEY key, const Text& subkey) {
    return subkey.empty() && IsRootHandleValue(reinterpret_cast<intptr_t>(key));
}

}  // namespace corvela
