#include <gtest/gtest.h>

#include <string>

#include "transport/file_name_parts.h"
#include "transport/guid_text.h"
#include "transport/object_name.h"
#include "transport/reply_text.h"
#include "transport/split_url.h"
#include "transport/upload_limits.h"
#include "transport/url_encode.h"

using namespace corvela;

namespace {

// The target an upload of `local_path` to `page_url` sends, with the given
// identifier and the destination values of the worked example.
Text TargetFor(const Text& page_url, const Text& local_path, const Text& guid = u"G") {
    const FileNameParts name = SplitFileName(local_path);
    UploadQuery query;
    query.guid = guid;
    query.title = name.title;
    query.extension = name.extension;
    query.dst_folder = u"inbox";
    query.prefix = u"P";
    query.file_data = u"D";
    query.file_name = u"N";
    return BuildObjectName(SplitUrl(page_url).path, query);
}

Text Decode(const std::string& bytes) { return DecodeReplyBlock(bytes.data(), bytes.size()); }

}  // namespace

TEST(UploadTarget, WorkedExampleCarriesEveryKeyInOrder) {
    const uint8_t tail[8] = {0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67};
    const Text guid = GuidText(0x0123ABCD, 0xBEEF, 0xCAFE, tail);
    EXPECT_EQ(guid, u"0123ABCD-BEEF-cafe-89AB-CDEF01234567");
    EXPECT_EQ(TargetFor(u"http://example.com/up/save.asp", u"C:\\docs\\Q3 report+final.doc", guid),
              u"/up/save.asp?guid=0123ABCD-BEEF-cafe-89AB-CDEF01234567&ext=doc&dir=inbox&prefix=P"
              u"&name=Q3%20report%2Bfinal&filedata=D&filename=N&sid=");
}

TEST(UploadTarget, UnencodedValuesGoInExactlyAsGiven) {
    UploadQuery query;
    query.guid = u"G";
    query.dst_folder = u"a b&c";
    query.prefix = u"\uD55C";
    query.file_data = u"x=y";
    query.file_name = u"n+m";
    query.sid = u"S#1";
    EXPECT_EQ(BuildObjectName(u"/", query),
              u"/?guid=G&ext=&dir=a b&c&prefix=\uD55C&name=&filedata=x=y&filename=n+m&sid=S#1");
}

TEST(UploadTarget, PathComesFromThePageUrl) {
    EXPECT_EQ(TargetFor(u"http://example.com", u"a.txt"),
              u"/?guid=G&ext=txt&dir=inbox&prefix=P&name=a&filedata=D&filename=N&sid=");
    EXPECT_EQ(TargetFor(u"http://server:8080/a/b.asp?x=1", u"a.txt").substr(0, 19), u"/a/b.asp?x=1?guid=G");
}

TEST(UploadTarget, FileNameGivesTitleAndExtension) {
    EXPECT_EQ(TargetFor(u"http://h/", u"C:\\dir.old\\README"),
              u"/?guid=G&ext=&dir=inbox&prefix=P&name=README&filedata=D&filename=N&sid=");

    const FileNameParts dot_first = SplitFileName(u"C:\\home\\.profile");
    EXPECT_EQ(dot_first.title, u"");
    EXPECT_EQ(dot_first.extension, u"profile");

    EXPECT_EQ(TargetFor(u"http://h/", u"C:\\x+y.c+c"),
              u"/?guid=G&ext=c%2Bc&dir=inbox&prefix=P&name=x%2By&filedata=D&filename=N&sid=");

    const FileNameParts bare = SplitFileName(u"notes.tar.gz");
    EXPECT_EQ(bare.title, u"notes.tar");
    EXPECT_EQ(bare.extension, u"gz");

    // Folders written with "/" are folders too: the server gets the file's name.
    const FileNameParts slashed = SplitFileName(u"C:/docs/v1.2/plan.xls");
    EXPECT_EQ(slashed.title, u"plan");
    EXPECT_EQ(slashed.extension, u"xls");
}

TEST(SplitUrl, FindsSchemeServerPortAndPath) {
    const UrlParts secure = SplitUrl(u"HTTPS://Example.com/up.asp");
    EXPECT_TRUE(IsHttpScheme(secure.scheme));
    EXPECT_EQ(secure.server, u"Example.com");
    EXPECT_EQ(secure.port, 443);
    EXPECT_EQ(secure.path, u"/up.asp");

    const UrlParts plain = SplitUrl(u"http://example.com");
    EXPECT_EQ(plain.port, 80);
    EXPECT_EQ(plain.path, u"/");

    const UrlParts explicit_port = SplitUrl(u"https://server:8080/a/b.asp?x=1");
    EXPECT_EQ(explicit_port.server, u"server");
    EXPECT_EQ(explicit_port.port, 8080);
    EXPECT_EQ(explicit_port.path, u"/a/b.asp?x=1");

    EXPECT_EQ(SplitUrl(u"abcdefghi:x").scheme, u"abcdefghi");  // ":" at index 9
    const UrlParts late_colon = SplitUrl(u"abcdefghij:81/x");   // ":" at index 10
    EXPECT_EQ(late_colon.scheme, u"");
    EXPECT_EQ(late_colon.server, u"abcdefghij");
    EXPECT_EQ(late_colon.port, 81);

    EXPECT_EQ(SplitUrl(u"http://server:/x").port, 0);
    EXPECT_EQ(SplitUrl(u"http://server:65535x/").port, 65535);
}

TEST(SplitUrl, UnusableUrlsHaveNoHttpScheme) {
    EXPECT_FALSE(IsHttpScheme(SplitUrl(u"ftp://example.com/up").scheme));
    EXPECT_FALSE(IsHttpScheme(SplitUrl(u"example.com/up.asp").scheme));
    EXPECT_FALSE(IsHttpScheme(SplitUrl(u"upload.server:8080/up.asp").scheme));  // first ":" at 13
    EXPECT_FALSE(IsHttpScheme(SplitUrl(u"http://server:65536/up.asp").scheme));  // would wrap to port 0
    EXPECT_FALSE(IsHttpScheme(SplitUrl(u"http://server:65616/up.asp").scheme));  // would wrap to port 80
    EXPECT_TRUE(IsHttpScheme(u"hTTp"));
}

// An https page on a port of its own once went out in plain text.
TEST(SplitUrl, EveryHttpsUrlAndPort443UseTls) {
    for (const Text url : {u"https://h/up", u"HTTPS://h:8443/up", u"https://h:80/up", u"http://h:443/up"})
        EXPECT_TRUE(UsesTls(SplitUrl(url))) << std::string(url.begin(), url.end());
    for (const Text url : {u"http://h/up", u"http://h:8443/up"})
        EXPECT_FALSE(UsesTls(SplitUrl(url))) << std::string(url.begin(), url.end());
}

TEST(UrlEncode, EveryUnitFromU0080UpBecomesThreeEscapedBytes) {
    EXPECT_EQ(UrlEncode(u"\uD55C", EncodeMode::Query), u"%ED%95%9C");
    EXPECT_EQ(UrlEncode(u"\u00E9", EncodeMode::Query), u"%E0%83%A9");
    EXPECT_EQ(UrlEncode(u"\u0080\uFFFF", EncodeMode::Url), u"%E0%82%80%EF%BF%BF");
    EXPECT_EQ(UrlEncode(u"\U0001F600", EncodeMode::Url), u"%ED%A0%BD%ED%B8%80");
}

TEST(UrlEncode, QueryModeEscapesTheUnsafeSetUrlModeOnlyNonAscii) {
    const Text unsafe = u"& %<>\"#{}|\\^~[]'+";
    EXPECT_EQ(UrlEncode(unsafe, EncodeMode::Query), u"%26%20%25%3C%3E%22%23%7B%7D%7C%5C%5E%7E%5B%5D%27%2B");
    EXPECT_EQ(UrlEncode(unsafe, EncodeMode::Url), unsafe);
    const Text passes = u"azAZ09/?=:;,.-_!$()*@`";
    EXPECT_EQ(UrlEncode(passes, EncodeMode::Query), passes);
    EXPECT_EQ(UrlEncode(u"http://h/a b/\uD55C.txt", EncodeMode::Url), u"http://h/a b/%ED%95%9C.txt");
}

TEST(UrlEncode, LongTextsAreNeverCut) {
    const Text title(5000, u'\u00E9');
    EXPECT_EQ(UrlEncode(title, EncodeMode::Query).size(), 5000u * 9);
}

TEST(Reply, TitleIsSubstitutedAndOnlyExactErrorFails) {
    Text final_reply;
    ASSERT_TRUE(FinishReply(u"OK <FILETITLE> saved", SplitFileName(u"C:\\plan.xls").title, &final_reply));
    EXPECT_EQ(final_reply, u"OK plan saved");
    ASSERT_TRUE(FinishReply(u"<FILETITLE>/<FILETITLE>", u"<FILETITLE>", &final_reply));
    EXPECT_EQ(final_reply, u"<FILETITLE>/<FILETITLE>");

    EXPECT_FALSE(FinishReply(u"ERROR", u"t", &final_reply));
    for (const Text& ordinary : {Text(u"ERROR\n"), Text(u"ERRORS"), Text(u"error"), Text(u" ERROR"), Text()}) {
        EXPECT_TRUE(FinishReply(ordinary, u"t", &final_reply));
        EXPECT_EQ(final_reply, ordinary);
    }
}

TEST(Reply, AccumulationFailsFromTheLimitOn) {
    ReplyAccumulator below;
    EXPECT_TRUE(below.Append(Text(1000, u'a')));
    EXPECT_TRUE(below.Append(Text(22, u'b')));
    EXPECT_EQ(below.text().size(), 1022u);

    ReplyAccumulator at_limit;
    EXPECT_TRUE(at_limit.Append(Text(1022, u'a')));
    EXPECT_FALSE(at_limit.Append(u"b"));

    ReplyAccumulator one_block;
    EXPECT_FALSE(one_block.Append(Text(REPLY_LIMIT_UNITS, u'a')));
}

TEST(Reply, BlocksDecodeAsUtf8UpToTheirFirstZeroByte) {
    EXPECT_EQ(Decode("OK \xED\x95\x9C"), u"OK \uD55C");
    EXPECT_EQ(Decode(std::string("OK\0tail", 7)), u"OK");
    EXPECT_EQ(Decode(std::string("\0OK", 3)), u"");
    EXPECT_EQ(Decode("OK \xFF\xFE\xC3"), u"OK \uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(DecodeReplyBlock(nullptr, 0), u"");
}

TEST(UploadLimits, PiecesSplitJustAboveTheLimit) {
    EXPECT_EQ(PieceLength(0, 0), 0u);
    EXPECT_EQ(PieceLength(UPLOAD_PIECE_BYTES, 0), UPLOAD_PIECE_BYTES);
    EXPECT_EQ(PieceLength(UPLOAD_PIECE_BYTES, UPLOAD_PIECE_BYTES), 0u);
    EXPECT_EQ(PieceLength(UPLOAD_PIECE_BYTES + 1, 0), UPLOAD_PIECE_BYTES);
    EXPECT_EQ(PieceLength(UPLOAD_PIECE_BYTES + 1, UPLOAD_PIECE_BYTES), 1u);
    EXPECT_EQ(PieceLength(0xFFFFFFFFu, 2 * UPLOAD_PIECE_BYTES), 0xFFFFFFFFu - 2 * UPLOAD_PIECE_BYTES);
}
