#include <gtest/gtest.h>

#include "transport/download_progress.h"

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
