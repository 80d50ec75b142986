// What one entry shows: size text, extension, icon and big-file marker.
#include <gtest/gtest.h>

#include "filelist/file_entry.h"

using corvela::Text;

TEST(FormatSizeText, UsesBytesUpTo1024ThenWholeKilobytesThenMegabytesWithATruncatedTenth) {
    EXPECT_EQ(corvela::FormatSizeText(u"1"), u"(1 B)");
    EXPECT_EQ(corvela::FormatSizeText(u"1024"), u"(1024 B)");
    EXPECT_EQ(corvela::FormatSizeText(u"1025"), u"(1 KB)");
    EXPECT_EQ(corvela::FormatSizeText(u"2047"), u"(1 KB)");
    EXPECT_EQ(corvela::FormatSizeText(u"1048576"), u"(1024 KB)");
    EXPECT_EQ(corvela::FormatSizeText(u"1048577"), u"(1.0 MB)");
    EXPECT_EQ(corvela::FormatSizeText(u"1572864"), u"(1.5 MB)");
    EXPECT_EQ(corvela::FormatSizeText(u"2097151"), u"(1.9 MB)");
    EXPECT_EQ(corvela::FormatSizeText(u"4294967295"), u"(4095.9 MB)");
    // Above 4 GiB the true size, never wrapped or cut to 4 GiB.
    EXPECT_EQ(corvela::FormatSizeText(u"4294967296"), u"(4096.0 MB)");
    EXPECT_EQ(corvela::FormatSizeText(u"5368709120"), u"(5120.0 MB)");
}

TEST(FormatSizeText, ReadsTheSizeLikeTheCLibraryReadsAnUnsignedLong) {
    EXPECT_EQ(corvela::FormatSizeText(u""), u"");
    EXPECT_EQ(corvela::FormatSizeText(u"0"), u"");
    EXPECT_EQ(corvela::FormatSizeText(u"abc"), u"");
    EXPECT_EQ(corvela::FormatSizeText(u"-"), u"");
    EXPECT_EQ(corvela::FormatSizeText(u" \t\n512"), u"(512 B)");
    EXPECT_EQ(corvela::FormatSizeText(u"+2048"), u"(2 KB)");
    EXPECT_EQ(corvela::FormatSizeText(u"12abc"), u"(12 B)");
    EXPECT_EQ(corvela::FormatSizeText(u"1 024"), u"(1 B)");
    // Negative values wrap modulo 2^32 (a page that took a 3 GiB file's old
    // negative size gets 3 GiB) and beyond -2^32 read as 2^32-1; positive
    // values saturate at 2^64-1.
    EXPECT_EQ(corvela::FormatSizeText(u"-1"), u"(4095.9 MB)");
    EXPECT_EQ(corvela::FormatSizeText(u"-1073741824"), u"(3072.0 MB)");
    EXPECT_EQ(corvela::FormatSizeText(u"-4294967295"), u"(1 B)");
    EXPECT_EQ(corvela::FormatSizeText(u"-4294967296"), u"(4095.9 MB)");
    EXPECT_EQ(corvela::FormatSizeText(u"99999999999999999999999"), u"(17592186044415.9 MB)");
}

TEST(ExtensionOf, TakesTheTextAfterTheLastDotButNeverLooksAtTheFirstCharacter) {
    EXPECT_EQ(corvela::ExtensionOf(u"Photo.JPG"), u"JPG");
    EXPECT_EQ(corvela::ExtensionOf(u"archive.tar.gz"), u"gz");
    EXPECT_EQ(corvela::ExtensionOf(u"README"), u"README");
    EXPECT_EQ(corvela::ExtensionOf(u".profile"), u".profile");
    EXPECT_EQ(corvela::ExtensionOf(u".config.txt"), u"txt");
    EXPECT_EQ(corvela::ExtensionOf(u"trailing."), u"");
    EXPECT_EQ(corvela::ExtensionOf(u""), u"");
}

TEST(IconForExtension, ComparesExactlyAndGivesThePaperClipForAnythingElse) {
    struct Case {
        const char16_t* extension;
        int icon;
    };
    const Case cases[] = {
        {u"jpg", 0},   {u"jpeg", 0},  {u"gif", 0},   {u"png", 0},  {u"bmp", 0},  {u"tif", 0},  {u"tiff", 0},
        {u"ppt", 6},   {u"pptx", 6},  {u"ppsx", 6},  {u"pps", 6},  {u"doc", 7},  {u"docx", 7}, {u"xls", 8},
        {u"xlsx", 8},  {u"pdf", 9},   {u"txt", 10},  {u"zip", 11}, {u"ecm", 14}, {u"hwp", 15}, {u"JPG", 12},
        {u"gz", 12},   {u"", 12},     {u"exe", 12},  {u"pdf ", 12},
    };
    for (const Case& c : cases) EXPECT_EQ(corvela::IconForExtension(c.extension), c.icon) << Text(c.extension).size();

    // Names without a usable dot are their own extension.
    EXPECT_EQ(corvela::IconForExtension(corvela::ExtensionOf(u"pdf")), 9);
    EXPECT_EQ(corvela::IconForExtension(corvela::ExtensionOf(u"README")), 12);
    EXPECT_EQ(corvela::IconForExtension(corvela::ExtensionOf(u".profile")), 12);
}

TEST(IconAfterMove, ShowsThePadlockForDrmEntriesAndOtherwiseTheNameAsWritten) {
    EXPECT_EQ(corvela::IconAfterMove(u"a.docx", u"DRM"), 13);
    EXPECT_EQ(corvela::IconAfterMove(u"a.docx", u""), 7);
    EXPECT_EQ(corvela::IconAfterMove(u"Photo.JPG", u""), 12);
    EXPECT_EQ(corvela::IconAfterMove(u"a.docx", u"drm"), 7);
}

TEST(BigFileMarker, FollowsTheLanguageSelector) {
    EXPECT_EQ(corvela::BigFileMarker(1), u"[대용량]");
    EXPECT_EQ(corvela::BigFileMarker(0), u"[Big]");
    EXPECT_EQ(corvela::BigFileMarker(2), u"[Big]");
}
