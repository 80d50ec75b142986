// The download transport against the loopback download server: what lands
// in the file, which records reach the dialog and in what order, what the
// server is asked, when a message box appears, and the folder services
// around a download batch.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/local_files.h"
#include "common/wide.h"
#include "framework/resources.h"
#include "session/cache_files.h"
#include "session/dialog_progress.h"
#include "session/progress_channel.h"
#include "support.h"
#include "transport/download_file.h"

namespace {

using corvela::ProgressRecord;
using corvela::Text;

constexpr DWORD DOWNLOAD_TIMEOUT_MS = 60000;
constexpr size_t NEVER = static_cast<size_t>(-1);
constexpr uint32_t BLOCK = 4096;

Text T(const std::wstring& text) { return corvela::FromW(text.c_str(), text.size()); }
std::wstring Wide(const Text& text) { return std::wstring(corvela::W(text), text.size()); }

std::wstring FileUrl(const std::wstring& kind, uint32_t size, int seed, const std::wstring& more = L"") {
    return test::DownloadUrl(L"/" + kind + L"/f.bin?size=" + std::to_wstring(size) + L"&seed=" +
                             std::to_wstring(seed) + more);
}

// Order of arrival over every receiver, to see two downloads interleave.
int g_arrivals = 0;
// Set when a download overran its time: every download is then stopped.
std::atomic<bool> g_stop_everything{false};

// The progress dialog's side: takes every record and notes the order in
// which records of all receivers arrived. The user closes the dialog as
// record `stop_at` is made (and at once when a download overran its time).
class Receiver : public test::ProgressReceiver {
public:
    explicit Receiver(size_t stop_at = NEVER) : stop_at(stop_at) {
        on_record = [this](const ProgressRecord&) { arrivals.push_back(++g_arrivals); };
    }

    const size_t stop_at;
    std::vector<int> arrivals;
};

// The dialog's sink for one download, with a user who clears the running
// flag just before the transport reports step `receiver.stop_at`: the
// transport must then stop at that step, its record the last.
class DialogWithUser final : public corvela::ProgressSink {
public:
    explicit DialogWithUser(Receiver& receiver)
        : receiver_(receiver), dialog_(&receiver.channel, running_, corvela::PROGRESS_DOWNLOAD) {}

    bool Report(corvela::TransferStep step, uint32_t done, uint32_t total, const Text& name,
                const Text& reply) override {
        if (g_stop_everything || steps_++ == receiver_.stop_at) running_.store(0);
        return dialog_.Report(step, done, total, name, reply);
    }
    void ShowMessage(const Text& text) override { dialog_.ShowMessage(text); }

private:
    Receiver& receiver_;
    corvela::RunningFlag running_{1};
    corvela::DialogProgress dialog_;
    size_t steps_ = 0;
};

// Runs each download on a thread of its own while the test thread pumps
// messages, as the dialog's thread does, until all have returned.
std::vector<int> RunOnWorkers(const std::vector<std::function<int()>>& downloads) {
    std::atomic<size_t> finished{0};
    std::vector<int> results(downloads.size(), -1);
    std::vector<std::thread> workers;
    for (size_t i = 0; i < downloads.size(); ++i)
        workers.emplace_back([&, i] {
            results[i] = downloads[i]();
            ++finished;
        });
    const auto all_returned = [&] { return finished == downloads.size(); };
    const bool in_time = test::PumpUntil(all_returned, DOWNLOAD_TIMEOUT_MS);
    if (!in_time) {
        g_stop_everything = true;
        if (!test::PumpUntil(all_returned, DOWNLOAD_TIMEOUT_MS)) {
            std::fprintf(stderr, "a download worker does not return; giving up\n");
            std::abort();
        }
        g_stop_everything = false;
    }
    for (std::thread& worker : workers) worker.join();
    test::PumpUntil([] { return true; }, 0);  // records posted just before the end
    EXPECT_TRUE(in_time) << "a download did not end in time";
    return results;
}

int RunOnWorker(const std::function<int()>& download) { return RunOnWorkers({download}).front(); }

// One download into `*target` (a temporary name when empty) that reports to
// `receiver` as to the dialog, on the calling thread; `*target` receives
// where the file was saved.
corvela::TransferResult Fetch(Receiver& receiver, const Text& url, Text* target, const Text& extension = Text()) {
    DialogWithUser progress(receiver);
    return corvela::DownloadFile({url, *target, extension}, progress, target);
}

// The same on a worker thread: 1 when the file was fetched, else 0.
int Download(Receiver& receiver, const std::wstring& url, Text* target, const std::wstring& extension = L"") {
    return RunOnWorker([&] { return Fetch(receiver, T(url), target, T(extension)).Succeeded() ? 1 : 0; });
}

struct Expected {
    uint32_t done;
    uint32_t total;
    int32_t stage;
    uint32_t delta;
};

// A body whose length is announced: START, one PROGRESS per 4,096-byte
// block, DONE.
std::vector<Expected> KnownLengthRecords(uint32_t size) {
    std::vector<Expected> records = {{0, size, corvela::STAGE_START, 0}};
    for (uint32_t done = 0; done < size;) {
        const uint32_t block = std::min(BLOCK, size - done);
        done += block;
        records.push_back({done, size, corvela::STAGE_PROGRESS, block});
    }
    records.push_back({size, size, corvela::STAGE_DONE, 0});
    return records;
}

void ExpectRecords(const Receiver& receiver, const std::vector<Expected>& expected, const Text& target) {
    ASSERT_EQ(receiver.records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const ProgressRecord& record = receiver.records[i];
        EXPECT_EQ(receiver.kinds[i], static_cast<WPARAM>(corvela::PROGRESS_DOWNLOAD));
        EXPECT_EQ(record.done, expected[i].done);
        EXPECT_EQ(record.total, expected[i].total);
        EXPECT_EQ(record.stage, expected[i].stage);
        EXPECT_EQ(record.delta, expected[i].delta);
        EXPECT_EQ(Wide(record.name), Wide(target));
        EXPECT_TRUE(record.reply.empty());
    }
}

std::wstring ScratchFile(const std::wstring& name) { return test::NewScratchFolder(L"download") + L"\\" + name; }

std::wstring TemporaryFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

// Every download test answers message boxes, and fails on any it did not expect.
class DownloadTransport : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(watcher_.seen().size(), expected_boxes_) << "message boxes shown"; }

    test::MessageBoxWatcher watcher_;
    size_t expected_boxes_ = 0;
};

// A control character in a URL would reach the request line as it is, and
// a CR LF there lets a page write its own headers: no request is made.
TEST_F(DownloadTransport, EmptyUrlOrOneWithAControlCharacterMakesNoRequestNoRecordAndNoFile) {
    test::ResetServer(test::DownloadPort());
    Receiver receiver;
    for (const std::wstring& url : {std::wstring(), test::DownloadUrl(L"/file/a\r\nX-Injected: 1\r\n?size=3"),
                                    test::DownloadUrl(L"/file/a\x7F?size=3")}) {
        Text target = T(ScratchFile(L"refused-url.bin"));
        EXPECT_EQ(Download(receiver, url, &target), 0);
        EXPECT_FALSE(test::FileExists(Wide(target)));
    }
    EXPECT_EQ(test::ServerLog(test::DownloadPort()).size(), 0u);

    Text temporary;
    EXPECT_EQ(Download(receiver, L"", &temporary, L"pdf"), 0);
    EXPECT_FALSE(temporary.empty()) << "an empty target receives its temporary name whatever the result";
    EXPECT_FALSE(test::FileExists(Wide(temporary)));
    EXPECT_TRUE(receiver.records.empty());
}

// Front ends answer with pages of their own (a 502 from a proxy whose server
// is down, a 407 from a proxy that wants credentials): those pages, and a
// body in a coding nobody asked for, are never saved as the file.
TEST_F(DownloadTransport, OnlyATwoHundredWithTheFilesOwnBytesIsSaved) {
    std::vector<std::wstring> refused = {FileUrl(L"encoded", 5000, 2)};
    for (int status : {301, 400, 401, 403, 404, 407, 413, 500, 502, 503})
        refused.push_back(test::DownloadUrl(L"/status/" + std::to_wstring(status) + L"/x"));
    for (const std::wstring& url : refused) {
        SCOPED_TRACE(test::Utf8(url));
        Receiver receiver;
        Text target = T(ScratchFile(L"refused.html"));
        EXPECT_EQ(Download(receiver, url, &target), 0);
        EXPECT_FALSE(test::FileExists(Wide(target)));
        EXPECT_TRUE(receiver.records.empty());
    }
}

TEST_F(DownloadTransport, SavesTheBodyAndReportsEveryBlock) {
    for (uint32_t size : {0u, 2 * BLOCK, 5 * BLOCK + 1000}) {
        SCOPED_TRACE(size);
        Receiver receiver;
        Text target = T(ScratchFile(L"body.bin"));
        EXPECT_EQ(Download(receiver, FileUrl(L"file", size, 7), &target), 1);
        EXPECT_EQ(test::ReadFileBytes(Wide(target)), test::DownloadPattern(size, 7));
        ExpectRecords(receiver, KnownLengthRecords(size), target);
    }
}

TEST_F(DownloadTransport, BodyWithoutLengthReportsATotalGrowingWithTheData) {
    const uint32_t size = 100000;
    for (const wchar_t* kind : {L"chunked", L"close"}) {
        SCOPED_TRACE(test::Utf8(kind));
        Receiver receiver;
        Text target = T(ScratchFile(L"unannounced.bin"));
        EXPECT_EQ(Download(receiver, FileUrl(kind, size, 3), &target), 1);
        EXPECT_EQ(test::ReadFileBytes(Wide(target)), test::DownloadPattern(size, 3));

        const std::vector<ProgressRecord>& records = receiver.records;
        ASSERT_GE(records.size(), 3u);
        EXPECT_EQ(records.front().stage, corvela::STAGE_START);
        EXPECT_LT(records.front().total, size) << "the start knows only what has arrived";
        uint32_t previous_done = 0;
        uint32_t previous_total = 0;
        for (size_t i = 1; i + 1 < records.size(); ++i) {
            SCOPED_TRACE("record " + std::to_string(i));
            EXPECT_EQ(records[i].stage, corvela::STAGE_PROGRESS);
            EXPECT_EQ(records[i].done, std::min(previous_done + BLOCK, size));
            EXPECT_EQ(records[i].delta, records[i].done - previous_done);
            EXPECT_GE(records[i].total, records[i].done);
            EXPECT_GE(records[i].total, previous_total);
            EXPECT_LE(records[i].total, size);
            previous_done = records[i].done;
            previous_total = records[i].total;
        }
        // The end reports what was written, never the "no length" marker.
        const ProgressRecord& done = records.back();
        EXPECT_EQ(done.stage, corvela::STAGE_DONE);
        EXPECT_EQ(done.total, size);
        EXPECT_EQ(done.done, size);
        EXPECT_EQ(done.delta, 0u);
    }
}

TEST_F(DownloadTransport, StopFromTheDialogEndsTheDownloadAndKeepsThePartialFile) {
    const uint32_t size = 10 * BLOCK;
    // The record as which the user closes the dialog: the start, the third
    // block, the end.
    for (size_t refuse_at : {size_t{0}, size_t{3}, size_t{11}}) {
        SCOPED_TRACE(refuse_at);
        Receiver receiver(refuse_at);
        Text target = T(ScratchFile(L"cancelled.bin"));
        EXPECT_EQ(Download(receiver, FileUrl(L"file", size, 5), &target), 0);
        EXPECT_EQ(receiver.records.size(), refuse_at + 1) << "no record follows the refused one";
        ASSERT_TRUE(test::FileExists(Wide(target)));
        const size_t blocks_written = std::min<size_t>(refuse_at, 10);
        EXPECT_EQ(test::ReadFileBytes(Wide(target)), test::DownloadPattern(blocks_written * BLOCK, 5));
    }
}

TEST_F(DownloadTransport, BodyCutShortOrNotWrittenIsAFailedDownload) {
    {
        Receiver receiver;
        Text target = T(ScratchFile(L"short.bin"));
        EXPECT_EQ(Download(receiver, FileUrl(L"short", 100000, 9, L"&send=30000"), &target), 0);
        EXPECT_EQ(test::ReadFileBytes(Wide(target)), test::DownloadPattern(30000, 9)) << "the partial file stays";
        ASSERT_FALSE(receiver.records.empty());
        EXPECT_EQ(receiver.records.back().stage, corvela::STAGE_PROGRESS);
        EXPECT_EQ(receiver.records.back().done, 30000u);
    }
    {
        // A device that refuses every write as a full disk does: the user
        // is told why the file failed.
        Receiver receiver;
        Text target = u"Z:\\dev\\full";
        EXPECT_EQ(Download(receiver, FileUrl(L"file", 3 * BLOCK, 1), &target), 0);
        ASSERT_EQ(receiver.records.size(), 1u);
        EXPECT_EQ(receiver.records.front().stage, corvela::STAGE_START);
        ASSERT_EQ(watcher_.seen().size(), 1u);
        EXPECT_EQ(watcher_.seen()[0].text, L"ERROR: The disk is full\n");
        expected_boxes_ = 1;
    }
}

TEST_F(DownloadTransport, EmptyTargetGetsAFreshTemporaryName) {
    const std::wstring folder = TemporaryFolder();
    for (const wchar_t* extension : {L"pdf", L""}) {
        SCOPED_TRACE(test::Utf8(extension));
        Receiver receiver;
        Text target;
        EXPECT_EQ(Download(receiver, FileUrl(L"file", 10, 2), &target, extension), 1);
        const std::wstring path = Wide(target);
        ASSERT_EQ(path.compare(0, folder.size(), folder), 0) << test::Utf8(path);
        const std::wstring name = path.substr(folder.size());
        const std::wstring suffix = std::wstring(L".") + extension;
        ASSERT_GT(name.size(), 3 + suffix.size()) << test::Utf8(name);
        const std::wstring digits = name.substr(3, name.size() - 3 - suffix.size());
        EXPECT_EQ(name.substr(0, 3), L"Kel");
        EXPECT_TRUE(std::all_of(digits.begin(), digits.end(), [](wchar_t unit) { return iswxdigit(unit) != 0; })) << test::Utf8(name);
        EXPECT_EQ(name.substr(name.size() - suffix.size()), suffix);
        EXPECT_EQ(test::ReadFileBytes(path), test::DownloadPattern(10, 2));
        EXPECT_FALSE(test::FileExists(folder + L"Kel" + digits + L".tmp")) << "the reserved name is released";
        DeleteFileW(path.c_str());
    }
    // Without a temporary folder there is no name: nothing may land in the
    // current folder under the bare extension.
    const std::wstring missing = test::ScratchDir() + L"\\no-such-folder";
    test::EnvironmentOverride tmp(L"TMP", missing);
    test::EnvironmentOverride temp(L"TEMP", missing);
    Receiver receiver;
    Text target;
    EXPECT_EQ(Download(receiver, FileUrl(L"file", 10, 2), &target, L"pdf"), 0);
    EXPECT_TRUE(target.empty());
    EXPECT_FALSE(test::FileExists(L"pdf"));
    EXPECT_TRUE(receiver.records.empty());
}

TEST_F(DownloadTransport, AsksTheServerForTheEscapedUrlEveryTime) {
    test::ResetServer(test::DownloadPort());
    // ASCII goes to WinInet as it is: the characters below are all ones that
    // a query value would have escaped. WinInet itself sends the space as %20.
    const std::wstring url = test::DownloadUrl(L"/file/\uD55C\uAE00 a+b;~'|^{}.txt?size=10&seed=4");
    for (int attempt = 0; attempt < 2; ++attempt) {
        Receiver receiver;
        Text target = T(ScratchFile(L"hangul.txt"));
        EXPECT_EQ(Download(receiver, url, &target), 1);
        EXPECT_EQ(test::ReadFileBytes(Wide(target)), test::DownloadPattern(10, 4));
    }
    const test::Json log = test::ServerLog(test::DownloadPort());
    ASSERT_EQ(log.size(), 2u) << "the second download comes from the server, not from a cache";
    for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i]["method"].text, "GET");
        EXPECT_EQ(log[i]["target"].text, "/file/%ED%95%9C%EA%B8%80%20a+b;~'|^{}.txt?size=10&seed=4");
        EXPECT_EQ(log[i]["headers"]["user-agent"].text, test::Utf8(Wide(corvela::ModuleTitle())));
    }
}

TEST_F(DownloadTransport, TwoDownloadsAtOnceKeepTheirOwnCounts) {
    const uint32_t first_size = 24 * BLOCK;
    const uint32_t second_size = 15 * BLOCK + 123;
    Receiver first;
    Receiver second;
    Text first_target = T(ScratchFile(L"first.bin"));
    Text second_target = T(ScratchFile(L"second.bin"));
    const std::wstring first_url = FileUrl(L"slow", first_size, 11, L"&rate=400000");
    const std::wstring second_url = FileUrl(L"slow", second_size, 12, L"&rate=300000");
    const std::vector<int> results = RunOnWorkers({
        [&] { return Fetch(first, T(first_url), &first_target).Succeeded() ? 1 : 0; },
        [&] { return Fetch(second, T(second_url), &second_target).Succeeded() ? 1 : 0; },
    });
    EXPECT_EQ(results, (std::vector<int>{1, 1}));
    ASSERT_FALSE(first.arrivals.empty());
    ASSERT_FALSE(second.arrivals.empty());
    EXPECT_LT(second.arrivals.front(), first.arrivals.back()) << "the downloads did not overlap";
    EXPECT_LT(first.arrivals.front(), second.arrivals.back()) << "the downloads did not overlap";
    ExpectRecords(first, KnownLengthRecords(first_size), first_target);
    ExpectRecords(second, KnownLengthRecords(second_size), second_target);
    EXPECT_EQ(test::ReadFileBytes(Wide(first_target)), test::DownloadPattern(first_size, 11));
    EXPECT_EQ(test::ReadFileBytes(Wide(second_target)), test::DownloadPattern(second_size, 12));
}

TEST_F(DownloadTransport, FileErrorsAreShownWinInetErrorsAreNot) {
    // A URL without a host is refused with a plain system error number.
    Receiver receiver;
    Text target = T(ScratchFile(L"error.bin"));
    DWORD worker_thread = 0;
    EXPECT_EQ(RunOnWorker([&] {
                  worker_thread = GetCurrentThreadId();
                  return Fetch(receiver, u"http:///x", &target).Succeeded() ? 1 : 0;
              }),
              0);
    std::vector<test::MessageBoxWatcher::Seen> seen = watcher_.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, Wide(corvela::ModuleTitle()));
    EXPECT_NE(seen[0].text.find(L"ERROR: An unspecified error occurred"), std::wstring::npos)
        << test::Utf8(seen[0].text);
    EXPECT_EQ(seen[0].thread, worker_thread);

    // Nothing listens on port 1: WinInet's own error, no box.
    EXPECT_EQ(Download(receiver, L"http://127.0.0.1:1/x", &target), 0);
    EXPECT_TRUE(receiver.records.empty());
    EXPECT_FALSE(test::FileExists(Wide(target)));
    expected_boxes_ = 1;
}

// A failed download says why: the server's refusal with its status, the
// network's failure with WinInet's error, a stop as a stop, and neither for
// a file that came.
TEST_F(DownloadTransport, TheResultKeepsTheCause) {
    struct Case {
        std::wstring url;
        corvela::TransferResult::Outcome outcome;
        uint32_t platform_error;
        uint32_t http_status;
        size_t stop_at = NEVER;
    };
    using Outcome = corvela::TransferResult::Outcome;
    const Case cases[] = {
        {FileUrl(L"file", 10, 1), Outcome::Succeeded, 0, 200},
        {test::DownloadUrl(L"/status/404/x"), Outcome::Failed, 0, 404},
        {test::DownloadUrl(L"/status/502/x"), Outcome::Failed, 0, 502},
        {L"http://127.0.0.1:1/x", Outcome::Failed, ERROR_INTERNET_CANNOT_CONNECT, 0},
        {FileUrl(L"file", 3 * BLOCK, 1), Outcome::Stopped, 0, 200, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(test::Utf8(c.url));
        Receiver receiver(c.stop_at);
        Text target;
        const corvela::TransferResult result = Fetch(receiver, T(c.url), &target);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.platform_error, c.platform_error);
        EXPECT_EQ(result.http_status, c.http_status);
        DeleteFileW(Wide(target).c_str());
    }
}

TEST(DownloadFolders, ExpandsThePageTextAndCreatesMissingLevels) {
    wchar_t local[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local), S_OK);
    const std::wstring local_data = local;
    EXPECT_EQ(Wide(corvela::ExpandCacheFolderText(u"[1c]/Cache/Files").value_or(u"?")),
              local_data + L"\\Cache\\Files\\");
    EXPECT_EQ(Wide(corvela::ExpandCacheFolderText(u"C:/Data//").value_or(u"?")), L"C:\\Data\\");
    EXPECT_EQ(Wide(corvela::ExpandCacheFolderText(u"[1c]").value_or(u"?")), local_data + L"\\");
    EXPECT_EQ(Wide(corvela::ExpandCacheFolderText(u"").value_or(u"?")), L"");

    const std::wstring base = test::NewScratchFolder(L"folders");
    const std::wstring deep = base + L"\\one\\two\\three";
    EXPECT_TRUE(corvela::CreateFolderTree(T(deep)));
    EXPECT_TRUE(corvela::FileExists(T(deep)));
    EXPECT_FALSE(corvela::CreateFolderTree(T(deep))) << "an existing folder is not made again";
    // The form the dialog passes: an expanded cache folder, ending in "\".
    const Text cache = corvela::ExpandCacheFolderText(T(base + L"/cache/a/b")).value_or(u"?");
    corvela::CreateFolderTree(cache);
    EXPECT_TRUE(corvela::FileExists(T(base + L"\\cache\\a\\b")));

    EXPECT_TRUE(test::WriteFileBytes(deep + L"\\file.txt", "x"));
    EXPECT_TRUE(corvela::FileExists(T(deep + L"\\file.txt")));
    EXPECT_FALSE(corvela::FileExists(T(deep + L"\\missing.txt")));
}

}  // namespace
