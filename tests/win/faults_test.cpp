// Faults of the disk, the network and the local files met end to end,
// through the control as a page drives it: every batch ends with a clean
// result, nothing half-written stays behind, and a file that failed neither
// hides the files before it nor, for downloads, the files after it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "corvela_h.h"
#include "support.h"

namespace {

using test::Var;

constexpr char DISK_FULL_TEXT[] = "ERROR: The disk is full\n";

// Whether a file holds exactly `expected`; a failure tells only the sizes.
testing::AssertionResult Holds(const std::wstring& path, const std::string& expected) {
    const std::string bytes = test::ReadFileBytes(path);
    if (bytes == expected) return testing::AssertionSuccess();
    return testing::AssertionFailure() << test::Utf8(path) << " holds " << bytes.size() << " bytes, not the "
                                       << expected.size() << " expected";
}

// One control created as a page creates it, with its downloads' temporary
// folder redirected to a folder of the test's own so leftovers can be seen,
// and downloaded files opened by a recorder instead of an application.
struct Faults : testing::Test {
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&control)),
                  S_OK);
        test::Put(control, L"HideProgressDlg", Var(true));
        folder = test::NewScratchFolder(L"faults");
        UseTemporaryFolder(folder + L"\\temp");
        SetEnvironmentVariableW(L"CORVELA_LAUNCH_LOG", (folder + L"\\launches.log").c_str());
        ASSERT_TRUE(test::RegisterOpenCommand(
            L".cvf", L"\"" + test::Env(L"CORVELA_BUILD_DIR") + L"\\record_command_line.exe\" \"%1\""));
        test::ResetServer(test::UploadPort());
        test::ResetServer(test::DownloadPort());
    }
    void TearDown() override {
        if (control) control->Release();
    }

    void UseTemporaryFolder(const std::wstring& path) {
        temporary = path;
        CreateDirectoryW(path.c_str(), nullptr);
        tmp_.reset();  // the old overrides put back what they found first
        temp_.reset();
        tmp_ = std::make_unique<test::EnvironmentOverride>(L"TMP", path);
        temp_ = std::make_unique<test::EnvironmentOverride>(L"TEMP", path);
    }

    // ---- downloads ----
    void QueueDownload(const std::wstring& url, const std::wstring& unique_id, int size) {
        test::Call(control, L"AddDownloadUrlForCache", {Var(url), Var(unique_id), Var(unique_id), Var(size)});
    }
    int OpenDownload(const std::wstring& cache) { return test::Call(control, L"OpenDownload", {Var(cache)}).Int(); }
    std::vector<std::wstring> Returns() {
        std::vector<std::wstring> paths;
        for (int i = 0;; ++i) {
            const std::wstring path = test::Call(control, L"GetReturn", {Var(i)}).Text();
            if (path.empty()) return paths;
            paths.push_back(path);
        }
    }

    // ---- uploads ----
    std::wstring File(const std::wstring& name, size_t size) {
        const std::wstring path = folder + L"\\" + name;
        EXPECT_TRUE(test::WriteFileBytes(path, std::string(size, 'u')));
        return path;
    }
    void QueueUpload(const std::wstring& path) { test::Call(control, L"AddUploadFile", {Var(path), Var(L"D")}); }
    int StartUpload(const std::wstring& page_path) {
        return test::Call(control, L"StartUpload",
                          {Var(test::UploadUrl(page_path)), Var(L"inbox"), Var(L"P"), Var(L""), Var(L"")})
            .Int();
    }
    std::wstring Return(int index) { return test::Call(control, L"GetReturn", {Var(index)}).Text(); }
    test::Json Uploaded() { return test::ServerLog(test::UploadPort()); }

    IDispatch* control = nullptr;
    std::wstring folder, temporary;
    test::MessageBoxWatcher boxes;

private:
    std::unique_ptr<test::EnvironmentOverride> tmp_, temp_;
};

std::vector<std::wstring> BoxTexts(test::MessageBoxWatcher& boxes) {
    std::vector<std::wstring> texts;
    for (const auto& seen : boxes.seen()) texts.push_back(seen.text);
    return texts;
}

// ---- downloads ----

struct DownloadFault {
    const char* what;
    std::wstring url;
    size_t obtained_bytes;  // of the file as the server sends it; 0: not obtained
};

// A batch of a faulty download and a good one: the faulty one is obtained
// whole or not at all, and the good one after it always is.
TEST_F(Faults, ADownloadThatFailsLeavesNothingAndTheNextFileIsStillObtained) {
    const std::wstring other_host = L"http://localhost:" + std::to_wstring(test::DownloadPort());
    const DownloadFault faults[] = {
        {"the server closes mid-body (its length header is longer than the body)",
         test::DownloadUrl(L"/short/f?size=300000&seed=1&send=100000"), 0},
        {"the length header is shorter than the body", test::DownloadUrl(L"/short/f?size=1000&seed=1&send=300000"),
         1000},
        {"a redirect loop", test::DownloadUrl(L"/loop/f"), 0},
        {"a redirect to another host",
         test::DownloadUrl(L"/redirect/f?to=" + other_host + L"%2Ffile%2Ff%3Fsize%3D5000%26seed%3D1"), 5000},
    };
    for (const DownloadFault& fault : faults) {
        SCOPED_TRACE(fault.what);
        const std::wstring cache = folder + L"\\cache-" + std::to_wstring(&fault - faults);
        test::Call(control, L"AddDownloadUrlForCache", {Var(L""), Var(L""), Var(L""), Var(0)});
        QueueDownload(fault.url, L"fault.cvf", 0);
        QueueDownload(test::DownloadUrl(L"/file/good?size=20000&seed=2"), L"good.cvf", 20000);
        const int obtained = OpenDownload(cache);
        std::vector<std::wstring> expected_returns;
        std::vector<std::wstring> expected_cache;
        if (fault.obtained_bytes) {
            expected_returns.push_back(cache + L"\\fault.cvf");
            expected_cache.push_back(L"fault.cvf");
        }
        expected_returns.push_back(cache + L"\\good.cvf");
        expected_cache.push_back(L"good.cvf");
        EXPECT_EQ(obtained, static_cast<int>(expected_returns.size()));
        EXPECT_EQ(Returns(), expected_returns);
        EXPECT_EQ(test::FilesIn(cache), expected_cache);
        if (fault.obtained_bytes)
            EXPECT_TRUE(Holds(cache + L"\\fault.cvf", test::DownloadPattern(fault.obtained_bytes, 1)));
        EXPECT_TRUE(Holds(cache + L"\\good.cvf", test::DownloadPattern(20000, 2)));
        EXPECT_EQ(test::FilesIn(temporary), std::vector<std::wstring>()) << "nothing stays in the temporary folder";
    }
    EXPECT_EQ(BoxTexts(boxes), std::vector<std::wstring>());
    const test::Json log = test::ServerLog(test::DownloadPort());
    size_t loop_requests = 0;
    for (size_t i = 0; i < log.size(); ++i) loop_requests += log[i]["target"].text.rfind("/loop/", 0) == 0;
    EXPECT_EQ(loop_requests, 21u) << "the first request and 20 redirects";
}

// A large download and a small one meet a disk of 1 MiB. Where the
// download itself fills the disk, the large file fails with the disk's
// message; where only its move into the cache does, it is kept whole where
// it was saved. Either way no part of it stays behind and the small file
// after it still arrives.
TEST_F(Faults, ADiskThatFillsFailsThatFileAloneAndLeavesNoPartOfIt) {
    const std::wstring disk = test::Env(L"CORVELA_FULL_DISK");
    if (disk.empty()) GTEST_SKIP() << "no 1 MiB disk to fill: " << test::Utf8(test::Env(L"CORVELA_FULL_DISK_REFUSED"));
    const std::wstring cache = disk + L"\\cache";
    const std::wstring ordinary_temporary = temporary;
    for (const bool temporary_on_the_disk : {true, false}) {
        SCOPED_TRACE(temporary_on_the_disk ? "downloads to the full disk" : "moves onto the full disk");
        UseTemporaryFolder(temporary_on_the_disk ? disk + L"\\temp" : ordinary_temporary);
        test::Call(control, L"AddDownloadUrlForCache", {Var(L""), Var(L""), Var(L""), Var(0)});
        QueueDownload(test::DownloadUrl(L"/file/large?size=1500000&seed=3"), L"large.cvf", 1500000);
        QueueDownload(test::DownloadUrl(L"/file/small?size=30000&seed=4"), L"small.cvf", 30000);
        const int obtained = OpenDownload(cache);
        const std::vector<std::wstring> returns = Returns();
        EXPECT_EQ(test::FilesIn(cache), std::vector<std::wstring>{L"small.cvf"});
        EXPECT_TRUE(Holds(cache + L"\\small.cvf", test::DownloadPattern(30000, 4)));
        if (temporary_on_the_disk) {
            EXPECT_EQ(obtained, 1);
            EXPECT_EQ(returns, std::vector<std::wstring>{cache + L"\\small.cvf"});
            EXPECT_EQ(test::FilesIn(temporary), std::vector<std::wstring>());
            EXPECT_EQ(BoxTexts(boxes), std::vector<std::wstring>{test::Utf16(DISK_FULL_TEXT)});
        } else {
            EXPECT_EQ(obtained, 2);
            ASSERT_EQ(returns.size(), 2u);
            EXPECT_EQ(returns[0].compare(0, temporary.size(), temporary), 0) << test::Utf8(returns[0]);
            EXPECT_TRUE(Holds(returns[0], test::DownloadPattern(1500000, 3)));
            EXPECT_EQ(test::FilesIn(temporary).size(), 1u) << "only the large file, which was returned";
            DeleteFileW(returns[0].c_str());
        }
        DeleteFileW((cache + L"\\small.cvf").c_str());
    }
}

// The cache folder cannot take the files: each stays whole where it was
// downloaded and that path is returned, as for any move into the cache that
// fails; nothing is written where the cache should be.
TEST_F(Faults, ACacheFolderThatCannotBeWrittenReturnsTheFilesWhereTheyWereSaved) {
    const std::wstring not_a_folder = folder + L"\\not-a-folder";
    ASSERT_TRUE(test::WriteFileBytes(not_a_folder, "x"));
    const std::wstring read_only = test::Env(L"CORVELA_READ_ONLY_DISK");
    struct Case {
        const char* what;
        std::wstring cache;
    } cases[] = {
        {"a file stands where the folder should be", not_a_folder},
        {"a drive that does not exist", L"Q:\\corvela-cache"},
        {"a disk that cannot be written", read_only},
    };
    for (const Case& unwritable : cases) {
        SCOPED_TRACE(unwritable.what);
        if (unwritable.cache.empty()) {
            std::printf("    skipped, %s: %s\n", unwritable.what,
                        test::Utf8(test::Env(L"CORVELA_READ_ONLY_DISK_REFUSED")).c_str());
            continue;
        }
        test::Call(control, L"AddDownloadUrlForCache", {Var(L""), Var(L""), Var(L""), Var(0)});
        QueueDownload(test::DownloadUrl(L"/file/one?size=7000&seed=5"), L"one.cvf", 7000);
        QueueDownload(test::DownloadUrl(L"/file/two?size=9000&seed=6"), L"two.cvf", 9000);
        ASSERT_EQ(OpenDownload(unwritable.cache), 2);
        const std::vector<std::wstring> returns = Returns();
        ASSERT_EQ(returns.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(returns[i].compare(0, temporary.size(), temporary), 0) << test::Utf8(returns[i]);
            EXPECT_TRUE(Holds(returns[i], test::DownloadPattern(i == 0 ? 7000 : 9000, 5 + static_cast<int>(i))));
        }
        EXPECT_EQ(test::ReadFileBytes(not_a_folder), "x");
        if (unwritable.cache == read_only) EXPECT_EQ(test::FilesIn(read_only), std::vector<std::wstring>());
    }
    EXPECT_EQ(BoxTexts(boxes), std::vector<std::wstring>());
}

// ---- uploads ----

// What happens to the second of three files before the batch starts. The
// first file's result stays; the second is not reported as sent and the
// server never has its whole body; the third is never sent.
TEST_F(Faults, AnUploadSourceThatIsGoneOrLockedStopsTheBatchAtThatFile) {
    struct Case {
        const char* what;
        std::function<std::shared_ptr<void>(const std::wstring& path)> apply;  // undone when the result goes
        int results;
    } cases[] = {
        {"deleted", [](const std::wstring& path) {
             DeleteFileW(path.c_str());
             return std::shared_ptr<void>();
         }, 1},
        {"held open elsewhere without sharing", [](const std::wstring& path) {
             HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             return std::shared_ptr<void>(held, CloseHandle);
         }, 1},
        {"locked", [](const std::wstring& path) {
             HANDLE held = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
             LockFile(held, 0, 0, MAXDWORD, MAXDWORD);
             return std::shared_ptr<void>(held, CloseHandle);
         }, test::Expected(1, 3)},  // Wine's reads do not heed another handle's lock: the batch goes on
    };
    for (const Case& fault : cases) {
        SCOPED_TRACE(fault.what);
        test::ResetServer(test::UploadPort());
        test::Call(control, L"AddUploadFile", {Var(L""), Var(L"")});
        const std::wstring first = File(L"first.txt", 10);
        const std::wstring second = File(L"second.txt", 50000);
        QueueUpload(first);
        QueueUpload(second);
        QueueUpload(File(L"third.txt", 10));
        const std::shared_ptr<void> undo = fault.apply(second);
        EXPECT_EQ(StartUpload(L"/ok/u.asp"), fault.results);
        EXPECT_EQ(Return(0), first + L"/OK first/10");
        if (fault.results > 1) continue;
        EXPECT_EQ(Return(1), L"");
        const test::Json log = Uploaded();
        ASSERT_LE(log.size(), 2u) << "the third file is never sent";
        if (log.size() == 2) EXPECT_FALSE(log[1]["complete"].boolean) << "the server never has the whole body";
    }
}

// Another program tries to take the source while its body is on the way:
// the upload holds the file open against deletion and exclusive opening, so
// the attempt fails and the file arrives whole.
TEST_F(Faults, AnUploadSourceCannotBeTakenAwayDuringItsBody) {
    struct Case {
        const char* what;
        std::function<bool(const std::wstring& path)> take;  // whether the other program succeeded
    } cases[] = {
        {"deleted", [](const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }},
        {"opened without sharing", [](const std::wstring& path) {
             HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             if (held == INVALID_HANDLE_VALUE) return false;
             CloseHandle(held);
             return true;
         }},
    };
    for (const Case& fault : cases) {
        SCOPED_TRACE(fault.what);
        test::ResetServer(test::UploadPort());
        test::Call(control, L"AddUploadFile", {Var(L""), Var(L"")});
        const std::wstring source = File(L"source.txt", 100000);
        QueueUpload(source);
        bool taken = true;
        test::DialogWatcher watcher([&](HWND, const test::DialogWatcher::Sample& sample) {
            if (sample.name != L"source.txt") return false;
            taken = fault.take(source);
            return true;
        });
        EXPECT_EQ(StartUpload(L"/slowbody/100000/u.asp"), 1);
        EXPECT_FALSE(taken);
        const test::Json log = Uploaded();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_TRUE(log[0]["complete"].boolean);
        EXPECT_EQ(log[0]["body_length"].Int(), 100000);
    }
}

// The server closes the connection without an answer, part way through the
// body or once it has read all of it: the file fails without a result and
// the batch stops there.
TEST_F(Faults, AServerThatClosesWithoutAnAnswerFailsTheFileAndStopsTheBatch) {
    struct Case {
        const char* what;
        size_t size;
        const wchar_t* page;
        bool body_whole;
    } cases[] = {
        {"closed mid-body", 100000, L"/drop/20000/u.asp", false},
        {"closed after the whole body", 30000, L"/drop/1000000/u.asp", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ResetServer(test::UploadPort());
        test::Call(control, L"AddUploadFile", {Var(L""), Var(L"")});
        QueueUpload(File(L"cut.txt", c.size));
        QueueUpload(File(L"after.txt", 10));
        EXPECT_EQ(StartUpload(c.page), 0);
        EXPECT_EQ(Return(0), L"");
        const test::Json log = Uploaded();
        ASSERT_EQ(log.size(), 1u) << "the next file is never sent";
        EXPECT_EQ(log[0]["body_length"].Int() == static_cast<long long>(c.size), c.body_whole);
    }
}

// A server that takes a request and never answers: closing the dialog ends
// the batch at once, though the request is still waiting. The server lets go
// after a few seconds; the test waits for that, so the worker's end is seen.
TEST_F(Faults, AServerThatNeverAnswersIsLeftByACancel) {
    constexpr DWORD HANG_MS = 3000;
    struct Case {
        const char* what;
        std::function<int()> start;
    } cases[] = {
        {"upload", [&] {
             QueueUpload(File(L"unanswered.txt", 10000));
             return StartUpload(L"/hang/" + std::to_wstring(HANG_MS) + L"/u.asp");
         }},
        {"download", [&] {
             QueueDownload(test::DownloadUrl(L"/hang/" + std::to_wstring(HANG_MS) + L"/f"), L"unanswered.cvf", 10);
             return OpenDownload(folder + L"\\cache");
         }},
    };
    for (const Case& batch : cases) {
        SCOPED_TRACE(batch.what);
        const DWORD started = GetTickCount();
        DWORD cancelled_at = 0;
        test::DialogWatcher watcher([&](HWND dialog, const test::DialogWatcher::Sample&) {
            Sleep(500);  // the request is on its way and waits for the server
            cancelled_at = GetTickCount();
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        });
        EXPECT_EQ(batch.start(), 0);
        const DWORD ended_after = GetTickCount() - cancelled_at;
        std::printf("    %s: the batch ended %lu ms after the cancel\n", batch.what, ended_after);
        ASSERT_NE(cancelled_at, 0u);
        EXPECT_LT(ended_after, HANG_MS / 2) << "the batch waited for the server";
        test::PumpFor(HANG_MS + 1000 - std::min<DWORD>(GetTickCount() - started, HANG_MS));
    }
    EXPECT_EQ(BoxTexts(boxes), std::vector<std::wstring>());
    EXPECT_EQ(test::FilesIn(temporary), std::vector<std::wstring>());
}

}  // namespace
