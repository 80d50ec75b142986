// The allowed-extension list and the judgement of dropped paths.
#include <gtest/gtest.h>

#include <chrono>

#include "filelist/drop_filter.h"

using corvela::Text;
using corvela::TextList;

TEST(ParseAllowedExtensions, KeepsOnlyPiecesThatABackslashFollows) {
    EXPECT_EQ(corvela::ParseAllowedExtensions(u"pdf\\hwp\\"), (TextList{u"pdf", u"hwp"}));
    EXPECT_EQ(corvela::ParseAllowedExtensions(u"pdf\\hwp"), (TextList{u"pdf"}));
    EXPECT_EQ(corvela::ParseAllowedExtensions(u"pdf"), TextList{});
    EXPECT_EQ(corvela::ParseAllowedExtensions(u""), TextList{});
    EXPECT_EQ(corvela::ParseAllowedExtensions(u"\\"), (TextList{u""}));
    EXPECT_EQ(corvela::ParseAllowedExtensions(u"pdf\\\\txt\\"), (TextList{u"pdf", u"", u"txt"}));
}

TEST(DropExtension, IsTakenFromTheWholeLowerCasePath) {
    EXPECT_EQ(corvela::DropExtension(u"D:\\Report.PDF"), u"pdf");
    EXPECT_EQ(corvela::DropExtension(u"C:\\old.dir\\notes"), u"dir\\notes");
    EXPECT_EQ(corvela::DropExtension(u"C:\\Docs\\README"), u"c:\\docs\\readme");
}

TEST(ExtensionRefusal, AllowsEverythingWithAnEmptyListAndOtherwiseOnlyExactMatches) {
    const Text refusal = u"Not allowed extension";
    EXPECT_FALSE(corvela::ExtensionRefusal({}, u"C:\\setup.exe", refusal));

    const TextList pdf = {u"pdf"};
    EXPECT_FALSE(corvela::ExtensionRefusal(pdf, u"D:\\Report.PDF", refusal));
    EXPECT_EQ(corvela::ExtensionRefusal(pdf, u"C:\\setup.exe", refusal), Text(u"Not allowed extension(exe)"));
    EXPECT_EQ(corvela::ExtensionRefusal(pdf, u"C:\\old.dir\\notes", refusal),
              Text(u"Not allowed extension(dir\\notes)"));

    // Entries are compared with a lower-case extension, so one in capitals
    // lets nothing through.
    const TextList capitals = {u"PDF"};
    EXPECT_EQ(corvela::ExtensionRefusal(capitals, u"D:\\Report.PDF", refusal), Text(u"Not allowed extension(pdf)"));
    EXPECT_EQ(corvela::ExtensionRefusal(capitals, u"D:\\report.pdf", refusal), Text(u"Not allowed extension(pdf)"));

    const Text korean = u"업로드 제한 확장자입니다.";
    EXPECT_EQ(corvela::ExtensionRefusal(pdf, u"a.hwp", korean), korean + u"(hwp)");
}

// A page may hand over a huge list; reading it takes time in proportion to
// its length (400,000 separators once froze the page for seconds).
TEST(ParseAllowedExtensions, ReadsAHugeListInOnePass) {
    const Text list(400000, u'\\');
    const auto start = std::chrono::steady_clock::now();
    const TextList allowed = corvela::ParseAllowedExtensions(list);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(allowed.size(), list.size());
    // One pass takes a fraction of a second here; reading the list again for
    // every separator took minutes.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 2000);
}
