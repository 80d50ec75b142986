#include "control/site_lock.h"

#include <windows.h>

#include <vector>

#include "framework/handles.h"

namespace corvela {
namespace {

constexpr wchar_t POLICY_KEY[] = L"SOFTWARE\\Policies\\Corvela";
constexpr wchar_t POLICY_VALUE[] = L"AllowedSites";

bool IsAbsent(LSTATUS status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

// The strings of a REG_MULTI_SZ block, which ends with an empty one.
TextList MultiStringLines(const std::vector<wchar_t>& block) {
    TextList lines;
    for (size_t start = 0; start < block.size() && block[start] != L'\0';) {
        size_t end = start;
        while (end < block.size() && block[end] != L'\0') ++end;
        lines.emplace_back(reinterpret_cast<const char16_t*>(&block[start]), end - start);
        start = end + 1;
    }
    return lines;
}

}  // namespace

PolicyValue ReadSitePolicy(TextList* lines) {
    HKEY raw = nullptr;
    const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, POLICY_KEY, 0, KEY_QUERY_VALUE, &raw);
    if (IsAbsent(opened)) return PolicyValue::Absent;
    if (opened != ERROR_SUCCESS) return PolicyValue::Unreadable;
    const RegKey key(raw);
    DWORD type = 0, bytes = 0;
    const LSTATUS sized = RegQueryValueExW(key.Get(), POLICY_VALUE, nullptr, &type, nullptr, &bytes);
    if (IsAbsent(sized)) return PolicyValue::Absent;
    if (sized != ERROR_SUCCESS || type != REG_MULTI_SZ) return PolicyValue::Unreadable;
    // Room for the terminators a value stored without them lacks.
    std::vector<wchar_t> block(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD read = bytes;
    if (RegQueryValueExW(key.Get(), POLICY_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(block.data()), &read) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return PolicyValue::Unreadable;
    *lines = MultiStringLines(block);
    return PolicyValue::Present;
}

}  // namespace corvela
