#include <gtest/gtest.h>

#include "common/text.h"

using corvela::Text;

TEST(TakeBefore, CutsAtFirstOccurrenceAndKeepsTheRest) {
    Text text = u"a/b/c";
    EXPECT_EQ(corvela::TakeBefore(text, u'/'), u"a");
    EXPECT_EQ(text, u"b/c");

    Text none = u"abc";
    EXPECT_EQ(corvela::TakeBefore(none, u'/'), u"abc");
    EXPECT_EQ(none, u"");

    Text empty;
    EXPECT_EQ(corvela::TakeBefore(empty, u'/'), u"");
    EXPECT_EQ(empty, u"");

    Text leading = u"/x";
    EXPECT_EQ(corvela::TakeBefore(leading, u'/'), u"");
    EXPECT_EQ(leading, u"x");
}

TEST(AfterLast, CutsAtLastOccurrenceAndKeepsWhatPrecedes) {
    Text path = u"C:\\dir\\file.txt";
    EXPECT_EQ(corvela::AfterLast(path, u'\\'), u"file.txt");
    EXPECT_EQ(path, u"C:\\dir");

    Text none = u"file";
    EXPECT_EQ(corvela::AfterLast(none, u'\\'), u"file");
    EXPECT_EQ(none, u"");

    Text trailing = u"a\\";
    EXPECT_EQ(corvela::AfterLast(trailing, u'\\'), u"");
    EXPECT_EQ(trailing, u"a");
}

TEST(FormatGrouped, SeparatesEveryThreeDigitsFromTheEnd) {
    EXPECT_EQ(corvela::FormatGrouped(1234567, u','), u"1,234,567");
    EXPECT_EQ(corvela::FormatGrouped(999, u','), u"999");
    EXPECT_EQ(corvela::FormatGrouped(1000, u','), u"1,000");
    EXPECT_EQ(corvela::FormatGrouped(0, u','), u"0");
    EXPECT_EQ(corvela::FormatGrouped(123456, u','), u"123,456");
    EXPECT_EQ(corvela::FormatGrouped(-123456, u','), u"-123,456");
    EXPECT_EQ(corvela::FormatGrouped(4294967295LL, u'.'), u"4.294.967.295");
}

TEST(HexText, WritesLowerCaseDigitsWithoutPrefix) {
    EXPECT_EQ(corvela::HexText(0), u"0");
    EXPECT_EQ(corvela::HexText(1033), u"409");
    EXPECT_EQ(corvela::HexText(4294967295u), u"ffffffff");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutRescanningTheReplacement) {
    EXPECT_EQ(corvela::ReplaceAll(u"a+b+c", u"+", u"%2B"), u"a%2Bb%2Bc");
    EXPECT_EQ(corvela::ReplaceAll(u"aa", u"a", u"aa"), u"aaaa");
    EXPECT_EQ(corvela::ReplaceAll(u"abc", u"", u"x"), u"abc");
}

TEST(Utf8, DecodesValidAndReplacesMalformedSequences) {
    EXPECT_EQ(corvela::Utf8ToText("\xED\x95\x9C" "a"), u"\uD55Ca");
    EXPECT_EQ(corvela::Utf8ToText("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(corvela::Utf8ToText("\xFF" "b"), u"\uFFFDb");
    EXPECT_EQ(corvela::Utf8ToText("\xE0\x80\x80"), u"\uFFFD");  // overlong
    EXPECT_EQ(corvela::Utf8ToText("\xED\x95"), u"\uFFFD");      // cut short
    EXPECT_EQ(corvela::TextToUtf8(u"\uD55C\U0001F600"), "\xED\x95\x9C\xF0\x9F\x98\x80");
}

TEST(LeadingDecimal, ReadsDigitsUpToTheFirstOtherCharacterAndSaturates) {
    EXPECT_EQ(corvela::LeadingDecimal(u"8080/x"), 8080u);
    EXPECT_EQ(corvela::LeadingDecimal(u"x"), 0u);
    EXPECT_EQ(corvela::LeadingDecimal(u"99999999999"), 0xFFFFFFFFu);
}

// Every number the product reads goes through one parser: a value may stop
// at its limit but never wrap round to a small one, and a digit of the other
// base ends the number.
TEST(ParseNumber, TakesOnlyDigitsOfItsBaseAndNeverWrapsPastItsLimit) {
    struct Case {
        Text text;
        unsigned base;
        uint64_t limit;
        std::optional<uint64_t> expected;
    };
    const Case cases[] = {
        {u"65535", 10, 0xFFFF, 65535},
        {u"65536", 10, 0xFFFF, std::nullopt},
        {u"18446744073709551615", 10, UINT64_MAX, UINT64_MAX},
        {u"18446744073709551616", 10, UINT64_MAX, std::nullopt},
        {u"100000000000000000000000000000001", 10, UINT64_MAX, std::nullopt},
        {u"7fffffff", 16, 0x7FFFFFFF, 0x7FFFFFFF},
        {u"10000001c", 16, 0x7FFFFFFF, std::nullopt},
        {u"1C", 16, 0xFF, 0x1C},
        {u"1c", 10, 0xFF, std::nullopt},
        {u"", 10, 1, std::nullopt},
        {u" 1", 10, 9, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(corvela::TextToUtf8(c.text));
        EXPECT_EQ(corvela::ParseNumber(c.text, c.base, c.limit), c.expected);
    }
    const corvela::DigitRun run = corvela::ReadDigits(u"x4294967296/", 1, 10, UINT32_MAX);
    EXPECT_EQ(run.value, UINT32_MAX);
    EXPECT_TRUE(run.too_large);
    EXPECT_EQ(run.end, 11u);
}

// A path a page wrote reaches a program as one argument or not at all.
TEST(QuotedCommandLineArgument, KeepsTheTextOneArgument) {
    EXPECT_EQ(corvela::QuotedCommandLineArgument(u"http://x -extoff \\\\attacker\\share\\x.hta"),
              Text(u"\"http://x -extoff \\\\attacker\\share\\x.hta\""));
    // A backslash before the closing quote would escape it.
    EXPECT_EQ(corvela::QuotedCommandLineArgument(u"C:\\files\\"), Text(u"\"C:\\files\\\\\""));
    for (const Text& refused : {Text(u"a\" -x \"b"), Text(u"a\nb"), Text(u"a\rb"), Text(u"a\x7F")})
        EXPECT_EQ(corvela::QuotedCommandLineArgument(refused), std::nullopt) << corvela::TextToUtf8(refused);
}
