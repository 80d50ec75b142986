// Self-registration through the platform's own regsvr32, read back from the
// registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <comcat.h>

#include "corvela_h.h"
#include "module/guids.h"
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

bool KeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

// The value's text, or "<absent>" / "<type N>" when it is missing or no string.
std::wstring Value(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data), type = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) !=
        ERROR_SUCCESS)
        return L"<absent>";
    if (type != REG_SZ) return L"<type " + std::to_wstring(type) + L">";
    return data;
}

void CreateKey(const std::wstring& key) {
    HKEY created = nullptr;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr);
    RegCloseKey(created);
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

}  // namespace
