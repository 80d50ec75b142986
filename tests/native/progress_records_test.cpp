// The records the steps of a download become: each download counts its own
// deltas.
#include <gtest/gtest.h>

#include "session/progress_records.h"
#include "transport/download_progress.h"

using corvela::DownloadProgressCounter;
using corvela::ProgressRecord;
using Step = corvela::TransferStep;

TEST(DownloadProgressCounter, EachDownloadKeepsItsOwnDeltas) {
    DownloadProgressCounter first;
    DownloadProgressCounter second;

    const ProgressRecord a0 = first.Make(0, 9000, Step::Start, u"C:\\t\\a.pdf");
    const ProgressRecord b0 = second.Make(0, 500, Step::Start, u"C:\\t\\b.pdf");
    const ProgressRecord a1 = first.Make(4096, 9000, Step::Progress, u"C:\\t\\a.pdf");
    const ProgressRecord b1 = second.Make(500, 500, Step::Progress, u"C:\\t\\b.pdf");
    const ProgressRecord a2 = first.Make(8192, 9000, Step::Progress, u"C:\\t\\a.pdf");
    const ProgressRecord b2 = second.Make(500, 500, Step::Done, u"C:\\t\\b.pdf");
    const ProgressRecord a3 = first.Make(9000, 9000, Step::Done, u"C:\\t\\a.pdf");

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
    counter.Make(0, 100, Step::Start, u"x");
    counter.Make(70, 100, Step::Progress, u"x");
    // A cancelled download's counter reused for the next file.
    EXPECT_EQ(counter.Make(0, 50, Step::Start, u"y").delta, 0u);
    EXPECT_EQ(counter.Make(20, 50, Step::Progress, u"y").delta, 20u);
    // The end record of an unannounced length carries the marker as done.
    EXPECT_EQ(counter.Make(corvela::LENGTH_NOT_ANNOUNCED, 50, Step::Done, u"y").delta,
              0xFFFFFFFFu - 20u);
}
