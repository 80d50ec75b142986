// The site lock under Wine: the administrator's policy in the registry and
// the page's URL as the container tells it. Pages the policy names, and
// pages judged by their zone, are tested through the page host (tests/host).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objsafe.h>
#include <shellapi.h>

#include <string>

#include "common/wide.h"
#include "corvela_h.h"
#include "framework/drop_files.h"
#include "support.h"

namespace {

using test::Var;

constexpr DISPID ATTACH_ADD_FILE = 3;
constexpr DWORD BOTH_SAFETY_OPTIONS = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
const wchar_t POLICY_KEY[] = L"SOFTWARE\\Policies\\Corvela";

// The policy value for the length of a test; the key goes with it.
class Policy {
public:
    Policy(DWORD type, const std::wstring& data) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, POLICY_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegSetValueExW(key, L"AllowedSites", 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    ~Policy() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, POLICY_KEY);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, POLICY_KEY);
    }
};

// A REG_MULTI_SZ of one line: the line, its terminator and the empty line
// that ends the list.
std::wstring Lines(const std::wstring& line) { return line + std::wstring(1, L'\0'); }

HRESULT MakeSafe(IUnknown* control) {
    IObjectSafety* safety = nullptr;
    if (FAILED(control->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)))) return E_NOINTERFACE;
    const HRESULT made = safety->SetInterfaceSafetyOptions(IID_IDispatch, BOTH_SAFETY_OPTIONS, BOTH_SAFETY_OPTIONS);
    safety->Release();
    return made;
}

struct SiteLock : testing::Test {
    void SetUp() override {
        recorder = new test::EventRecorder(DIID__DCorvelaEvents);
        ASSERT_EQ(container.Host(CLSID_Corvela, 300, 100,
                                 [&](IUnknown* object) { ASSERT_TRUE(recorder->Connect(object)); }),
                  S_OK);
        control = container.Control();
        folder = test::NewScratchFolder(L"locked");
        file = folder + L"\\report.txt";
        ASSERT_TRUE(test::WriteFileBytes(file, "0123456789"));
        test::ResetServer(test::UploadPort());
    }
    // Queues the file, inserts it as an entry and sends it; the count the
    // start command returned.
    int TryEverything() {
        test::Call(control, L"InsertFileList", {Var(L"report.txt"), Var(file), Var(L""), Var(L""), Var(L"10")});
        test::Call(control, L"AddUploadFile", {Var(file), Var(L"")});
        return test::Call(control, L"StartUpload",
                          {Var(test::UploadUrl(L"/ok/u.asp")), Var(L"in"), Var(L""), Var(L""), Var(L"")})
            .Int();
    }
    void TearDown() override {
        recorder->Disconnect();
        recorder->Release();
    }
    HWND List() { return GetDlgItem(container.ControlWindow(), 1); }
    size_t Entries() { return ListView_GetItemCount(List()); }

    test::EventRecorder* recorder = nullptr;
    test::MessageBoxWatcher boxes;
    test::TestContainer container;
    IDispatch* control = nullptr;
    std::wstring folder, file;
};

// This container tells no page address: a desktop program, not a web page,
// which keeps the control without a policy. Pages whose address the zone
// manager places are tested through the page host (tests/host).
TEST_F(SiteLock, WithoutAPolicyAContainerThatTellsNoPageMayScriptTheControl) {
    EXPECT_EQ(MakeSafe(control), S_OK);
    IObjectSafety* safety = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistPropertyBag, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, BOTH_SAFETY_OPTIONS);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IOleObject, &supported, &enabled), E_NOINTERFACE);
    safety->Release();
    EXPECT_EQ(TryEverything(), 1);
    EXPECT_EQ(Entries(), 1u);
}

// This container tells no URL: an unknown page, which a policy locks. What
// the page queued before the policy came is not sent or fetched either.
TEST_F(SiteLock, APageThePolicyDoesNotNameCanNeitherTouchNorSendLocalFiles) {
    test::Call(control, L"AddUploadFile", {Var(file), Var(L"")});
    test::Call(control, L"AddDownloadUrlForCache", {Var(test::DownloadUrl(L"/file/q?size=3")), Var(L"q"), Var(L"q"), Var(3)});
    test::ResetServer(test::DownloadPort());
    const Policy policy(REG_MULTI_SZ, Lines(L"https://intranet.example.com"));
    EXPECT_EQ(MakeSafe(control), E_FAIL);
    EXPECT_EQ(TryEverything(), 0);
    EXPECT_EQ(test::Call(control, L"OpenDownload", {Var(folder + L"\\cache")}).Int(), 0);
    EXPECT_EQ(test::ServerLog(test::UploadPort()).size(), 0u) << "nothing sent";
    EXPECT_EQ(test::ServerLog(test::DownloadPort()).size(), 0u) << "nothing fetched";
    EXPECT_EQ(Entries(), 0u) << "nothing inserted";
    // A file dropped from the desktop: the page hears nothing of it (the
    // list window releases the block whatever it makes of the drop).
    const corvela::TextList dropped = {corvela::FromW(file.c_str(), file.size())};
    SendMessageW(List(), WM_DROPFILES, reinterpret_cast<WPARAM>(corvela::NewDropFiles(dropped, POINT{10, 10})), 0);
    EXPECT_EQ(recorder->Count(ATTACH_ADD_FILE), 0u);
    EXPECT_EQ(boxes.seen().size(), 0u);
    EXPECT_EQ(test::Get(control, L"GetReturnSize", {Var(file)}).Text(), L"-1");
    test::Call(control, L"AddDownloadUrlForCache", {Var(test::DownloadUrl(L"/file/a?size=3")), Var(L"a"), Var(L"a"), Var(3)});
    EXPECT_EQ(test::Call(control, L"OpenDownload", {Var(folder + L"\\cache")}).Int(), 0);
    EXPECT_EQ(test::Call(control, L"GetFolderPath").Text(), L"");

    // What only reads the control's own state still answers.
    EXPECT_EQ(test::Call(control, L"ChangeSpecialChar", {Var(L"a:b")}).Text(), L"a_b");
    test::Put(control, L"nType", Var(7));
    EXPECT_EQ(test::Get(control, L"nType").Int(), 7);
    EXPECT_EQ(test::Get(control, L"FileListAll").Text(), L"");
}

TEST_F(SiteLock, APolicyThatCannotBeReadLocksEveryPage) {
    const Policy policy(REG_SZ, L"https://intranet.example.com");
    EXPECT_EQ(MakeSafe(control), E_FAIL);
    EXPECT_EQ(TryEverything(), 0);
}

}  // namespace
