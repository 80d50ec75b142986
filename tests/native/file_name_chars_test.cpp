#include <gtest/gtest.h>

#include "shell/file_name_chars.h"

using corvela::ChangeSpecialChar;
using corvela::ReplaceSpecialChars;

TEST(ChangeSpecialChar, TurnsEveryReservedCharacterIntoOneUnderscore) {
    EXPECT_EQ(ChangeSpecialChar(u"\\/:*?\"<>|"), u"_________");
    EXPECT_EQ(ChangeSpecialChar(u"C:\\Users\\kim\\report.doc"), u"C__Users_kim_report.doc");
    EXPECT_EQ(ChangeSpecialChar(u"a_b. 한글 2.txt"), u"a_b. 한글 2.txt");
    EXPECT_EQ(ChangeSpecialChar(u""), u"");
}

TEST(ChangeSpecialChar, StopsAtTheFirstNul) {
    EXPECT_EQ(ChangeSpecialChar(corvela::Text(u"ab\0c:d", 6)), u"ab");
}

TEST(ReplaceSpecialChars, ReplacementsOfOtherLengthsChangeTheLength) {
    EXPECT_EQ(ReplaceSpecialChars(u"a:b?c", u"--"), u"a--b--c");
    EXPECT_EQ(ReplaceSpecialChars(u"a:b", u""), u"ab");
    // A replacement holding a reserved character is itself replaced by the
    // passes that follow it in the order.
    EXPECT_EQ(ReplaceSpecialChars(u"a\\b", u"|"), u"a|b");
    EXPECT_EQ(ReplaceSpecialChars(u"a|b", u"\\"), u"a\\b");
}
