// Self-registration through the platform's own regsvr32, for the machine and
// for the current user, read back from the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <comcat.h>

#include <map>

#include "corvela_h.h"
#include "control/guids.h"
#include "support.h"

namespace {

const wchar_t kControlKey[] = L"CLSID\\{22C0BDC4-1418-4D8A-BCEE-049597103EF0}";
const wchar_t kPageKey[] = L"CLSID\\{EFD14063-0961-4B3C-A547-3EA9E78FA9F3}";
const wchar_t kLibraryKey[] = L"TypeLib\\{8CC50065-96C8-4751-A991-C5026DB72DA7}";
const wchar_t kScripting[] = L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const wchar_t kInitializing[] = L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

DWORD RunRegsvr32(const std::wstring& arguments) {
    std::wstring command = L"regsvr32.exe /s " + arguments + L" \"" + test::OcxPath() + L"\"";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

bool KeyExists(const std::wstring& key, HKEY root = HKEY_CLASSES_ROOT) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

// The value's text, or "<absent>" / "<type N>" when it is missing or no string.
std::wstring Value(const std::wstring& key, const wchar_t* name = nullptr, HKEY root = HKEY_CLASSES_ROOT) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data), type = 0;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS)
        return L"<absent>";
    if (type != REG_SZ) return L"<type " + std::to_wstring(type) + L">";
    return data;
}

void CreateKey(const std::wstring& key) {
    HKEY created = nullptr;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr);
    RegCloseKey(created);
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ShortOcxPath() {
    wchar_t path[MAX_PATH * 2] = {};
    GetShortPathNameW(test::OcxPath().c_str(), path, MAX_PATH * 2);
    return path;
}

class Registration : public testing::Test {
protected:
    // Every test leaves the module registered for the rest of the suite.
    void TearDown() override { EXPECT_EQ(RunRegsvr32(L""), 0u); }
};

TEST_F(Registration, WritesEveryEntryOfTheControlAndThePage) {
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    const std::wstring control = kControlKey;
    const std::wstring path = ShortOcxPath();
    EXPECT_EQ(Value(control), L"Corvela Control");
    EXPECT_EQ(Value(control + L"\\ProgID"), L"CORVELA.CorvelaCtrl.1");
    EXPECT_EQ(Value(control + L"\\InprocServer32"), path);
    EXPECT_EQ(Value(control + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Value(control + L"\\ToolboxBitmap32"), path + L", 1");
    EXPECT_EQ(Value(control + L"\\MiscStatus"), L"0");
    EXPECT_EQ(Value(control + L"\\MiscStatus\\1"), L"131473");
    EXPECT_EQ(Value(control + L"\\Control"), L"");
    EXPECT_EQ(Value(control + L"\\TypeLib"), L"{8CC50065-96C8-4751-A991-C5026DB72DA7}");
    EXPECT_EQ(Value(control + L"\\Version"), L"1.0");
    EXPECT_EQ(Value(L"CORVELA.CorvelaCtrl.1"), L"Corvela Control");
    EXPECT_EQ(Value(L"CORVELA.CorvelaCtrl.1\\CLSID"), L"{22C0BDC4-1418-4D8A-BCEE-049597103EF0}");
    EXPECT_FALSE(KeyExists(control + L"\\Insertable"));

    const std::wstring page = kPageKey;
    EXPECT_EQ(Value(page), L"Corvela Property Page");
    EXPECT_EQ(Value(page + L"\\InprocServer32"), path);
    EXPECT_EQ(Value(page + L"\\InprocServer32", L"ThreadingModel"), L"<absent>");

    EXPECT_TRUE(KeyExists(std::wstring(kLibraryKey) + L"\\1.0"));
    CLSID clsid = {};
    EXPECT_EQ(CLSIDFromProgID(L"CORVELA.CorvelaCtrl.1", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Corvela));
}

TEST_F(Registration, MarksTheControlSafeForScriptingAndInitialisation) {
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    const std::wstring implemented = std::wstring(kControlKey) + L"\\Implemented Categories\\";
    EXPECT_TRUE(KeyExists(implemented + kScripting));
    EXPECT_TRUE(KeyExists(implemented + kInitializing));
    EXPECT_EQ(Value(std::wstring(L"Component Categories\\") + kScripting, L"409"),
              L"Controls that are safely scriptable");
    EXPECT_EQ(Value(std::wstring(L"Component Categories\\") + kInitializing, L"409"),
              L"Controls safely initializable from persistent data");

    // The same answer through the platform's category manager.
    ICatInformation* categories = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatInformation,
                               reinterpret_cast<void**>(&categories)),
              S_OK);
    CATID wanted[2] = {corvela::CATID_SafeForScriptingCategory, corvela::CATID_SafeForInitializingCategory};
    CATID none[1] = {};
    EXPECT_EQ(categories->IsClassOfCategories(CLSID_Corvela, 2, wanted, 0, none), S_OK);
    categories->Release();
}

TEST_F(Registration, RegisteringTwiceLeavesTheSameEntries) {
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    const std::wstring first = Value(std::wstring(kControlKey) + L"\\InprocServer32");
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    EXPECT_EQ(Value(std::wstring(kControlKey) + L"\\InprocServer32"), first);
    EXPECT_EQ(Value(std::wstring(kControlKey) + L"\\MiscStatus\\1"), L"131473");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kControlKey) + L"\\InprocServer32").c_str(), 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    EXPECT_EQ(values, 2u);
}

TEST_F(Registration, UnregisteringRemovesTheEntriesButNotTheCategories) {
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    ASSERT_EQ(RunRegsvr32(L"/u"), 0u);
    EXPECT_FALSE(KeyExists(kControlKey));
    EXPECT_FALSE(KeyExists(kPageKey));
    EXPECT_FALSE(KeyExists(L"CORVELA.CorvelaCtrl.1"));
    EXPECT_FALSE(KeyExists(kLibraryKey));
    EXPECT_FALSE(KeyExists(L"Interface\\{68B04726-33A0-4366-87A7-167090092776}"));
    EXPECT_TRUE(KeyExists(std::wstring(L"Component Categories\\") + kScripting));
    EXPECT_TRUE(KeyExists(std::wstring(L"Component Categories\\") + kInitializing));

    // Absent keys count as removed.
    EXPECT_EQ(RunRegsvr32(L"/u"), 0u);
}

TEST_F(Registration, KeepsEntriesThatA16BitServerShares) {
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    const std::wstring control = kControlKey;
    CreateKey(control + L"\\InprocServer");
    const std::wstring version = std::wstring(kLibraryKey) + L"\\1.0";
    CreateKey(version + L"\\0\\win16");

    ASSERT_EQ(RunRegsvr32(L"/u"), 0u);
    EXPECT_TRUE(KeyExists(control));
    EXPECT_TRUE(KeyExists(control + L"\\InprocServer"));
    EXPECT_TRUE(KeyExists(control + L"\\ProgID"));
    EXPECT_FALSE(KeyExists(control + L"\\InprocServer32"));
    EXPECT_FALSE(KeyExists(control + L"\\ToolboxBitmap32"));
    EXPECT_TRUE(KeyExists(version + L"\\0\\win16"));
    EXPECT_FALSE(KeyExists(version + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32")));

    RegDeleteTreeW(HKEY_CLASSES_ROOT, control.c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, control.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kLibraryKey);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, kLibraryKey);
}

// ---- registration for the current user (regsvr32 /n /i:user) ----

// The keys a registration owns, below a classes root.
std::vector<std::wstring> RegisteredTrees() {
    return {kControlKey, kPageKey, L"CORVELA.CorvelaCtrl.1", kLibraryKey,
            L"Interface\\" + GuidText(DIID__DCorvela), L"Interface\\" + GuidText(DIID__DCorvelaEvents)};
}

// Every value of a tree as "subkey|name" -> data (strings only).
void CollectValues(HKEY key, const std::wstring& path, std::map<std::wstring, std::wstring>& values) {
    wchar_t name[256];
    wchar_t data[1024];
    for (DWORD index = 0;; ++index) {
        DWORD name_length = 256, size = sizeof(data), type = 0;
        if (RegEnumValueW(key, index, name, &name_length, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS)
            break;
        values[path + L"|" + name] = type == REG_SZ ? data : L"<type " + std::to_wstring(type) + L">";
    }
    for (DWORD index = 0;; ++index) {
        DWORD name_length = 256;
        if (RegEnumKeyExW(key, index, name, &name_length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        values[path + L"\\" + name] = L"<key>";
        CollectValues(child, path + L"\\" + name, values);
        RegCloseKey(child);
    }
}

// What a registration left below a classes root: its trees and the
// descriptions of the two categories.
std::map<std::wstring, std::wstring> Registered(HKEY root) {
    std::map<std::wstring, std::wstring> values;
    for (const std::wstring& tree : RegisteredTrees()) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, tree.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        values[tree] = L"<key>";
        CollectValues(key, tree, values);
        RegCloseKey(key);
    }
    for (const wchar_t* category : {kScripting, kInitializing}) {
        const std::wstring key = std::wstring(L"Component Categories\\") + category;
        values[key + L"|409"] = Value(key, L"409", root);
    }
    return values;
}

class UserClasses {
public:
    UserClasses() { RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &key_); }
    ~UserClasses() { if (key_) RegCloseKey(key_); }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool AnyTreeBelow(HKEY root) {
    for (const std::wstring& tree : RegisteredTrees())
        if (KeyExists(tree, root)) return true;
    return false;
}

bool AnyTreeInTheMachinesClasses() {
    HKEY machine = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_READ, &machine) != ERROR_SUCCESS) return true;
    const bool any = AnyTreeBelow(machine);
    RegCloseKey(machine);
    return any;
}

class UserRegistration : public Registration {
protected:
    void SetUp() override { ASSERT_EQ(RunRegsvr32(L"/u"), 0u); }
    void TearDown() override {
        RunRegsvr32(L"/u /n /i:user");
        Registration::TearDown();
    }
};

TEST_F(UserRegistration, WritesTheMachinesEntriesBelowTheUsersClassesOnly) {
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    const auto machine = Registered(HKEY_CLASSES_ROOT);
    ASSERT_EQ(RunRegsvr32(L"/u"), 0u);

    ASSERT_EQ(RunRegsvr32(L"/n /i:user"), 0u);
    UserClasses user;
    ASSERT_NE(user.get(), nullptr);
    EXPECT_EQ(Registered(user.get()), machine);
    EXPECT_FALSE(AnyTreeInTheMachinesClasses());
}

// Windows finds a class registered for the user by its ProgID, the ProgID's
// class id and that class's in-process server, all below the user's
// classes. Wine's COM looks only at the machine's classes, so this follows
// the same entries itself and drives the control it reaches.
TEST_F(UserRegistration, TheUsersEntriesLeadToAWorkingControl) {
    ASSERT_EQ(RunRegsvr32(L"/n /i:user"), 0u);
    UserClasses user;
    CLSID by_prog_id = {};
    EXPECT_EQ(CLSIDFromProgID(L"CORVELA.CorvelaCtrl.1", &by_prog_id) == S_OK, test::Expected(true, false))
        << "whether COM sees the user's classes";
    CLSID clsid = {};
    ASSERT_EQ(CLSIDFromString(Value(L"CORVELA.CorvelaCtrl.1\\CLSID", nullptr, user.get()).c_str(), &clsid), S_OK);
    const std::wstring server = Value(L"CLSID\\" + GuidText(clsid) + L"\\InprocServer32", nullptr, user.get());
    HMODULE module = LoadLibraryW(server.c_str());
    ASSERT_NE(module, nullptr) << test::Utf8(server);
    auto get_class_object =
        reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(GetProcAddress(module, "DllGetClassObject"));
    ASSERT_NE(get_class_object, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(get_class_object(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IDispatch* control = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&control)), S_OK);
    factory->Release();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(test::Put(control, L"nType", test::Var(12)), S_OK);
    EXPECT_EQ(test::Get(control, L"nType").Int(), 12);
    control->Release();
    FreeLibrary(module);
}

TEST_F(UserRegistration, RemovalRemovesTheEntriesAndMaySafelyBeRepeated) {
    ASSERT_EQ(RunRegsvr32(L"/n /i:User"), 0u);
    UserClasses user;
    ASSERT_TRUE(AnyTreeBelow(user.get()));
    EXPECT_EQ(RunRegsvr32(L"/u /n /i:user"), 0u);
    EXPECT_FALSE(AnyTreeBelow(user.get()));
    EXPECT_EQ(RunRegsvr32(L"/u /n /i:USER"), 0u);
}

TEST_F(UserRegistration, AnyOtherCommandIsRefusedAndWritesNothing) {
    HMODULE module = LoadLibraryW(test::OcxPath().c_str());
    ASSERT_NE(module, nullptr);
    auto install = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>(GetProcAddress(module, "DllInstall"));
    ASSERT_NE(install, nullptr);
    for (const wchar_t* command : {static_cast<const wchar_t*>(nullptr), L"", L"machine", L"users", L"user "}) {
        for (BOOL installing : {TRUE, FALSE})
            EXPECT_EQ(install(installing, command), E_INVALIDARG) << (command ? test::Utf8(command) : "null");
    }
    UserClasses user;
    EXPECT_FALSE(AnyTreeBelow(user.get()));
    EXPECT_FALSE(KeyExists(kControlKey));
    FreeLibrary(module);
}

}  // namespace
