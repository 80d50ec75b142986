#include "framework/registration.h"

#include <comcat.h>
#include <oleauto.h>

#include <vector>

#include "common/constants.h"
#include "common/wide.h"
#include "framework/com_ptr.h"
#include "framework/handles.h"
#include "framework/resources.h"

namespace corvela {
namespace {

constexpr wchar_t kUserClassesKey[] = L"Software\\Classes";

// The platform's proxies for automation interfaces: the one for interfaces
// with a virtual table (dual or oleautomation) and the one for pure
// dispatch interfaces.
constexpr char16_t kAutomationInterfaceProxy[] = u"{00020424-0000-0000-C000-000000000046}";
constexpr char16_t kDispatchInterfaceProxy[] = u"{00020420-0000-0000-C000-000000000046}";

HKEY OpenUserClasses() {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kUserClassesKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return raw;
}

Text SubkeyName(HKEY key, DWORD index) {
    wchar_t name[256] = {};
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return Text();
    return FromW(name, length);
}

}  // namespace

ClassesRoot::ClassesRoot(RegistrationScope scope)
    : scope_(scope), user_classes_(scope == RegistrationScope::User ? OpenUserClasses() : nullptr) {}

HKEY ClassesRoot::Get() const {
    return scope_ == RegistrationScope::Machine ? HKEY_CLASSES_ROOT : user_classes_.Get();
}

RegKey ClassesRoot::Create(const Text& key) const {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(Get(), W(key), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return RegKey();
    return RegKey(raw);
}

bool ClassesRoot::WriteString(const Text& key, const Text& value_name, const Text& data) const {
    const RegKey opened = Create(key);
    if (!opened) return false;
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(opened.Get(), value_name.empty() ? nullptr : W(value_name), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(W(data)), bytes) == ERROR_SUCCESS;
}

bool ClassesRoot::CreateKey(const Text& key) const { return Create(key).IsValid(); }

bool ClassesRoot::KeyExists(const Text& key) const {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(Get(), W(key), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    RegKey opened(raw);
    return true;
}

bool ClassesRoot::DeleteTree(const Text& key) const {
    const LSTATUS status = RegDeleteTreeW(Get(), W(key));
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    // RegDeleteTree empties the key; the key itself goes separately.
    const LSTATUS removed = RegDeleteKeyW(Get(), W(key));
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

TextList ClassesRoot::SubkeyNames(const Text& key) const {
    TextList names;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(Get(), W(key), 0, KEY_READ, &raw) != ERROR_SUCCESS) return names;
    RegKey opened(raw);
    for (DWORD index = 0;; ++index) {
        Text name = SubkeyName(opened.Get(), index);
        if (name.empty()) break;
        names.push_back(name);
    }
    return names;
}

Text GuidRegistryText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return FromW(text);
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

// Locale keys are hexadecimal numbers; FLAGS and HELPDIR sit beside them.
bool IsLocaleNumber(const Text& name) {
    if (name.empty()) return false;
    for (char16_t unit : name)
        if (!((unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'f') || (unit >= u'A' && unit <= u'F')))
            return false;
    return true;
}

const char16_t* PlatformEntryName() { return sizeof(void*) == 8 ? u"win64" : u"win32"; }

// An interface the library describes, as its registration sees it.
struct LibraryInterface {
    Text key;  // Interface\{iid}
    Text name;
    // Registered with the library: dispatch interfaces and interfaces
    // marked for automation; other interfaces are only removed.
    bool automation;
    const char16_t* proxy;
};

// The interface at `index`; false for other kinds of type.
bool ReadInterface(ITypeLib* library, UINT index, LibraryInterface& entry) {
    TYPEKIND kind;
    if (FAILED(library->GetTypeInfoType(index, &kind))) return false;
    if (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE) return false;
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfo(index, info.Out()))) return false;
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return false;
    const WORD flags = attributes->wTypeFlags;
    entry.key = u"Interface\\" + GuidRegistryText(attributes->guid);
    info->ReleaseTypeAttr(attributes);

    Bstr name;
    library->GetDocumentation(index, name.Out(), nullptr, nullptr, nullptr);
    entry.name = FromBstr(name.Get());
    entry.automation = kind == TKIND_DISPATCH || (flags & TYPEFLAG_FOLEAUTOMATION);
    entry.proxy = (kind == TKIND_INTERFACE || (flags & TYPEFLAG_FDUAL)) ? kAutomationInterfaceProxy
                                                                         : kDispatchInterfaceProxy;
    return true;
}

std::vector<LibraryInterface> LibraryInterfaces(ITypeLib* library) {
    std::vector<LibraryInterface> interfaces;
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        LibraryInterface entry;
        if (ReadInterface(library, index, entry)) interfaces.push_back(entry);
    }
    return interfaces;
}

// The library's help string, or its name when it has none.
Text LibraryTitle(ITypeLib* library) {
    Bstr name, help;
    if (FAILED(library->GetDocumentation(-1, name.Out(), help.Out(), nullptr, nullptr))) return Text();
    return FromBstr(help ? help.Get() : name.Get());
}

Text VersionKeyName(WORD major, WORD minor) { return HexText(major) + u"." + HexText(minor); }

Text FolderOf(Text path) {
    AfterLast(path, u'\\');
    return path;
}

bool WriteInterfaceKeys(const ClassesRoot& root, const LibraryInterface& entry, const Text& library_guid,
                        const Text& version) {
    return root.WriteString(entry.key, u"", entry.name) &&
           root.WriteString(entry.key + u"\\ProxyStubClsid", u"", entry.proxy) &&
           root.WriteString(entry.key + u"\\ProxyStubClsid32", u"", entry.proxy) &&
           root.WriteString(entry.key + u"\\TypeLib", u"", library_guid) &&
           root.WriteString(entry.key + u"\\TypeLib", u"Version", version);
}

bool WriteTypeLibraryKeys(const ClassesRoot& root, ITypeLib* library, const Text& path) {
    TLIBATTR* attributes = nullptr;
    if (FAILED(library->GetLibAttr(&attributes))) return false;
    const TLIBATTR described = *attributes;
    library->ReleaseTLibAttr(attributes);

    const Text library_guid = GuidRegistryText(described.guid);
    const Text version = VersionKeyName(described.wMajorVerNum, described.wMinorVerNum);
    const Text key = u"TypeLib\\" + library_guid + u"\\" + version;
    bool written = root.WriteString(key, u"", LibraryTitle(library)) &&
                   root.WriteString(key + u"\\" + HexText(described.lcid) + u"\\" + PlatformEntryName(), u"", path) &&
                   root.WriteString(key + u"\\FLAGS", u"", DecimalText(described.wLibFlags)) &&
                   root.WriteString(key + u"\\HELPDIR", u"", FolderOf(path));
    for (const LibraryInterface& entry : LibraryInterfaces(library))
        if (entry.automation) written = written && WriteInterfaceKeys(root, entry, library_guid, version);
    return written;
}

bool UnregisterInterfaces(const ClassesRoot& root) {
    ComPtr<ITypeLib> library = LoadModuleTypeLibrary();
    if (!library) return false;
    bool removed = true;
    for (const LibraryInterface& entry : LibraryInterfaces(library.Get()))
        removed = root.DeleteTree(entry.key) && removed;
    return removed;
}

void RegisterWithCategoryManager(REFCLSID clsid, REFGUID category, const Text& description) {
    ComPtr<ICatRegister> categories;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICatRegister, categories.OutVoid())))
        return;
    CATEGORYINFO info = {};
    info.catid = category;
    info.lcid = LANGUAGE_ENGLISH;
    description.copy(reinterpret_cast<char16_t*>(info.szDescription), description.size());
    if (FAILED(categories->RegisterCategories(1, &info))) return;
    CATID implemented = category;
    categories->RegisterClassImplCategories(clsid, 1, &implemented);
}

}  // namespace

bool RegisterModuleTypeLibrary(const ClassesRoot& root) {
    ComPtr<ITypeLib> library = LoadModuleTypeLibrary();
    if (!library) return false;
    Text path = ModulePath();
    if (root.scope() == RegistrationScope::User) return WriteTypeLibraryKeys(root, library.Get(), path);
    return SUCCEEDED(RegisterTypeLib(library.Get(), const_cast<wchar_t*>(W(path)), nullptr));
}

bool UnregisterModuleTypeLibrary(const ClassesRoot& root, REFGUID library, WORD major, WORD minor) {
    const Text library_key = u"TypeLib\\" + GuidRegistryText(library);
    if (!root.KeyExists(library_key)) return true;

    bool removed = UnregisterInterfaces(root);
    const Text version_key = library_key + u"\\" + VersionKeyName(major, minor);
    bool kept_for_16_bit = false;
    for (const Text& locale : root.SubkeyNames(version_key)) {
        const Text locale_key = version_key + u"\\" + locale;
        if (!root.KeyExists(locale_key + u"\\win16")) continue;
        kept_for_16_bit = true;
        removed = root.DeleteTree(locale_key + u"\\" + PlatformEntryName()) && removed;
    }
    if (!kept_for_16_bit) return root.DeleteTree(library_key) && removed;
    for (const Text& locale : root.SubkeyNames(version_key)) {
        const Text locale_key = version_key + u"\\" + locale;
        if (IsLocaleNumber(locale) && !root.KeyExists(locale_key + u"\\win16"))
            removed = root.DeleteTree(locale_key) && removed;
    }
    return removed;
}

void RegisterClassCategory(const ClassesRoot& root, REFCLSID clsid, REFGUID category, const Text& description) {
    const Text cut = description.substr(0, 127);
    if (root.scope() == RegistrationScope::Machine) {
        RegisterWithCategoryManager(clsid, category, cut);
        return;
    }
    const Text category_text = GuidRegistryText(category);
    if (!root.WriteString(u"Component Categories\\" + category_text, HexText(LANGUAGE_ENGLISH), cut)) return;
    root.CreateKey(u"CLSID\\" + GuidRegistryText(clsid) + u"\\Implemented Categories\\" + category_text);
}

}  // namespace corvela
