#include <gtest/gtest.h>

#include "transport/download_progress.h"

using corvela::DownloadProgressCounter;
using corvela::ProgressRecord;

TEST(DownloadProgressCounter, EachDownloadKeepsItsOwnDeltas) {
    DownloadProgressCounter first;
    DownloadProgressCounter second;

    const ProgressRecord a0 = first.Make(0, 9000, corvela::DOWNLOAD_PHASE_START, u"C:\\t\\a.pdf");
    const ProgressRecord b0 = second.Make(0, 500, corvela::DOWNLOAD_PHASE_START, u"C:\\t\\b.pdf");
    const ProgressRecord a1 = first.Make(4096, 9000, corvela::DOWNLOAD_PHASE_PROGRESS, u"C:\\t\\a.pdf");
    const ProgressRecord b1 = second.Make(500, 500, corvela::DOWNLOAD_PHASE_PROGRESS, u"C:\\t\\b.pdf");
    const ProgressRecord a2 = first.Make(8192, 9000, corvela::DOWNLOAD_PHASE_PROGRESS, u"C:\\t\\a.pdf");
    const ProgressRecord b2 = second.Make(500, 500, corvela::DOWNLOAD_PHASE_END, u"C:\\t\\b.pdf");
    const ProgressRecord a3 = first.Make(9000, 9000, corvela::DOWNLOAD_PHASE_END, u"C:\\t\\a.pdf");

    EXPECT_EQ(a0.stage, corvela::STAGE_START);
    EXPECT_EQ(a0.delta, 0u);
    EXPECT_EQ(a0.total, 9000u);
    EXPECT_EQ(a0.name, u"C:\\t\\a.pdf");
    EXPECT_EQ(a0.reply, u"");
    EXPECT_EQ(b0.delta, 0u);
    EXPECT_EQ(a1.stage, corvela::STAGE_PROGRESS);
    EXPECT_EQ(a1.delta, 4096u);
    EXPECT_EQ(b1.delta, 500u);
    EXPECT_EQ(a2.delta, 4096u);
    EXPECT_EQ(b2.stage, corvela::STAGE_DONE);
    EXPECT_EQ(b2.delta, 0u);
    EXPECT_EQ(a3.delta, 808u);
}

TEST(DownloadProgressCounter, StartPhaseBeginsCountingAgain) {
    DownloadProgressCounter counter;
    counter.Make(0, 100, corvela::DOWNLOAD_PHASE_START, u"x");
    counter.Make(70, 100, corvela::DOWNLOAD_PHASE_PROGRESS, u"x");
    // A cancelled download's counter reused for the next file.
    EXPECT_EQ(counter.Make(0, 50, corvela::DOWNLOAD_PHASE_START, u"y").delta, 0u);
    EXPECT_EQ(counter.Make(20, 50, corvela::DOWNLOAD_PHASE_PROGRESS, u"y").delta, 20u);
    // The end record of an unannounced length carries the marker as done.
    EXPECT_EQ(counter.Make(corvela::LENGTH_NOT_ANNOUNCED, 50, corvela::DOWNLOAD_PHASE_END, u"y").delta,
              0xFFFFFFFFu - 20u);
}

TEST(DownloadLength, UnannouncedTotalGrowsWithTheData) {
    EXPECT_EQ(corvela::ExpectedTotal(true, 9000, 4096, 8192), 9000u);
    EXPECT_EQ(corvela::ExpectedTotal(false, corvela::LENGTH_NOT_ANNOUNCED, 4096, 0), 4096u);
    EXPECT_EQ(corvela::ExpectedTotal(false, corvela::LENGTH_NOT_ANNOUNCED, 1000, 4096), 5096u);
    EXPECT_EQ(corvela::ExpectedTotal(false, corvela::LENGTH_NOT_ANNOUNCED, 0, 5096), 5096u);
}

TEST(DownloadLength, BodyShorterThanAnnouncedIsAFailure) {
    EXPECT_TRUE(corvela::BodyComplete(true, 9000, 9000));
    EXPECT_FALSE(corvela::BodyComplete(true, 9000, 8999));
    EXPECT_FALSE(corvela::BodyComplete(true, 1, 0));
    EXPECT_TRUE(corvela::BodyComplete(false, 0, 0));
    EXPECT_TRUE(corvela::BodyComplete(false, 0, 123456));
    EXPECT_TRUE(corvela::BodyComplete(true, 0x100000000ull, 0x100000000ull));
}

TEST(DownloadLength, ReadsStopAtTheAnnouncedLength) {
    EXPECT_EQ(corvela::NextReadBytes(true, 9000, 0, 4096), 4096u);
    EXPECT_EQ(corvela::NextReadBytes(true, 9000, 8192, 4096), 808u);
    EXPECT_EQ(corvela::NextReadBytes(true, 9000, 9000, 4096), 0u);
    EXPECT_EQ(corvela::NextReadBytes(true, 0x100001000ull, 0x100000000ull, 4096), 4096u);
    EXPECT_EQ(corvela::NextReadBytes(false, 0, 123456, 4096), 4096u);
}
