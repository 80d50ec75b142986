#include <gtest/gtest.h>

#include "host/host_options.h"
#include "host/page.h"

using corvela::Page;
using corvela::PageStep;
using corvela::ParsePage;
using corvela::Text;

TEST(HostPage, ReadsTitleObjectsParamsAndScriptsInDocumentOrder) {
    const Text html =
        u"<!DOCTYPE html>\n"
        u"<HTML><head><Title>  Files &amp; more\n here </title></head>\n"
        u"<!-- <object id=\"hidden\" classid=\"clsid:1\"></object> -->\n"
        u"<script>var a = \"</object>\";</script>\n"
        u"<OBJECT ID=up ClassID='CLSID:22C0BDC4-1418-4D8A-BCEE-049597103EF0' width=\"460px\" height=\"50%\">\n"
        u"  <param name=\"tip\" value=\"a &lt; b &#xAC00;&#44032;\"><param name=Empty>\n"
        u"</object><param name=\"outside\" value=\"x\">\n"
        u"<script for=\"up\" event=\"AttachAddFile( mfilename, more )\" language=\"JavaScript1.2\">\n"
        u"  log(mfilename);</script>\n"
        u"<script type=\"text/vbscript\">MsgBox 1</script><script src=\"lib.js\"></script>\n"
        u"<style>p { content: \"<object>\"; }</style>\n";
    const Page page = ParsePage(html);

    EXPECT_EQ(page.title, u"Files & more here");
    ASSERT_EQ(page.objects.size(), 1u);
    const corvela::PageObject& object = page.objects[0];
    EXPECT_EQ(object.id, u"up");
    EXPECT_EQ(object.class_id, u"22C0BDC4-1418-4D8A-BCEE-049597103EF0");
    EXPECT_EQ(object.width, 460);
    EXPECT_EQ(object.height, -1) << "a percentage is no pixel size";
    EXPECT_EQ(object.place.line, 6u);
    ASSERT_EQ(object.params.size(), 2u) << "a <param> outside the object belongs to none";
    EXPECT_EQ(object.params[0].name, u"tip");
    EXPECT_EQ(object.params[0].value, u"a < b \uAC00\uAC00");
    EXPECT_EQ(object.params[1].name, u"Empty");

    ASSERT_EQ(page.scripts.size(), 2u);
    EXPECT_EQ(page.scripts[0].code, u"var a = \"</object>\";");
    EXPECT_FALSE(page.scripts[0].IsHandler());
    const corvela::PageScript& handler = page.scripts[1];
    EXPECT_EQ(handler.for_id, u"up");
    EXPECT_EQ(handler.event, u"AttachAddFile");
    EXPECT_EQ(handler.parameters, u"mfilename, more");
    EXPECT_EQ(handler.code, u"\n  log(mfilename);");
    EXPECT_EQ(handler.start.line, 9u);
    EXPECT_EQ(handler.start.column, 84u);

    ASSERT_EQ(page.steps.size(), 3u);
    EXPECT_EQ(page.steps[0].kind, PageStep::Kind::Script);
    EXPECT_EQ(page.steps[1].kind, PageStep::Kind::Object);
    EXPECT_EQ(page.steps[2].kind, PageStep::Kind::Script);
    ASSERT_EQ(page.notes.size(), 2u) << "the VBScript block and the external script";
    EXPECT_EQ(page.notes[0].place.line, 11u);
}

TEST(HostPage, PlacesEngineErrorsInTheFile) {
    // The engine counts lines from the start line less one, columns from 0.
    const corvela::SourcePlace start{8, 79};
    const corvela::SourcePlace first = corvela::PlaceInFile(start, 7, 4);
    EXPECT_EQ(first.line, 8u);
    EXPECT_EQ(first.column, 83u) << "the script's first line starts where its tag ends";
    const corvela::SourcePlace later = corvela::PlaceInFile(start, 9, 2);
    EXPECT_EQ(later.line, 10u);
    EXPECT_EQ(later.column, 3u);
}

TEST(HostOptions, ReadsThePageOptionsAndActionsInOrder) {
    const corvela::ParsedOptions parsed = corvela::ParseHostOptions(
        {u"--trace", u"page.html", u"--url", u"http://a/b.html", u"--drop", u"x", u"C:\\a|C:\\b", u"--timeout", u"30",
         u"--click", u"x", u"9", u"25", u"--run", u"go()", u"--wait", u"2", u"--key", u"Down"});
    ASSERT_EQ(parsed.error, u"");
    const corvela::HostOptions& options = parsed.options;
    EXPECT_EQ(options.page_path, u"page.html");
    EXPECT_EQ(options.url, u"http://a/b.html");
    EXPECT_EQ(options.timeout_seconds, 30);
    EXPECT_TRUE(options.trace);
    EXPECT_FALSE(options.answer_boxes);
    ASSERT_EQ(options.actions.size(), 5u);
    EXPECT_EQ(options.actions[0].kind, corvela::HostAction::Kind::Drop);
    EXPECT_EQ(options.actions[0].text, u"C:\\a|C:\\b");
    EXPECT_EQ(options.actions[1].kind, corvela::HostAction::Kind::Click);
    EXPECT_EQ(options.actions[1].y, 25);
    EXPECT_EQ(options.actions[2].text, u"go()");
    EXPECT_EQ(options.actions[3].seconds, 2);
    EXPECT_EQ(options.actions[4].kind, corvela::HostAction::Kind::Key);
    EXPECT_EQ(options.actions[4].key, 0x28u) << "the virtual key of Down";

    for (const corvela::TextList& wrong : std::vector<corvela::TextList>{
             {}, {u"a.html", u"b.html"}, {u"a.html", u"--click", u"x", u"9"}, {u"a.html", u"--timeout", u"-1"},
             {u"a.html", u"--open"}, {u"a.html", u"--key", u"down"}})
        EXPECT_NE(corvela::ParseHostOptions(wrong).error, u"") << wrong.size();
}
