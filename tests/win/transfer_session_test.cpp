// Upload and download batches from the page's call to the server's reply and
// back: the commands, the progress dialog and the worker together.
#include <gtest/gtest.h>

#include <atomic>

#include "common/language.h"
#include "common/wide.h"
#include "corvela_h.h"
#include "session/progress_dlg.h"
#include "session/transfer_worker.h"
#include "support.h"

namespace {

using test::Var;

struct Uploads : testing::Test {
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&control)),
                  S_OK);
        folder = test::NewScratchFolder(L"uploads");
        test::ResetServer(test::UploadPort());
    }
    void TearDown() override {
        if (control) control->Release();
    }
    std::wstring File(const std::wstring& name, size_t size) {
        const std::wstring path = folder + L"\\" + name;
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
        EXPECT_TRUE(test::WriteFileBytes(path, bytes));
        return path;
    }
    void Queue(const std::wstring& path, const std::wstring& data = L"D") {
        test::Call(control, L"AddUploadFile", {Var(path), Var(data)});
    }
    int StartUpload(const std::wstring& page_path) {
        return test::Call(control, L"StartUpload",
                          {Var(test::UploadUrl(page_path)), Var(L"inbox"), Var(L"P"), Var(L""), Var(L"")})
            .Int();
    }
    std::wstring Return(int index) { return test::Call(control, L"GetReturn", {Var(index)}).Text(); }
    test::Json Requests() { return test::ServerLog(test::UploadPort()); }

    IDispatch* control = nullptr;
    std::wstring folder;
};

std::wstring Backslashed(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

TEST_F(Uploads, ReturnOneResultPerFileInQueueOrderAndSendTheQueueAgainOnTheNextStart) {
    EXPECT_EQ(StartUpload(L"/ok/save.asp"), 0) << "an empty queue starts nothing";
    EXPECT_EQ(Requests().size(), 0u);

    const std::wstring first = File(L"first.txt", 10);
    File(L"second.doc", 20);
    const std::wstring second = folder + L"/second.doc";  // a page may write slashes
    test::Call(control, L"AddFilename", {Var(L"N1")});
    Queue(first);
    Queue(second);
    ASSERT_EQ(StartUpload(L"/ok/save.asp"), 2);
    EXPECT_EQ(Return(0), first + L"/OK first/10");
    EXPECT_EQ(Return(1), Backslashed(second) + L"/OK second/20");
    EXPECT_EQ(Return(2), L"");
    EXPECT_EQ(Return(-1), L"");
    test::Json log = Requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0]["target"].text.find("&filename=N1&"), std::string::npos);
    EXPECT_NE(log[1]["target"].text.find("&filename=N1&"), std::string::npos) << "the pending name stays";

    // The queue stays: the same two files go again and replace the results.
    File(L"first.txt", 12);
    ASSERT_EQ(StartUpload(L"/ok/save.asp"), 2);
    EXPECT_EQ(Return(0), first + L"/OK first/12");
    EXPECT_EQ(Requests().size(), 4u);
}

TEST_F(Uploads, StopAtTheFirstFileTheServerRefuses) {
    Queue(File(L"one.txt", 5));
    Queue(File(L"fail-two.txt", 5));
    Queue(File(L"three.txt", 5));
    ASSERT_EQ(StartUpload(L"/ok/save.asp"), 1);
    EXPECT_EQ(Return(0), folder + L"\\one.txt/OK one/5");
    EXPECT_EQ(Return(1), L"");
    test::Json log = Requests();
    ASSERT_EQ(log.size(), 2u) << "the third file is never requested";
    EXPECT_NE(log[1]["target"].text.find("name=fail-two"), std::string::npos);
}

TEST_F(Uploads, StartUpload2IgnoresTheAuthenticationOptionAndStartUpload3CarriesItAndTheSid) {
    Queue(File(L"plain.txt", 100));
    test::Put(control, L"NTLM", Var(true));
    EXPECT_EQ(test::Call(control, L"StartUpload2",
                         {Var(test::UploadUrl(L"/ok/u.asp")), Var(L"d"), Var(L"p"), Var(L""), Var(L""), Var(L"T")})
                  .Int(),
              1);
    test::Json log = Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0]["complete"].boolean);
    EXPECT_EQ(log[0]["body_length"].Int(), 100);
    EXPECT_NE(log[0]["target"].text.find("&sid="), std::string::npos);

    // With the option the first attempt ends after the headers: a server that
    // answers that attempt at once with its challenge gets no body, and the
    // file fails because the library completed the request instead of
    // asking for another attempt.
    test::ResetServer(test::UploadPort());
    EXPECT_EQ(test::Call(control, L"StartUpload3",
                         {Var(test::UploadUrl(L"/early/401/u.asp")), Var(L"d"), Var(L"p"), Var(L"user"),
                          Var(L"pw"), Var(L"S3")})
                  .Int(),
              0);
    log = Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["body_length"].Int(), 0);
    EXPECT_NE(log[0]["target"].text.find("&sid=S3"), std::string::npos);

    test::ResetServer(test::UploadPort());
    test::Put(control, L"NTLM", Var(false));
    EXPECT_EQ(test::Call(control, L"StartUpload3",
                         {Var(test::UploadUrl(L"/ok/u.asp")), Var(L"d"), Var(L"p"), Var(L""), Var(L""), Var(L"S3")})
                  .Int(),
              1);
    log = Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["body_length"].Int(), 100);
    EXPECT_NE(log[0]["target"].text.find("&sid=S3"), std::string::npos);
}

TEST_F(Uploads, AHiddenDialogIsNeverVisibleWhileTheBatchRuns) {
    test::Put(control, L"HideProgressDlg", Var(true));
    Queue(File(L"quiet.txt", 50000));
    test::DialogWatcher watcher;
    EXPECT_EQ(StartUpload(L"/slowreply/400/u.asp"), 1);
    EXPECT_TRUE(watcher.ever_found()) << "the watcher saw the dialog";
    EXPECT_FALSE(watcher.ever_visible());
}

TEST_F(Uploads, TheDialogShowsByteCountsInBytesUpTo1048575AndInKilobytesAbove) {
    Queue(File(L"just-below.bin", 1048575));
    {
        test::DialogWatcher watcher;
        ASSERT_EQ(StartUpload(L"/slowreply/400/u.asp"), 1);
        const test::DialogWatcher::Sample last = watcher.Final();
        EXPECT_EQ(last.bytes, L"1,048,575 / 1,048,575 Bytes");
        EXPECT_EQ(last.files, L"1 / 1 Files");
        EXPECT_EQ(last.name, L"just-below.bin");
        EXPECT_EQ(last.title, L"File Upload");
        EXPECT_TRUE(watcher.ever_visible());
    }
    test::Call(control, L"AddUploadFile", {Var(L""), Var(L"")});
    Queue(File(L"one-mebibyte.bin", 1048576));
    test::Put(control, L"SetBigLang", Var(1));
    {
        test::DialogWatcher watcher;
        ASSERT_EQ(StartUpload(L"/slowreply/400/u.asp"), 1);
        EXPECT_EQ(watcher.Final().bytes, L"1,024 / 1,024 KB");
        EXPECT_EQ(watcher.Final().title, L"파일전송");
    }
    test::Put(control, L"SetBigLang", Var(2));
}

TEST_F(Uploads, GetReturnSizeReportsLocalSizes) {
    const std::wstring ten = File(L"ten.bin", 10);
    EXPECT_EQ(test::Get(control, L"GetReturnSize", {Var(ten)}).Text(), L"10");
    EXPECT_EQ(test::Get(control, L"GetReturnSize", {Var(folder + L"\\missing.bin")}).Text(), L"-1");
    EXPECT_EQ(test::Get(control, L"GetReturnSize", {Var(folder + L"\\t*.bin")}).Text(), L"-1");
}

// Upload batches driven through the dialog directly, with a stand-in for
// the page thread's message queue or for the worker's start.
struct UploadBatches : Uploads {
    INT_PTR Run(corvela::BatchPlatform platform, std::function<void()> user_cancelled = nullptr) {
        corvela::TransferJob job;
        job.page = corvela::FromW(test::UploadUrl(L"/ok/u.asp").c_str());
        job.files = files;
        corvela::CProgressDlg dialog(job, std::move(user_cancelled), std::move(platform));
        const INT_PTR result = dialog.Run();
        results = dialog.Results();
        return result;
    }
    void Add(const std::wstring& name, size_t size) { files.push_back(corvela::FromW(File(name, size).c_str())); }

    corvela::TextList files;
    corvela::TextList results;
};

// A page thread that stops pumping fills its queue (about 10,000 posted
// messages on Windows; Wine has no such quota, see
// WineDiffers.PostedMessagesHaveNoQuota) and the platform refuses further
// posts: here every post is refused until the end notice. No result may be lost, and the
// dialog ends showing what it shows when nothing was refused.
TEST_F(UploadBatches, APageThreadWhoseQueueIsFullLosesNoResult) {
    Add(L"one.bin", 300000);
    Add(L"two.bin", 5);
    Add(L"three.bin", 70000);
    // One watcher at a time: each takes over the dialog's window procedure.
    auto shown_after = [&](corvela::BatchPlatform platform) {
        test::DialogWatcher watcher;
        EXPECT_EQ(Run(std::move(platform)), corvela::BATCH_RESULT_FINISHED);
        return watcher.Final();
    };
    const test::DialogWatcher::Sample normal = shown_after({});
    const corvela::TextList expected = results;
    ASSERT_EQ(expected.size(), 3u);

    std::atomic<int> refused{0};
    const test::DialogWatcher::Sample full = shown_after({[&](HWND window, UINT message, WPARAM kind, LPARAM lparam) {
        if (kind != corvela::PROGRESS_END) return ++refused, false;
        return PostMessageW(window, message, kind, lparam) != FALSE;
    }});
    EXPECT_GT(refused.load(), 0);
    EXPECT_EQ(results, expected);
    EXPECT_EQ(full.files, normal.files);
    EXPECT_EQ(full.bytes, normal.bytes);
    EXPECT_EQ(full.name, L"three.bin");
}

// The user closes the dialog when the worker's end notice is already on its
// way, and the page's CancelTransfer handler pumps messages (an alert): the
// batch stays cancelled.
TEST_F(UploadBatches, AnEndNoticeArrivingAfterTheUserClosedTheDialogChangesNothing) {
    Add(L"closing.txt", 10);
    int cancels = 0;
    corvela::BatchPlatform platform;
    platform.post = [](HWND window, UINT message, WPARAM kind, LPARAM lparam) {
        if (kind == corvela::PROGRESS_END) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return PostMessageW(window, message, kind, lparam) != FALSE;
    };
    EXPECT_EQ(Run(std::move(platform),
                  [&] {
                      ++cancels;
                      test::PumpFor(300);
                  }),
              corvela::BATCH_RESULT_CANCELLED);
    EXPECT_EQ(cancels, 1);
}

// A worker that cannot start is a batch that never ran, as a dialog that
// cannot be shown: the start command keeps the page's return list.
TEST_F(UploadBatches, AWorkerThatCannotStartEndsTheBatchAsNeverRun) {
    Add(L"never.txt", 10);
    corvela::BatchPlatform platform;
    platform.start_worker = [](std::shared_ptr<corvela::TransferSession>, const corvela::TransferJob&) -> HANDLE {
        return nullptr;
    };
    EXPECT_EQ(Run(std::move(platform)), corvela::BATCH_RESULT_NEVER_RAN);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(Requests().size(), 0u);
}

// Cancels need a control with a window: the dialog tells the control whose
// window was created last.
struct Cancels : Uploads {
    void SetUp() override {
        Uploads::SetUp();
        recorder = new test::EventRecorder(DIID__DCorvelaEvents);
        ASSERT_EQ(container.Host(CLSID_Corvela, 300, 100, [&](IUnknown* c) { recorder->Connect(c); }), S_OK);
        control->Release();
        control = container.Control();
        control->AddRef();
    }
    void TearDown() override {
        recorder->Disconnect();
        recorder->Release();
        Uploads::TearDown();
    }
    // Queues a large file sent slowly, runs the batch and acts on the dialog
    // once that file's body is on its way.
    int StartAndInterrupt(const std::function<void(HWND)>& interrupt) {
        Queue(File(L"large.bin", 40 * 1024 * 1024));
        test::DialogWatcher watcher([&](HWND dialog, const test::DialogWatcher::Sample& sample) {
            if (sample.name != L"large.bin") return false;
            Sleep(300);
            interrupt(dialog);
            return true;
        });
        return StartUpload(L"/slowbody/1048576/u.asp");
    }
    // The body length the server ends with once it has read what was on its
    // way when the connection closed.
    long long SettledBodyLength(size_t request) {
        long long last = -1;
        for (int i = 0; i < 40; ++i) {
            test::PumpFor(250);
            const long long now = Requests()[request]["body_length"].Int();
            if (now == last) return now;
            last = now;
        }
        return last;
    }

    test::TestContainer container;
    test::EventRecorder* recorder = nullptr;
};

TEST_F(Cancels, TheCloseCommandCancelsFiresCancelTransferOnceAndKeepsTheEarlierResults) {
    Queue(File(L"earlier.txt", 7));
    ASSERT_EQ(StartUpload(L"/ok/u.asp"), 1);
    const std::wstring earlier = Return(0);
    test::ResetServer(test::UploadPort());

    EXPECT_EQ(StartAndInterrupt([](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }), 0);
    EXPECT_EQ(recorder->Count(2), 1u);
    EXPECT_EQ(Return(0), earlier);
    EXPECT_EQ(Return(1), L"");

    // The body stopped: once the server has read what was already on its
    // way, the connection is closed and the file never arrived whole.
    test::Json log = Requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_LT(SettledBodyLength(1), 40 * 1024 * 1024);
    EXPECT_FALSE(Requests()[1]["complete"].boolean);
}

TEST_F(Cancels, ACancelWhileTheServerPreparesItsReplyLetsThatRequestFinishAndStopsTheBatch) {
    Queue(File(L"answered.txt", 3000));
    Queue(File(L"never.txt", 3000));
    test::DialogWatcher watcher([&](HWND dialog, const test::DialogWatcher::Sample&) {
        // The body is on the server when its log says so; the reply is
        // 1.5 s away.
        test::Json log = Requests();
        if (log.size() != 1 || !log[0]["complete"].boolean) return false;
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    });
    EXPECT_EQ(StartUpload(L"/slowreply/1500/u.asp"), 0);
    EXPECT_EQ(recorder->Count(2), 1u);
    test::PumpFor(2500);  // the reply arrives; the worker stops before the next file
    test::Json log = Requests();
    ASSERT_EQ(log.size(), 1u) << "the second file is never requested";
    EXPECT_TRUE(log[0]["complete"].boolean);
}

// The window of the dialog's thread that has the keyboard focus, where a
// key the user presses goes.
HWND FocusOf(HWND dialog) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) || !info.hwndFocus) return dialog;
    return info.hwndFocus;
}

void PressKey(HWND dialog, UINT key) {
    HWND focus = FocusOf(dialog);
    const LPARAM press = 1 | (static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16);
    PostMessageW(focus, WM_KEYDOWN, key, press);
    PostMessageW(focus, WM_KEYUP, key, press | 0xC0000000);
}

// The user's ways out of a running upload, against the reference receiver
// reading the first of two files slowly: Escape and the Cancel button (in
// the dialog's language) cancel as the close box does, the page hears
// CancelTransfer once and nothing more is sent; Enter leaves the batch
// running to its end.
TEST_F(Cancels, EscapeAndTheCancelButtonCancelAndTellThePageEnterDoesNothing) {
    struct Way {
        const char* name;
        int language;
        std::function<void(HWND)> press;
        bool cancels;
    };
    std::wstring button_text;
    const auto click_cancel_button = [&](HWND dialog) {
        HWND button = GetDlgItem(dialog, IDCANCEL);
        wchar_t text[64] = {};
        GetWindowTextW(button, text, 64);
        button_text = text;
        RECT bounds = {};
        GetClientRect(button, &bounds);
        const LPARAM middle = MAKELPARAM(bounds.right / 2, bounds.bottom / 2);
        PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, middle);
        PostMessageW(button, WM_LBUTTONUP, 0, middle);
    };
    const Way ways[] = {
        {"Escape", 2, [](HWND dialog) { PressKey(dialog, VK_ESCAPE); }, true},
        {"the Cancel button", 1, click_cancel_button, true},
        {"Enter", 2, [](HWND dialog) { PressKey(dialog, VK_RETURN); }, false},
    };
    const std::wstring first = File(L"first.bin", 24 * 1024 * 1024);
    const std::wstring second = File(L"second.bin", 3000);
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        test::Put(control, L"SetBigLang", Var(way.language));
        test::Call(control, L"AddUploadFile", {Var(L""), Var(L"")});
        Queue(first);
        Queue(second);
        const size_t cancels_before = recorder->Count(2);
        const size_t logged_before = test::SlowReceiverUploads().size();
        test::DialogWatcher watcher([&](HWND dialog, const test::DialogWatcher::Sample& sample) {
            if (sample.name != L"first.bin") return false;
            Sleep(300);
            way.press(dialog);
            return true;
        });
        const int sent = test::Call(control, L"StartUpload",
                                    {Var(test::SlowReceiverUrl(L"/upload.asp")), Var(L"cancels"), Var(L""), Var(L""),
                                     Var(L"")})
                             .Int();
        std::vector<test::ReceivedUpload> log;
        const size_t expected_requests = way.cancels ? 1 : 2;
        test::PumpUntil(
            [&] {
                log = test::SlowReceiverUploads();
                return log.size() >= logged_before + expected_requests;
            },
            15000);
        test::PumpFor(1000);  // time for a request that should not come
        log = test::SlowReceiverUploads();
        log.erase(log.begin(), log.begin() + std::min(logged_before, log.size()));
        if (way.cancels) {
            EXPECT_EQ(sent, 0);
            EXPECT_EQ(recorder->Count(2), cancels_before + 1);
            ASSERT_EQ(log.size(), 1u) << "the second file is never sent";
            EXPECT_EQ(log[0].result, "cut") << "the first stops on its way";
            EXPECT_EQ(log[0].name, "first.bin");
        } else {
            EXPECT_EQ(sent, 2);
            EXPECT_EQ(recorder->Count(2), cancels_before);
            ASSERT_EQ(log.size(), 2u);
            EXPECT_EQ(log[0].result, "stored");
            EXPECT_EQ(log[1].result, "stored");
        }
    }
    EXPECT_EQ(button_text, L"취소");
    test::Put(control, L"SetBigLang", Var(2));
}

// A page may let go of the control inside CancelTransfer: the start
// command's call keeps it until the call returns.
TEST_F(Uploads, ThePageMayLetGoOfTheControlInsideCancelTransfer) {
    test::TestContainer container;
    auto* recorder = new test::EventRecorder(DIID__DCorvelaEvents);
    HWND window = nullptr;
    bool alive_in_handler = false;
    recorder->on_event = [&](const test::Event& event) {
        if (event.id != 2) return;
        window = container.ControlWindow();
        container.Abandon();
        alive_in_handler = IsWindow(window) != FALSE;
    };
    ASSERT_EQ(container.Host(CLSID_Corvela, 300, 100, [&](IUnknown* c) { recorder->Connect(c, false); }), S_OK);
    IDispatch* hosted = container.Control();
    test::Call(hosted, L"AddUploadFile", {Var(File(L"large.bin", 40 * 1024 * 1024)), Var(L"D")});
    test::DialogWatcher watcher([](HWND dialog, const test::DialogWatcher::Sample& sample) {
        if (sample.name != L"large.bin") return false;
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    });
    EXPECT_EQ(test::Call(hosted, L"StartUpload",
                         {Var(test::UploadUrl(L"/slowbody/1048576/u.asp")), Var(L""), Var(L""), Var(L""), Var(L"")})
                  .Int(),
              0);
    EXPECT_TRUE(alive_in_handler);
    test::PumpFor(100);
    EXPECT_FALSE(IsWindow(window)) << "the control went once the call returned";
    recorder->Release();
}

// Download batches, driven through the dialog directly.
struct DownloadBatches : testing::Test {
    void SetUp() override {
        cache = test::NewScratchFolder(L"cache");
        test::ResetServer(test::DownloadPort());
    }
    void Add(const std::wstring& path, const std::wstring& unique_id, const std::wstring& name, uint32_t size) {
        job.files.push_back(corvela::FromW(test::DownloadUrl(path).c_str()));
        job.unique_ids.push_back(corvela::FromW(unique_id.c_str()));
        job.destination_names.push_back(corvela::FromW(name.c_str()));
        job.sizes.push_back(size);
    }
    INT_PTR Run() {
        job.mode = corvela::MODE_CACHE_DOWNLOAD;
        job.cache_folder = corvela::FromW(cache.c_str());
        corvela::CProgressDlg dialog(job, [&] { ++user_cancels; });
        const INT_PTR result = dialog.Run();
        for (const corvela::Text& entry : dialog.Results()) results.push_back(std::wstring(entry.begin(), entry.end()));
        return result;
    }
    size_t Requests() { return test::ServerLog(test::DownloadPort()).size(); }

    std::wstring cache;
    corvela::TransferJob job;
    std::vector<std::wstring> results;
    int user_cancels = 0;
};

TEST_F(DownloadBatches, ACachedCopyIsReusedWhenTheUserAgrees) {
    ASSERT_TRUE(test::WriteFileBytes(cache + L"\\id-1", "cached"));
    Add(L"/file/report.pdf?size=100", L"id-1", L"report.pdf", 100);
    test::MessageBoxWatcher boxes;
    boxes.Answer(L"report.pdf", IDYES);
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(results, (std::vector<std::wstring>{cache + L"\\id-1"}));
    EXPECT_EQ(Requests(), 0u);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text,
              L"Previous downloaded file 'report.pdf' is found.\nDo you want to open the old file?");
}

TEST_F(DownloadBatches, DecliningTheCachedCopyFetchesAgainAndKeepsTheCopy) {
    ASSERT_TRUE(test::WriteFileBytes(cache + L"\\id-1", "cached"));
    Add(L"/file/report.pdf?size=100", L"id-1", L"report.pdf", 100);
    test::MessageBoxWatcher boxes;
    boxes.Answer(L"report.pdf", IDNO);
    ASSERT_EQ(Run(), 1);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_NE(results[0], cache + L"\\id-1") << "the move never replaces the cached file";
    EXPECT_EQ(results[0].substr(results[0].size() - 4), L".pdf");
    EXPECT_EQ(test::ReadFileBytes(results[0]).size(), 100u);
    EXPECT_EQ(test::ReadFileBytes(cache + L"\\id-1"), "cached");
    EXPECT_EQ(Requests(), 1u);
}

TEST_F(DownloadBatches, FilesMoveIntoTheCacheUnlessTheyHaveNoUniqueId) {
    Add(L"/file/a?size=10", L"", L"a.b.c", 10);
    Add(L"/file/b?size=20", L"id-b", L"b.txt", 20);
    test::MessageBoxWatcher boxes;
    ASSERT_EQ(Run(), 1);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].substr(results[0].size() - 4), L".b.c") << "the extension follows the first dot";
    EXPECT_EQ(test::ReadFileBytes(results[0]).size(), 10u);
    EXPECT_EQ(results[1], cache + L"\\id-b");
    EXPECT_EQ(test::ReadFileBytes(results[1]).size(), 20u);
    EXPECT_TRUE(boxes.seen().empty()) << "nothing to ask about";
}

TEST_F(DownloadBatches, AFailedDownloadIsSkippedAndTheOthersGoOn) {
    Add(L"/file/one?size=10", L"one", L"one.txt", 10);
    Add(L"/status/404/two", L"two", L"two.txt", 10);
    Add(L"/file/three?size=30", L"three", L"three.txt", 30);
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(results, (std::vector<std::wstring>{cache + L"\\one", cache + L"\\three"}));
}

TEST_F(DownloadBatches, ACancelWhileTheUserIsAskedCarriesOutTheAnswerAndThenStops) {
    ASSERT_TRUE(test::WriteFileBytes(cache + L"\\id-1", "cached"));
    Add(L"/file/first.pdf?size=100", L"id-1", L"first.pdf", 100);
    Add(L"/file/second.pdf?size=100", L"id-2", L"second.pdf", 100);
    test::MessageBoxWatcher boxes;
    boxes.Answer(L"first.pdf", IDNO);
    // The user closes the progress dialog while the question is up.
    boxes.BeforeAnswer([](const test::MessageBoxWatcher::Seen&) {
        PostMessageW(test::FindProgressDialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
        Sleep(300);
    });
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(user_cancels, 1);
    test::PumpFor(1000);
    // "No" was carried out: the new download started and stopped at its
    // first notice; the second file never started.
    test::Json log = test::ServerLog(test::DownloadPort());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0]["target"].text.find("first.pdf"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(cache + L"\\id-1"), "cached");
}

TEST(Worker, StopsBeforeItsFirstFileWhenTheBatchIsNoLongerRunning) {
    auto session = std::make_shared<corvela::TransferSession>(0);
    HWND receiver = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    session->channel().Open(receiver);
    test::ResetServer(test::UploadPort());
    corvela::TransferJob job;
    job.page = corvela::FromW(test::UploadUrl(L"/ok/u.asp").c_str());
    job.files = {u"C:\\windows\\win.ini"};
    auto* worker = new corvela::CKelDownloadThread();
    HANDLE thread = worker->SetupUpload(session, job);  // the running flag is still 0
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    MSG end = {};
    ASSERT_TRUE(PeekMessageW(&end, receiver, 0, 0, PM_REMOVE));
    EXPECT_EQ(end.wParam, static_cast<WPARAM>(corvela::PROGRESS_END));
    EXPECT_EQ(end.lParam, 2) << "the end notice tells of a cancel";
    EXPECT_FALSE(PeekMessageW(&end, receiver, 0, 0, PM_REMOVE)) << "no record before it";
    EXPECT_EQ(test::ServerLog(test::UploadPort()).size(), 0u) << "no file touched";
    session->channel().Close();
    DestroyWindow(receiver);
}

TEST_F(DownloadBatches, ClosingDuringTheSecondOfThreeStopsTheThird) {
    Add(L"/file/one?size=10", L"one", L"one.txt", 10);
    Add(L"/slow/two?size=2000000&rate=200000", L"two", L"two.txt", 2000000);
    Add(L"/file/three?size=30", L"three", L"three.txt", 30);
    test::DialogWatcher watcher([](HWND dialog, const test::DialogWatcher::Sample& sample) {
        if (sample.name != L"two.txt") return false;
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    });
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(user_cancels, 1);
    EXPECT_EQ(watcher.Final().title, L"File Upload");
    test::PumpFor(1500);  // the worker notices at its next record and stops
    test::Json log = test::ServerLog(test::DownloadPort());
    ASSERT_EQ(log.size(), 2u) << "the third file is never requested";
}

}  // namespace
