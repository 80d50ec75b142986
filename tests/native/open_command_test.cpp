#include <gtest/gtest.h>

#include "shell/open_command.h"

using corvela::LaunchPlan;
using corvela::Text;

TEST(OpenCommand, RegistryKeysOfAFileType) {
    EXPECT_EQ(corvela::OpenCommandExtension(u"C:\\cache\\report.v2.PDF"), u"PDF");
    EXPECT_EQ(corvela::OpenCommandExtension(u"C:\\cache\\README"), u"C:\\cache\\README");
    EXPECT_EQ(corvela::FileTypeKeyPath(u"C:\\cache\\a.txt"), u"HKEY_CLASSES_ROOT\\.txt");
    EXPECT_EQ(corvela::OpenCommandKeyPath(u"txtfile"), u"HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command");
}

TEST(PlanLaunch, BrowserCommandWithoutPlaceholderGetsTheQuotedPathAppended) {
    const LaunchPlan plan = corvela::PlanLaunch(
        u"\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" -nohome", u"C:\\Cache\\Page.HTM");
    EXPECT_FALSE(plan.use_shell_open);
    EXPECT_EQ(plan.command_line,
              u"\"c:\\program files\\internet explorer\\iexplore.exe\" -nohome \"C:\\Cache\\Page.HTM\"");
}

TEST(PlanLaunch, BrowserCommandWithPlaceholdersGetsThePathInPlace) {
    const LaunchPlan plan = corvela::PlanLaunch(u"C:\\IE\\iexplore.exe %1", u"C:\\Cache\\A %1.htm");
    EXPECT_FALSE(plan.use_shell_open);
    EXPECT_EQ(plan.command_line, u"c:\\ie\\iexplore.exe C:\\Cache\\A %1.htm");

    EXPECT_EQ(corvela::PlanLaunch(u"iexplore.exe \"%1\" /x %1", u"P").command_line, u"iexplore.exe \"P\" /x P");
}

TEST(PlanLaunch, OtherOrMissingCommandsGoToTheShell) {
    for (const Text& command : {Text(u""), Text(u"notepad.exe %1"), Text(u"C:\\iexplore\\viewer.exe %1")}) {
        const LaunchPlan plan = corvela::PlanLaunch(command, u"C:\\Cache\\a.txt");
        EXPECT_TRUE(plan.use_shell_open);
        EXPECT_EQ(plan.command_line, u"");
    }
}

TEST(IsDangerousToOpen, ProgramsAndScriptsWhateverTheCase) {
    for (const Text& path : {Text(u"C:\\c\\setup.exe"), Text(u"C:\\c\\a.JS"), Text(u"C:\\c\\x.Application"),
                             Text(u"C:\\c\\m.psm1"), Text(u"C:\\c\\s.vb"), Text(u"C:/c/run.bat"),
                             Text(u"C:\\c\\help.CHM"), Text(u"C:\\c\\x.SettingContent-ms"),
                             Text(u"C:\\c\\a.appinstaller"), Text(u"Z:\\home\\u\\.config\\autostart\\evil.desktop")})
        EXPECT_TRUE(corvela::IsDangerousToOpen(path)) << corvela::TextToUtf8(path);
    for (const Text& path : {Text(u"C:\\c\\notes.txt"), Text(u"C:\\c\\a.exe.txt"), Text(u"C:\\c\\README"),
                             Text(u"C:\\setup.exe\\notes"), Text(u"C:\\c\\a.vbx"), Text(u"")})
        EXPECT_FALSE(corvela::IsDangerousToOpen(path)) << corvela::TextToUtf8(path);
}

TEST(IsDangerousToOpen, NamesWindowsResolvesToAProgram) {
    // Windows drops trailing dots and spaces, and reads drive-relative names
    // and stream suffixes around ":".
    for (const Text& path : {Text(u"C:\\c\\evil.exe."), Text(u"C:\\c\\evil.exe . ."), Text(u"C:evil.exe"),
                             Text(u"C:\\c\\evil.exe::$DATA"), Text(u"C:\\c\\a.txt:hidden.vbs")})
        EXPECT_TRUE(corvela::IsDangerousToOpen(path)) << corvela::TextToUtf8(path);
    // "." and ".." segments and trailing separators resolve to the program.
    for (const Text& path : {Text(u"C:\\c\\setup.exe\\."), Text(u"C:\\c\\setup.exe\\x\\.."),
                             Text(u"C:\\c\\setup.exe\\"), Text(u"C:/c/setup.exe/./"), Text(u"C:\\c\\setup.exe\\. \\"),
                             Text(u"C:\\c\\setup.exe\\x\\y\\..\\.."), Text(u"C:\\c\\setup.exe\\x\\..\\."),
                             Text(u"C:\\c\\setup.exe\\...\\.."), Text(u"C:\\c\\setup.exe\\. \\..")})
        EXPECT_TRUE(corvela::IsDangerousToOpen(path)) << corvela::TextToUtf8(path);
    for (const Text& path : {Text(u"C:\\c\\setup.exe\\x"), Text(u"C:\\c\\setup.exe\\..\\notes.txt"),
                             Text(u"C:\\c\\..\\..\\notes")})
        EXPECT_FALSE(corvela::IsDangerousToOpen(path)) << corvela::TextToUtf8(path);
}
