// OpenDownload: the batch into the cache folder, then each file handed to
// the application registered for its type. The applications here are a
// small program that records the command line it received.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <shlobj.h>

#include "corvela_h.h"
#include "shell/open_file.h"
#include "shell/registry_key.h"
#include "support.h"

namespace {

using test::Var;

void SetDefaultValue(const std::wstring& key, const std::wstring& value, DWORD type = REG_SZ) {
    ASSERT_TRUE(test::SetClassesDefaultValue(key, value, type));
}

void RegisterType(const std::wstring& extension, const std::wstring& command, DWORD type = REG_SZ) {
    ASSERT_TRUE(test::RegisterOpenCommand(extension, command, type));
}

std::wstring BuildDir() { return test::Env(L"CORVELA_BUILD_DIR"); }

struct OpenDownload : testing::Test {
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&control)),
                  S_OK);
        folder = test::NewScratchFolder(L"open");
        log = folder + L"\\launches.log";
        SetEnvironmentVariableW(L"CORVELA_LAUNCH_LOG", log.c_str());
        recorder = BuildDir() + L"\\record_command_line.exe";
        // A browser stand-in: the recorder saved under the browser's name.
        browser = folder + L"\\Browser\\IEXPLORE.EXE";
        CreateDirectoryW((folder + L"\\Browser").c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(recorder.c_str(), browser.c_str(), FALSE));
        test::ResetServer(test::DownloadPort());
    }
    void TearDown() override {
        if (control) control->Release();
    }
    void Queue(const std::wstring& name, const std::wstring& unique_id, int size = 16) {
        test::Call(control, L"AddDownloadUrlForCache",
                   {Var(test::DownloadUrl(L"/file/" + name + L"?size=" + std::to_wstring(size))), Var(unique_id),
                    Var(name), Var(size)});
    }
    int Open() { return test::Call(control, L"OpenDownload", {Var(folder + L"\\cache")}).Int(); }
    std::wstring Return(int index) { return test::Call(control, L"GetReturn", {Var(index)}).Text(); }
    // The command lines the recorder received, waiting for `count` of them.
    std::vector<std::wstring> Launches(size_t count) {
        std::vector<std::wstring> lines;
        test::PumpUntil(
            [&] {
                lines.clear();
                std::wstring text = test::Utf16(test::ReadFileBytes(log));
                size_t start = 0, end;
                while ((end = text.find(L'\n', start)) != std::wstring::npos) {
                    lines.push_back(text.substr(start, end - start));
                    start = end + 1;
                }
                return lines.size() >= count;
            },
            count == 0 ? 1500 : 10000);
        return lines;
    }

    IDispatch* control = nullptr;
    std::wstring folder, log, recorder, browser;
};

TEST_F(OpenDownload, ReturnsThePathsOfTheFilesObtainedAndAsksAboutThemNextTime) {
    RegisterType(L".cvq", L"\"" + recorder + L"\" \"%1\"");
    Queue(L"one.cvq", L"one.cvq");
    test::Call(control, L"AddDownloadUrlForCache",
               {Var(test::DownloadUrl(L"/status/404/two.cvq")), Var(L"two.cvq"), Var(L"two.cvq"), Var(16)});
    Queue(L"three.cvq", L"three.cvq");
    test::MessageBoxWatcher boxes;
    ASSERT_EQ(Open(), 2);
    const std::wstring cache = folder + L"\\cache\\";
    EXPECT_EQ(Return(0), cache + L"one.cvq");
    EXPECT_EQ(Return(1), cache + L"three.cvq");
    EXPECT_EQ(Return(2), L"");
    EXPECT_EQ(Launches(2).size(), 2u);

    // The queue stays; the next batch finds both files in the cache.
    boxes.Answer(L"is found", IDYES);
    ASSERT_EQ(Open(), 2);
    size_t questions = 0;
    for (const auto& seen : boxes.seen()) questions += seen.text.find(L"is found") != std::wstring::npos;
    EXPECT_EQ(questions, 2u);
    // Cached copies are not fetched again; the file that failed is tried again.
    EXPECT_EQ(test::ServerLog(test::DownloadPort()).size(), 4u);
}

TEST_F(OpenDownload, StartsTheBrowserWithTheRegisteredCommandAndThePath) {
    // Quoted, mixed case, a switch, no "%1": lower-cased command, a space and
    // the path in quotes.
    RegisterType(L".cvb", L"\"" + browser + L"\" -NoHome");
    // Ending in the browser's name and "%1": the path goes in place.
    std::wstring lower_browser = browser;
    RegisterType(L".cvc", lower_browser + L" %1");
    Queue(L"Page.cvb", L"Page.cvb");
    Queue(L"Other.cvc", L"Other.cvc");
    ASSERT_EQ(Open(), 2);
    std::vector<std::wstring> launches = Launches(2);
    ASSERT_EQ(launches.size(), 2u);
    std::sort(launches.begin(), launches.end());
    std::wstring lowered = browser;
    CharLowerW(&lowered[0]);
    const std::wstring cache = folder + L"\\cache\\";
    std::vector<std::wstring> expected = {L"\"" + lowered + L"\" -nohome \"" + cache + L"Page.cvb\"",
                                          lowered + L" " + cache + L"Other.cvc"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(launches, expected);
}

TEST_F(OpenDownload, LeavesOtherTypesToTheShellsOpenVerb) {
    // A command the registry reader refuses (not REG_SZ) still opens: the
    // shell performs its own "open" verb.
    RegisterType(L".cve", L"\"" + recorder + L"\" \"%1\"", REG_EXPAND_SZ);
    Queue(L"shell.cve", L"shell.cve");
    test::MessageBoxWatcher boxes;
    ASSERT_EQ(Open(), 1);
    const std::vector<std::wstring> launches = Launches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_NE(launches[0].find(L"shell.cve"), std::wstring::npos);
}

TEST_F(OpenDownload, NeverRunsAProgramItDownloaded) {
    RegisterType(L".cvq", L"\"" + recorder + L"\" \"%1\"");
    // Script types are registered to the recorder, so opening one would show.
    RegisterType(L".js", L"\"" + recorder + L"\" \"%1\"");
    RegisterType(L".hta", L"\"" + recorder + L"\" \"%1\"");
    Queue(L"tool.exe", L"tool.exe");
    Queue(L"script.js", L"script.js");
    Queue(L"page.hta", L"Page.HTA");
    Queue(L"safe.cvq", L"safe.cvq");
    test::MessageBoxWatcher boxes;
    ASSERT_EQ(Open(), 4) << "dangerous files are still downloaded and returned";
    Launches(1);
    test::PumpFor(1000);
    const std::vector<std::wstring> settled = Launches(1);
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_NE(settled[0].find(L"safe.cvq"), std::wstring::npos);
    EXPECT_TRUE(test::FileExists(Return(0)));
    EXPECT_TRUE(test::FileExists(Return(1)));
}

// A unique id is one plain file name: spellings the platform would resolve
// to another name ("setup.exe\\." is setup.exe) or another place fail as a
// failed download does, and nothing is written for them.
TEST_F(OpenDownload, AUniqueIdThatIsNotOnePlainNameFailsAndWritesNothing) {
    RegisterType(L".cvq", L"\"" + recorder + L"\" \"%1\"");
    for (const wchar_t* unique_id : {L"setup.exe\\.", L"setup.exe\\x\\..", L"..\\outside.exe", L"setup.exe ",
                                     L"nul.txt", L"a.txt:run.exe"})
        test::Call(control, L"AddDownloadUrlForCache",
                   {Var(test::DownloadUrl(L"/file/setup.exe?size=16")), Var(unique_id), Var(L"setup.exe"), Var(16)});
    Queue(L"fine.cvq", L"fine.cvq");
    test::MessageBoxWatcher boxes;
    ASSERT_EQ(Open(), 1);
    EXPECT_EQ(Return(0), folder + L"\\cache\\fine.cvq");
    EXPECT_FALSE(test::FileExists(folder + L"\\cache\\setup.exe"));
    EXPECT_FALSE(test::FileExists(folder + L"\\outside.exe"));
    EXPECT_EQ(test::ServerLog(test::DownloadPort()).size(), 1u) << "refused entries are never fetched";
    EXPECT_EQ(Launches(1).size(), 1u);
}

// A page names the cache folder, so it could name the Startup folder: a
// program put there would run at the next sign-in without being opened,
// however the page spells the folder.
TEST_F(OpenDownload, ProgramsAreNeverWrittenIntoTheStartupFolder) {
    wchar_t startup[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, startup, CSIDL_STARTUP, TRUE));
    RegisterType(L".cvq", L"\"" + recorder + L"\" \"%1\"");
    Queue(L"run.exe", L"corvela-run.exe");
    Queue(L"notes.cvq", L"corvela-notes.cvq");
    const std::wstring notes = std::wstring(startup) + L"\\corvela-notes.cvq";
    const std::wstring program = std::wstring(startup) + L"\\corvela-run.exe";
    test::MessageBoxWatcher boxes;
    for (const std::wstring& cache : {std::wstring(L"[7]"), L"\\\\?\\" + std::wstring(startup),
                                      L"\\\\.\\" + std::wstring(startup)}) {
        SCOPED_TRACE(test::Utf8(cache));
        ASSERT_EQ(test::Call(control, L"OpenDownload", {Var(cache)}).Int(), 1);
        EXPECT_NE(Return(0).find(L"corvela-notes.cvq"), std::wstring::npos) << "other types still go there";
        EXPECT_FALSE(test::FileExists(program));
        DeleteFileW(notes.c_str());
        DeleteFileW(program.c_str());
    }
}

TEST_F(OpenDownload, ACancelKeepsTheEarlierPathsAndOpensNothing) {
    RegisterType(L".cvq", L"\"" + recorder + L"\" \"%1\"");
    Queue(L"first.cvq", L"first.cvq");
    ASSERT_EQ(Open(), 1);
    ASSERT_EQ(Launches(1).size(), 1u);
    const std::wstring earlier = Return(0);

    // The next batch reuses the first file, fetches a quick one and is
    // closed while a slow one arrives.
    Queue(L"quick.cvq", L"quick.cvq");
    test::Call(control, L"AddDownloadUrlForCache",
               {Var(test::DownloadUrl(L"/slow/slow.cvq?size=3000000&rate=300000")), Var(L"slow.cvq"),
                Var(L"slow.cvq"), Var(3000000)});
    test::MessageBoxWatcher boxes;
    boxes.Answer(L"is found", IDYES);
    test::DialogWatcher watcher([](HWND dialog, const test::DialogWatcher::Sample& sample) {
        if (sample.name != L"slow.cvq") return false;
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    });
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(Return(0), earlier);
    EXPECT_EQ(Return(1), L"");
    test::PumpFor(800);
    EXPECT_EQ(Launches(1).size(), 1u) << "the quick file that finished is not opened";
    EXPECT_TRUE(test::FileExists(folder + L"\\cache\\quick.cvq"));
}

TEST(RegistryKey, ReadsPathsWithAnySpellingOfTheRootAndNeverRunsPastItsBuffer) {
    SetDefaultValue(L".cvr", L"corvelacvrfile");
    corvela::CRegistryKey registry;
    corvela::Text value;
    EXPECT_TRUE(registry.QueryString(u"hkcr\\.cvr", u"", &value));
    EXPECT_EQ(value, u"corvelacvrfile");
    value.clear();
    EXPECT_TRUE(registry.QueryString(u"\\\\HKEY_CLASSES_ROOT\\.cvr\\\\", u"", &value));
    EXPECT_EQ(value, u"corvelacvrfile");
    EXPECT_FALSE(registry.QueryString(u"HKEY_NOWHERE\\.cvr", u"", &value));
    EXPECT_FALSE(registry.QueryString(u"HKCR\\.cvr\\\\missing", u"", &value));

    // The root alone names the root, which is never closed.
    HKEY key = nullptr;
    EXPECT_TRUE(registry.OpenKey(HKEY_CLASSES_ROOT, u"", &key, KEY_READ));
    EXPECT_EQ(key, HKEY_CLASSES_ROOT);
    EXPECT_TRUE(corvela::CRegistryKey::IsRootKey(key, u""));
    EXPECT_TRUE(registry.CloseKey(key, u""));
    HKEY still_open = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L".cvr", 0, KEY_READ, &still_open), ERROR_SUCCESS);
    RegCloseKey(still_open);

    // A value longer than the buffer is a failed lookup, not a cut one; a
    // value of another type fails too.
    SetDefaultValue(L".cvl", std::wstring(1100, L'x'));
    EXPECT_FALSE(registry.QueryString(u"HKCR\\.cvl", u"", &value));
    SetDefaultValue(L".cvm", std::wstring(1023, L'y'));
    EXPECT_TRUE(registry.QueryString(u"HKCR\\.cvm", u"", &value));
    EXPECT_EQ(value.size(), 1023u);
    SetDefaultValue(L".cvn", std::wstring(1024, L'z'));
    EXPECT_FALSE(registry.QueryString(u"HKCR\\.cvn", u"", &value));
    // A value stored without its terminator still reads whole and ends there.
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L".cvu", 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(raw, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abcdef"), 3 * sizeof(wchar_t));
    RegCloseKey(raw);
    EXPECT_TRUE(registry.QueryString(u"HKCR\\.cvu", u"", &value));
    EXPECT_EQ(value, u"abc");
    SetDefaultValue(L".cvx", L"%SystemRoot%", REG_EXPAND_SZ);
    EXPECT_FALSE(registry.QueryString(u"HKCR\\.cvx", u"", &value));
}

TEST(OpenCommand, IsReadFromTheTypesClass) {
    SetDefaultValue(L".cvo", L"corvelacvofile");
    SetDefaultValue(L"corvelacvofile\\shell\\open\\command", L"viewer.exe \"%1\"");
    EXPECT_EQ(corvela::GetOpenCommand(u"C:\\x\\file.cvo"), u"viewer.exe \"%1\"");
    EXPECT_EQ(corvela::GetOpenCommand(u"C:\\x\\file.unregistered"), u"");
    EXPECT_EQ(corvela::GetOpenCommand(u"C:\\x\\noextension"), u"");
}

}  // namespace
