// OpenDownload: the batch into the cache folder, then each file handed to
// the application registered for its type. The applications here are a
// small program that records the command line it received.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

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

// The user's documents moved to `folder` for the life of the object: under
// Wine they are the host's home folder, where a test writes nothing.
class DocumentsFolder {
public:
    explicit DocumentsFolder(std::wstring folder) : path(std::move(folder)) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                        0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
        wchar_t old[MAX_PATH] = {};
        DWORD bytes = sizeof(old);
        had_value_ = RegQueryValueExW(key_, L"Personal", nullptr, &old_type_, reinterpret_cast<BYTE*>(old), &bytes) ==
                     ERROR_SUCCESS;
        old_ = old;
        Set(path, REG_SZ);
    }
    ~DocumentsFolder() {
        if (had_value_)
            Set(old_, old_type_);
        else
            RegDeleteValueW(key_, L"Personal");
        RegCloseKey(key_);
    }
    const std::wstring path;

private:
    void Set(const std::wstring& value, DWORD type) {
        RegSetValueExW(key_, L"Personal", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    HKEY key_ = nullptr;
    bool had_value_ = false;
    DWORD old_type_ = REG_SZ;
    std::wstring old_;
};

// The process's current folder for the life of the object.
struct CurrentDirectory {
    explicit CurrentDirectory(const std::wstring& folder) {
        GetCurrentDirectoryW(MAX_PATH, old);
        SetCurrentDirectoryW(folder.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryW(old); }
    wchar_t old[MAX_PATH] = {};
};

struct OpenDownload : testing::Test {
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&control)),
                  S_OK);
        // On the system's drive: a cache on Wine's drive of the host's root
        // takes no program.
        folder = test::NewSystemDriveFolder(L"open");
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
    // The program comes last: a folder that holds a program takes no other
    // file that could run code.
    Queue(L"script.js", L"script.js");
    Queue(L"page.hta", L"Page.HTA");
    Queue(L"safe.cvq", L"safe.cvq");
    Queue(L"tool.exe", L"tool.exe");
    test::MessageBoxWatcher boxes;
    ASSERT_EQ(Open(), 4) << "dangerous files are still downloaded and returned";
    Launches(1);
    test::PumpFor(1000);
    const std::vector<std::wstring> settled = Launches(1);
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_NE(settled[0].find(L"safe.cvq"), std::wstring::npos);
    EXPECT_TRUE(test::FileExists(Return(0)));
    EXPECT_TRUE(test::FileExists(Return(3)));
}

// The shell starts a file that is a program whatever its name: a real
// program served as a document is cached and returned, never run.
TEST_F(OpenDownload, NeverRunsAProgramServedUnderADocumentsName) {
    ASSERT_NE(test::ReceiverPort(), 0) << "RECEIVER_PORT is not set";
    const std::wstring site = L"disguise-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW((test::ReceiverFiles() + L"\\" + site).c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(recorder.c_str(), (test::ReceiverFiles() + L"\\" + site + L"\\report.txt").c_str(), FALSE));
    test::Call(control, L"AddDownloadUrlForCache",
               {Var(test::ReceiverUrl(L"/files/" + site + L"/report.txt")), Var(L"quarterly-report.txt"),
                Var(L"quarterly-report.txt"), Var(0)});
    test::MessageBoxWatcher boxes;
    ASSERT_EQ(Open(), 1);
    EXPECT_EQ(test::ReadFileBytes(Return(0)), test::ReadFileBytes(recorder)) << "the program is cached whole";
    test::PumpFor(1500);
    EXPECT_EQ(Launches(0).size(), 0u) << "the program ran";
}

// A page names the cache folder: a file that could run code never goes
// where it would run without being opened, nor onto the network. Other files
// still go there.
TEST_F(OpenDownload, RunnableFilesStayOutOfThePlacesThatRunThem) {
    RegisterType(L".cvq", L"\"" + recorder + L"\" \"%1\"");
    const std::wstring on_path = folder + L"\\on-path";
    CreateDirectoryW(on_path.c_str(), nullptr);
    const test::EnvironmentOverride path(L"PATH", on_path + L";" + test::Env(L"PATH"));
    const std::wstring beside_program = folder + L"\\app";
    CreateDirectoryW(beside_program.c_str(), nullptr);
    ASSERT_TRUE(test::WriteFileBytes(beside_program + L"\\app.exe", "MZ"));
    const DocumentsFolder documents(folder + L"\\documents");
    ASSERT_TRUE(CreateDirectoryW(documents.path.c_str(), nullptr));

    const std::wstring site = L"placed-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW((test::ReceiverFiles() + L"\\" + site).c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(recorder.c_str(), (test::ReceiverFiles() + L"\\" + site + L"\\tool.txt").c_str(), FALSE));
    const std::wstring disguised_program = test::ReceiverUrl(L"/files/" + site + L"/tool.txt");
    const std::wstring program = test::DownloadUrl(L"/file/x.exe?size=16");
    struct Place {
        const char* what;
        std::wstring cache;
        std::wstring url;
        std::wstring unique_id;
    };
    std::vector<Place> places = {
        {"a folder on PATH", on_path, program, L"python.exe"},
        {"a folder on PATH, a program in disguise", on_path, disguised_program, L"tool.txt"},
        {"beside a program", beside_program, program, L"version.dll"},
        {"a script profile folder", documents.path + L"\\WindowsPowerShell", program, L"profile.ps1"},
        {"below a script profile folder", documents.path + L"\\PowerShell\\Modules\\m", program, L"m.psm1"},
    };
    // Set up by scripts/run-wine-tests.sh: a drive Wine reports as remote.
    const std::wstring remote = test::Env(L"CORVELA_REMOTE_DRIVE");
    if (!remote.empty()) places.push_back({"a network drive", remote + L"\\cache", program, L"run.exe"});
    if (test::UnderWine())
        places.push_back({"Wine's drive of the host's root", test::NewScratchFolder(L"host-root"), program, L"run.exe"});
    test::MessageBoxWatcher boxes;
    for (const Place& place : places) {
        SCOPED_TRACE(place.what);
        test::Call(control, L"AddDownloadUrlForCache", {Var(L""), Var(L""), Var(L""), Var(0)});
        test::Call(control, L"AddDownloadUrlForCache",
                   {Var(place.url), Var(place.unique_id), Var(place.unique_id), Var(16)});
        Queue(L"notes.cvq", L"notes.cvq");
        EXPECT_EQ(test::Call(control, L"OpenDownload", {Var(place.cache)}).Int(), 1);
        EXPECT_EQ(Return(0), place.cache + L"\\notes.cvq") << "other files still go there";
        EXPECT_FALSE(test::FileExists(place.cache + L"\\" + place.unique_id));
        DeleteFileW((place.cache + L"\\notes.cvq").c_str());
    }
    // A network share: nothing can be written there, and no program is even
    // fetched for it.
    test::ResetServer(test::DownloadPort());
    test::Call(control, L"AddDownloadUrlForCache", {Var(L""), Var(L""), Var(L""), Var(0)});
    test::Call(control, L"AddDownloadUrlForCache", {Var(program), Var(L"run.exe"), Var(L"run.exe"), Var(16)});
    EXPECT_EQ(test::Call(control, L"OpenDownload", {Var(L"\\\\127.0.0.1\\share\\cache")}).Int(), 0);
    EXPECT_EQ(test::ServerLog(test::DownloadPort()).size(), 0u);
}

// A bracketed number that names no special folder names no place: the
// batch writes nothing, least of all at the root of the current drive.
TEST_F(OpenDownload, ACacheFolderWhoseSpecialFolderDoesNotExistTakesNothing) {
    const std::wstring name = L"corvela-no-folder-" + std::to_wstring(GetCurrentProcessId());
    const CurrentDirectory current(folder);
    Queue(L"a.cvq", L"a.cvq");
    test::MessageBoxWatcher boxes;
    EXPECT_EQ(test::Call(control, L"OpenDownload", {Var(L"[10000001c]\\" + name)}).Int(), 0);
    EXPECT_EQ(test::Call(control, L"OpenDownload", {Var(L"[zz]/" + name)}).Int(), 0);
    EXPECT_FALSE(test::FileExists(L"\\" + name));
    EXPECT_EQ(Return(0), L"");
    EXPECT_EQ(test::ServerLog(test::DownloadPort()).size(), 0u) << "nothing fetched";
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
