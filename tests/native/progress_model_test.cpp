#include <gtest/gtest.h>

#include <string>

#include "session/progress_model.h"

using corvela::ProgressModel;
using corvela::ProgressRecord;
using corvela::ProgressUpdate;
using corvela::Text;

namespace {

// One line naming every part an update changes, in a fixed order.
std::string Describe(const ProgressUpdate& u) {
    std::string out;
    auto number = [&](const char* name, const std::optional<uint32_t>& v) {
        if (v) out += std::string(name) + "=" + std::to_string(*v) + " ";
    };
    auto text = [&](const char* name, const std::optional<Text>& v) {
        if (v) out += std::string(name) + "=[" + corvela::TextToUtf8(*v) + "] ";
    };
    number("file_range", u.file_bar_range);
    number("file_pos", u.file_bar_position);
    number("total_range", u.total_bar_range);
    number("total_pos", u.total_bar_position);
    text("name", u.name_text);
    text("count", u.file_count_text);
    text("bytes", u.byte_count_text);
    return out;
}

ProgressRecord Record(int32_t stage, uint32_t done, uint32_t total, Text name = u"", Text reply = u"") {
    ProgressRecord r;
    r.stage = stage;
    r.done = done;
    r.total = total;
    r.name = std::move(name);
    r.reply = std::move(reply);
    return r;
}

}  // namespace

TEST(ProgressTexts, SwitchToKilobytesAboveOneMebibyteMinusOne) {
    EXPECT_EQ(corvela::ByteCountText(0, 1048575), u"0 / 1,048,575 Bytes");
    EXPECT_EQ(corvela::ByteCountText(0, 1048576), u"0 / 1,024 KB");
    EXPECT_EQ(corvela::ByteCountText(2047, 1048576), u"1 / 1,024 KB");
    EXPECT_EQ(corvela::ByteCountText(0xFFFFFFFF, 0xFFFFFFFF), u"4,194,303 / 4,194,303 KB");
    EXPECT_EQ(corvela::FileCountText(2, 3), u"2 / 3 Files");
}

TEST(ProgressTexts, NameIsTextAfterLastBackslash) {
    EXPECT_EQ(corvela::NameText(u"C:\\dir\\report.pdf"), u"report.pdf");
    EXPECT_EQ(corvela::NameText(u"report.pdf"), u"report.pdf");
    EXPECT_EQ(corvela::NameText(u"C:/dir/a.txt"), u"C:/dir/a.txt");
}

TEST(ProgressTexts, UploadResultTurnsSlashesAndPrintsSizeSigned) {
    EXPECT_EQ(corvela::UploadResultText(u"C:/dir/a.txt", u"OK", 10), u"C:\\dir\\a.txt/OK/10");
    EXPECT_EQ(corvela::UploadResultText(u"C:\\b.bin", u"", 3000000000u), u"C:\\b.bin//-1294967296");
}

TEST(ProgressTexts, TitleIsKoreanForAnyNonZeroLanguage) {
    EXPECT_EQ(corvela::DialogTitle(0), u"File Upload");
    EXPECT_EQ(corvela::DialogTitle(1), u"파일전송");
    EXPECT_EQ(corvela::DialogTitle(2), u"파일전송");
}

TEST(ProgressModelStart, UnreadableUploadFileAddsMinusOne) {
    ProgressModel model;
    const ProgressUpdate update = model.StartUpload({uint64_t{10}, std::nullopt, uint64_t{5}});
    EXPECT_EQ(Describe(update), "total_range=14 ");
    // Sizes are summed modulo 2^32.
    EXPECT_EQ(Describe(model.StartUpload({uint64_t{0x100000003}})), "total_range=3 ");
}

TEST(ProgressModelStart, DownloadTotalWrapsAndRestartResetsCounters) {
    ProgressModel model;
    const auto kind = corvela::PROGRESS_DOWNLOAD;
    model.StartDownload(1, {100});
    model.Apply(kind, Record(corvela::STAGE_DONE, 0, 100), u"");

    // A new batch counts from its first file and from no bytes again.
    EXPECT_EQ(Describe(model.StartDownload(2, {0xFFFFFFFF, 2})), "total_range=1 ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_START, 0, 5), u"a")),
              "file_range=5 file_pos=0 name=[a] count=[1 / 2 Files] bytes=[0 / 5 Bytes] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_PROGRESS, 1, 5), u"a")),
              "file_pos=1 total_pos=1 bytes=[1 / 1 Bytes] ");
}

TEST(ProgressModelUpload, CountsAFileOnlyWhenAllOfItWent) {
    ProgressModel model;
    model.StartUpload({uint64_t{100}, uint64_t{50}});
    const auto kind = corvela::PROGRESS_UPLOAD;

    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_START, 0, 100, u"C:\\d\\a.txt"), u"ignored")),
              "file_range=100 file_pos=0 name=[a.txt] count=[1 / 2 Files] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_PROGRESS, 40, 100), u"")),
              "file_pos=40 total_pos=40 bytes=[40 / 150 Bytes] ");

    // The reply came for part of the file only: no result, same file number.
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_DONE, 60, 100, u"C:/d/a.txt", u"R"), u"")),
              "file_pos=60 total_pos=60 ");
    EXPECT_TRUE(model.results().empty());

    // Nothing of the part counted: the whole file starts from no bytes.
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_DONE, 100, 100, u"C:/d/a.txt", u"R"), u"")),
              "file_pos=100 total_pos=100 bytes=[100 / 150 Bytes] ");

    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_START, 0, 50, u"C:\\d\\b.txt"), u"")),
              "file_range=50 file_pos=0 name=[b.txt] count=[2 / 2 Files] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_PROGRESS, 10, 50), u"")),
              "file_pos=10 total_pos=110 bytes=[110 / 150 Bytes] ");
    model.Apply(kind, Record(corvela::STAGE_DONE, 50, 50, u"C:\\d\\b.txt", u"OK"), u"");

    EXPECT_EQ(model.results(), (corvela::TextList{u"C:\\d\\a.txt/R/100", u"C:\\d\\b.txt/OK/50"}));
}

TEST(ProgressModelDownload, KnownGrandTotalAddsEachFileToBytesDone) {
    ProgressModel model;
    model.StartDownload(2, {300, 700});
    const auto kind = corvela::PROGRESS_DOWNLOAD;

    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_START, 0, 300, u"C:\\tmp\\Kel1.pdf"), u"a.pdf")),
              "file_range=300 file_pos=0 name=[a.pdf] count=[1 / 2 Files] bytes=[0 / 300 Bytes] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_PROGRESS, 200, 300), u"a.pdf")),
              "file_pos=200 total_pos=200 bytes=[200 / 1,000 Bytes] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_DONE, 0xFFFFFFFF, 300), u"a.pdf")),
              "file_pos=300 total_pos=300 ");

    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_START, 0, 700), u"dir\\b.doc")),
              "file_range=700 file_pos=0 name=[b.doc] count=[2 / 2 Files] bytes=[0 / 700 Bytes] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_PROGRESS, 100, 700), u"")),
              "file_pos=100 total_pos=400 bytes=[400 / 1,000 Bytes] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_DONE, 700, 700), u"")),
              "file_pos=700 total_pos=1000 ");
    EXPECT_TRUE(model.results().empty());
}

TEST(ProgressModelDownload, ZeroGrandTotalDrivesTotalBarWithEachFilesOwnSize) {
    ProgressModel model;
    EXPECT_EQ(Describe(model.StartDownload(2, {0, 0})), "total_range=0 ");
    const auto kind = corvela::PROGRESS_DOWNLOAD;

    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_START, 0, 2000000), u"a.iso")),
              "file_range=2000000 file_pos=0 total_range=2000000 total_pos=0 name=[a.iso] "
              "count=[1 / 2 Files] bytes=[0 / 1,953 KB] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_PROGRESS, 1024000, 2000000), u"")),
              "file_pos=1024000 total_pos=1024000 bytes=[1,000 / 1,953 KB] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_DONE, 2000000, 2000000), u"")),
              "file_pos=2000000 total_pos=2000000 ");

    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_START, 0, 10), u"b.txt")),
              "file_range=10 file_pos=0 total_range=10 total_pos=0 name=[b.txt] count=[2 / 2 Files] "
              "bytes=[0 / 10 Bytes] ");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_PROGRESS, 5, 10), u"")),
              "file_pos=5 total_pos=5 bytes=[5 / 10 Bytes] ");
}

TEST(ProgressModelDownload, BytesDonePlusDoneWrapsLikeThirtyTwoBitCounters) {
    ProgressModel model;
    model.StartDownload(2, {0xFFFFFFF0, 0x20});
    const auto kind = corvela::PROGRESS_DOWNLOAD;
    model.Apply(kind, Record(corvela::STAGE_DONE, 0, 0xFFFFFFF0), u"");
    EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_PROGRESS, 0x20, 0x20), u"")),
              "file_pos=32 total_pos=16 bytes=[16 / 16 Bytes] ");
}

TEST(ProgressModelApply, OtherKindsAndStagesChangeNothing) {
    ProgressModel model;
    model.StartUpload({uint64_t{10}});
    for (uint32_t kind : {uint32_t{corvela::PROGRESS_END}, uint32_t{1}, uint32_t{3}})
        EXPECT_EQ(Describe(model.Apply(kind, Record(corvela::STAGE_DONE, 10, 10), u"")), "");
    for (uint32_t kind : {uint32_t{corvela::PROGRESS_DOWNLOAD}, uint32_t{corvela::PROGRESS_UPLOAD}})
        for (int32_t stage : {0, 2, 6})
            EXPECT_EQ(Describe(model.Apply(kind, Record(stage, 10, 10), u"")), "");
    EXPECT_TRUE(model.results().empty());
    // Still on the first file, with no bytes counted.
    EXPECT_EQ(Describe(model.Apply(corvela::PROGRESS_UPLOAD, Record(corvela::STAGE_START, 0, 10), u"")),
              "file_range=10 file_pos=0 name=[] count=[1 / 1 Files] ");
    EXPECT_EQ(Describe(model.Apply(corvela::PROGRESS_UPLOAD, Record(corvela::STAGE_PROGRESS, 4, 10), u"")),
              "file_pos=4 total_pos=4 bytes=[4 / 10 Bytes] ");
}

// Updates waiting for the next redraw fold into one: a block's update, which
// carries no name and no file count, must not blank the new file's.
TEST(ProgressUpdateMerge, ALaterPartReplacesAndAMissingPartKeepsWhatWasPending) {
    ProgressModel model;
    model.StartUpload({uint64_t{10}, uint64_t{20}});
    ProgressUpdate pending = model.Apply(corvela::PROGRESS_UPLOAD, Record(corvela::STAGE_START, 0, 10, u"C:\\a"), u"");
    pending.Merge(model.Apply(corvela::PROGRESS_UPLOAD, Record(corvela::STAGE_PROGRESS, 4, 10), u""));
    pending.Merge(model.Apply(corvela::PROGRESS_UPLOAD, Record(corvela::STAGE_PROGRESS, 8, 10), u""));
    EXPECT_EQ(Describe(pending), "file_range=10 file_pos=8 total_pos=8 name=[a] count=[1 / 2 Files] bytes=[8 / 30 Bytes] ");
}
