#include <gtest/gtest.h>

#include "session/batch_plan.h"

using corvela::Text;

TEST(TemporaryExtension, IsEverythingAfterTheFirstDot) {
    EXPECT_EQ(corvela::TemporaryExtension(u"report.pdf"), u"pdf");
    EXPECT_EQ(corvela::TemporaryExtension(u"a.b.c"), u"b.c");
    EXPECT_EQ(corvela::TemporaryExtension(u"README"), u"");
    EXPECT_EQ(corvela::TemporaryExtension(u"name."), u"");
    EXPECT_EQ(corvela::TemporaryExtension(u".profile"), u"profile");
}

TEST(CachedCopyQuestion, FillsOnlyTheFirstPlaceholderWithThePlainName) {
    const Text english = u"Previous downloaded file '%s' is found.\nDo you want to open the old file?";
    EXPECT_EQ(corvela::CachedCopyQuestion(english, u"a.pdf"),
              u"Previous downloaded file 'a.pdf' is found.\nDo you want to open the old file?");
    EXPECT_EQ(corvela::CachedCopyQuestion(u"이미 캐시에 '%s' 파일이 있습니다.", u"보고서.hwp"),
              u"이미 캐시에 '보고서.hwp' 파일이 있습니다.");
    // A page chooses the name: its "%" units are shown, never expanded.
    EXPECT_EQ(corvela::CachedCopyQuestion(u"'%s' 100% %s", u"%s%n%d.txt"), u"'%s%n%d.txt' 100% %s");
    EXPECT_EQ(corvela::CachedCopyQuestion(u"no placeholder", u"x"), u"no placeholder");
}

// The page writes the name: the box shows it as one line of text, never the
// page's own lines, and never so long that the buttons leave the screen.
TEST(CachedCopyQuestion, ShowsTheNameAsOneShortLineOfText) {
    const Text question = u"Previous downloaded file '%s' is found.";
    const Text spoof = u"a.pdf' is found.\r\n\r\nWindows Security\n\tClick Yes\x7F\u0085\u2028\u202Etxt.exe";
    EXPECT_EQ(corvela::CachedCopyQuestion(question, spoof),
              u"Previous downloaded file 'a.pdf' is found.    Windows Security  Click Yes    txt.exe' is found.");
    const Text long_name = Text(200, u'x') + u".pdf";
    const Text shown = corvela::CachedCopyQuestion(u"%s", long_name);
    EXPECT_EQ(shown, Text(corvela::QUESTION_NAME_LIMIT - 1, u'x') + u"\u2026");
    // A cut never leaves half of a letter outside the first plane.
    const Text emoji = Text(corvela::QUESTION_NAME_LIMIT - 2, u'x') + u"\U0001F600\U0001F600";
    EXPECT_EQ(corvela::CachedCopyQuestion(u"%s", emoji),
              Text(corvela::QUESTION_NAME_LIMIT - 2, u'x') + u"\u2026");
    const Text fits = Text(corvela::QUESTION_NAME_LIMIT, u'y');
    EXPECT_EQ(corvela::CachedCopyQuestion(u"%s", fits), fits);
}

TEST(CachedCopy, AskedOnlyWithFolderIdAndExistingFile) {
    EXPECT_TRUE(corvela::ShouldAskAboutCachedCopy(u"C:\\c\\", u"id1", true));
    EXPECT_FALSE(corvela::ShouldAskAboutCachedCopy(u"C:\\c\\", u"id1", false));
    // Without an id the cache path is the folder itself, which exists.
    EXPECT_FALSE(corvela::ShouldAskAboutCachedCopy(u"C:\\c\\", u"", true));
    EXPECT_FALSE(corvela::ShouldAskAboutCachedCopy(u"", u"id1", true));
}

TEST(PlanCacheFile, ListsOutOfStepReadAsEmptyEntries) {
    corvela::TransferJob job;
    job.cache_folder = u"C:\\cache\\";
    job.files = {u"http://h/a", u"http://h/b", u"http://h/c"};
    job.unique_ids = {u"id-a"};
    job.destination_names = {u"a.tar.gz", u"b.pdf"};

    const corvela::CacheFilePlan first = corvela::PlanCacheFile(job, 0);
    EXPECT_EQ(first.url, u"http://h/a");
    EXPECT_EQ(first.cache_path, u"C:\\cache\\id-a");
    EXPECT_EQ(first.extension, u"tar.gz");

    const corvela::CacheFilePlan second = corvela::PlanCacheFile(job, 1);
    EXPECT_EQ(second.unique_id, u"");
    EXPECT_EQ(second.cache_path, u"C:\\cache\\");
    EXPECT_EQ(second.destination_name, u"b.pdf");

    const corvela::CacheFilePlan third = corvela::PlanCacheFile(job, 2);
    EXPECT_EQ(third.url, u"http://h/c");
    EXPECT_EQ(third.destination_name, u"");
    EXPECT_EQ(third.extension, u"");

    job.cache_folder.clear();
    const corvela::CacheFilePlan beyond = corvela::PlanCacheFile(job, 7);
    EXPECT_EQ(beyond.url, u"");
    EXPECT_EQ(beyond.cache_path, u"");
}

TEST(UniqueId, IsEmptyOrOnePlainFileName) {
    for (const Text& id : {Text(u""), Text(u"report.pdf"), Text(u"a b.c"), Text(u"보고서.hwp"), Text(u".profile"),
                           Text(u"console.txt"), Text(u"com10")})
        EXPECT_TRUE(corvela::IsUsableUniqueId(id)) << corvela::TextToUtf8(id);
    for (const Text& id :
         {Text(u"setup.exe\\."), Text(u"setup.exe\\x\\.."), Text(u"..\\up.txt"), Text(u"a/b"), Text(u"."),
          Text(u".."), Text(u"C:x.exe"), Text(u"a.txt:s.exe"), Text(u"setup.exe."), Text(u"setup.exe "),
          Text(u"CON"), Text(u"nul.txt"), Text(u"Com1.log"), Text(u"lpt9"), Text(u"COM\u00B9.txt"),
          Text(u"lpt\u00B3"), Text(u"CONIN$"), Text(u"conout$.log"), Text(u"aux .txt"), Text(u"a\tb"),
          Text(u"a*b"), Text(u"a?b"), Text(u"a\"b"), Text(u"a<b"), Text(u"a>b"), Text(u"a|b")})
        EXPECT_FALSE(corvela::IsUsableUniqueId(id)) << corvela::TextToUtf8(id);
}

TEST(CacheWrite, ProgramsNeverLandWhereTheyWouldRun) {
    const corvela::RunnablePlaces places = {
        {u"C:\\USERS\\ME\\START MENU\\PROGRAMS\\STARTUP", u"C:\\WINDOWS\\",
         u"C:\\USERS\\ME\\DOCUMENTS\\WINDOWSPOWERSHELL"},
        {u"C:\\USERS\\ME\\APPDATA\\LOCAL\\MICROSOFT\\WINDOWSAPPS\\", u"D:\\TOOLS"}};
    const corvela::CacheFolderFacts plain;
    const struct {
        const char16_t* path;
        bool could_run_code;
        bool allowed;
    } cases[] = {
        {u"C:\\Users\\me\\Start Menu\\Programs\\Startup\\run.exe", true, false},
        {u"C:\\WINDOWS\\SYSTEM32\\x.dll", true, false},
        {u"C:\\windows\\a.lnk", true, false},
        {u"C:\\USERS\\ME\\DOCUMENTS\\WINDOWSPOWERSHELL\\profile.ps1", true, false},
        {u"C:\\USERS\\ME\\DOCUMENTS\\WINDOWSPOWERSHELL\\MODULES\\X\\x.psm1", true, false},
        {u"C:\\Users\\me\\AppData\\Local\\Microsoft\\WindowsApps\\python.exe", true, false},
        {u"D:\\tools\\git.exe", true, false},
        // A PATH folder is searched itself, not its subfolders.
        {u"D:\\TOOLS\\OLD\\git.exe", true, true},
        // Harmless types go anywhere; programs go anywhere else.
        {u"C:\\WINDOWS\\notes.txt", false, true},
        {u"D:\\TOOLS\\notes.txt", false, true},
        {u"C:\\WINDOWSAPPS\\run.exe", true, true},
        {u"D:\\cache\\run.exe", true, true},
        {u"C:\\WINDOWS.exe", true, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(corvela::MayWriteToCache(c.path, c.could_run_code, places, plain), c.allowed)
            << corvela::TextToUtf8(c.path);
    EXPECT_TRUE(corvela::MayWriteToCache(u"C:\\run.exe", true, {}, plain));

    // A network folder, a folder beside a program, the host's root under
    // Wine: programs stay out, other files go in.
    corvela::CacheFolderFacts network, beside_program, host_root;
    network.network = true;
    beside_program.holds_program = true;
    host_root.host_root = true;
    for (const corvela::CacheFolderFacts& facts : {network, beside_program, host_root}) {
        EXPECT_FALSE(corvela::MayWriteToCache(u"E:\\cache\\version.dll", true, {}, facts));
        EXPECT_TRUE(corvela::MayWriteToCache(u"E:\\cache\\notes.txt", false, {}, facts));
    }
}
