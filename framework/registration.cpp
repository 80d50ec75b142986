#include "framework/registration.h"

#include <comcat.h>
#include <oleauto.h>

#include "framework/com_ptr.h"
#include "framework/handles.h"
#include "framework/resources.h"
#include "framework/wide.h"

namespace corvela {

Text GuidRegistryText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return FromW(text);
}

bool WriteClassesRootString(const Text& key, const Text& value_name, const Text& data) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, W(key), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return false;
    RegKey opened(raw);
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(opened.Get(), value_name.empty() ? nullptr : W(value_name), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(W(data)), bytes) == ERROR_SUCCESS;
}

bool ClassesRootKeyExists(const Text& key) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, W(key), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    RegKey opened(raw);
    return true;
}

bool DeleteClassesRootTree(const Text& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, W(key));
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    // RegDeleteTree empties the key; the key itself goes separately.
    const LSTATUS removed = RegDeleteKeyW(HKEY_CLASSES_ROOT, W(key));
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

Text ModuleRegistrationPath() {
    const Text full = ModulePath();
    wchar_t short_path[MAX_PATH * 2] = {};
    const DWORD length = GetShortPathNameW(W(full), short_path, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return full;
    return FromW(short_path, length);
}

namespace {

ComPtr<ITypeLib> LoadModuleTypeLibrary() {
    ComPtr<ITypeLib> library;
    LoadTypeLibEx(W(ModulePath()), REGKIND_NONE, library.Out());
    return library;
}

Text SubkeyName(HKEY key, DWORD index) {
    wchar_t name[256] = {};
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return Text();
    return FromW(name, length);
}

TextList SubkeyNames(const Text& key) {
    TextList names;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, W(key), 0, KEY_READ, &raw) != ERROR_SUCCESS) return names;
    RegKey opened(raw);
    for (DWORD index = 0;; ++index) {
        Text name = SubkeyName(opened.Get(), index);
        if (name.empty()) break;
        names.push_back(name);
    }
    return names;
}

// Locale keys are hexadecimal numbers; FLAGS and HELPDIR sit beside them.
bool IsLocaleNumber(const Text& name) {
    if (name.empty()) return false;
    for (char16_t unit : name)
        if (!((unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'f') || (unit >= u'A' && unit <= u'F')))
            return false;
    return true;
}

const char16_t* PlatformEntryName() { return sizeof(void*) == 8 ? u"win64" : u"win32"; }

bool UnregisterInterfaces() {
    ComPtr<ITypeLib> library = LoadModuleTypeLibrary();
    if (!library) return false;
    bool removed = true;
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        TYPEKIND kind;
        if (FAILED(library->GetTypeInfoType(index, &kind))) continue;
        if (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE) continue;
        ComPtr<ITypeInfo> info;
        if (FAILED(library->GetTypeInfo(index, info.Out()))) continue;
        TYPEATTR* attributes = nullptr;
        if (FAILED(info->GetTypeAttr(&attributes))) continue;
        const Text key = u"Interface\\" + GuidRegistryText(attributes->guid);
        info->ReleaseTypeAttr(attributes);
        removed = DeleteClassesRootTree(key) && removed;
    }
    return removed;
}

}  // namespace

bool RegisterModuleTypeLibrary() {
    ComPtr<ITypeLib> library = LoadModuleTypeLibrary();
    if (!library) return false;
    Text path = ModulePath();
    return SUCCEEDED(RegisterTypeLib(library.Get(), const_cast<wchar_t*>(W(path)), nullptr));
}

bool UnregisterModuleTypeLibrary(REFGUID library, WORD major, WORD minor) {
    const Text library_key = u"TypeLib\\" + GuidRegistryText(library);
    if (!ClassesRootKeyExists(library_key)) return true;

    bool removed = UnregisterInterfaces();
    const Text version_key =
        library_key + u"\\" + DecimalText(major) + u"." + DecimalText(minor);
    bool kept_for_16_bit = false;
    for (const Text& locale : SubkeyNames(version_key)) {
        const Text locale_key = version_key + u"\\" + locale;
        if (!ClassesRootKeyExists(locale_key + u"\\win16")) continue;
        kept_for_16_bit = true;
        removed = DeleteClassesRootTree(locale_key + u"\\" + PlatformEntryName()) && removed;
    }
    if (!kept_for_16_bit) return DeleteClassesRootTree(library_key) && removed;
    for (const Text& locale : SubkeyNames(version_key)) {
        const Text locale_key = version_key + u"\\" + locale;
        if (IsLocaleNumber(locale) && !ClassesRootKeyExists(locale_key + u"\\win16"))
            removed = DeleteClassesRootTree(locale_key) && removed;
    }
    return removed;
}

void RegisterClassCategory(REFCLSID clsid, REFGUID category, const Text& description) {
    ComPtr<ICatRegister> categories;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICatRegister, categories.OutVoid())))
        return;
    CATEGORYINFO info = {};
    info.catid = category;
    info.lcid = 1033;
    const Text cut = description.substr(0, 127);
    cut.copy(reinterpret_cast<char16_t*>(info.szDescription), cut.size());
    if (FAILED(categories->RegisterCategories(1, &info))) return;
    CATID implemented = category;
    categories->RegisterClassImplCategories(clsid, 1, &implemented);
}

}  // namespace corvela
