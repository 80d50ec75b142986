#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "transport/cache_folder.h"

using corvela::Text;
using corvela::TextList;

namespace {

const Text LOCAL_APP_DATA = u"C:\\Users\\me\\AppData\\Local";

// Knows only CSIDL_LOCAL_APPDATA (0x1C) and remembers what was asked.
struct FakeSpecialFolders {
    std::vector<int> asked;
    corvela::SpecialFolderLookup Lookup() {
        return [this](int csidl, Text* path) {
            asked.push_back(csidl);
            if (csidl != 0x1C) return false;
            *path = LOCAL_APP_DATA;
            return true;
        };
    }
};

// A file system of folders: creation succeeds when the parent exists and
// the folder does not.
struct FakeFolders {
    std::set<Text> existing;
    TextList attempts;
    corvela::CreateDirectoryFunction Create() {
        return [this](const Text& path) {
            attempts.push_back(path);
            const size_t cut = path.rfind(u'\\');
            const Text parent = cut == Text::npos ? Text() : path.substr(0, cut);
            if (existing.count(path) || (!parent.empty() && !existing.count(parent))) return false;
            existing.insert(path);
            return true;
        };
    }
};

}  // namespace

TEST(ExpandCacheFolder, NormalisesSeparatorsAndEndsInOneBackslash) {
    FakeSpecialFolders folders;
    EXPECT_EQ(corvela::ExpandCacheFolder(u"C:/Data//", folders.Lookup()), u"C:\\Data\\");
    EXPECT_EQ(corvela::ExpandCacheFolder(u"C:\\Data", folders.Lookup()), u"C:\\Data\\");
    EXPECT_EQ(corvela::ExpandCacheFolder(u"", folders.Lookup()), u"");
    EXPECT_EQ(corvela::ExpandCacheFolder(u"///", folders.Lookup()), u"");
    EXPECT_TRUE(folders.asked.empty());
}

TEST(ExpandCacheFolder, BracketedNumberNamesASpecialFolder) {
    FakeSpecialFolders folders;
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[1c]/Cache/Files", folders.Lookup()),
              LOCAL_APP_DATA + u"\\Cache\\Files\\");
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[1c]", folders.Lookup()), LOCAL_APP_DATA + u"\\");
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[ 0x1C]\\x", folders.Lookup()), LOCAL_APP_DATA + u"\\x\\");
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[1cz]/x", folders.Lookup()), LOCAL_APP_DATA + u"\\x\\");
    // No "]": everything after "[" is number text and the result still ends in "\".
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[1c/Cache", folders.Lookup()), LOCAL_APP_DATA + u"\\");
    EXPECT_EQ(folders.asked, (std::vector<int>{0x1C, 0x1C, 0x1C, 0x1C, 0x1C}));
}

// A number that names no folder names no place: the text around it alone
// would be a folder at the root of the current drive.
TEST(ExpandCacheFolder, UnreadableNumberOrUnknownFolderNamesNoFolder) {
    FakeSpecialFolders folders;
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[zz]/Cache", folders.Lookup()), std::nullopt);
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[]/Cache", folders.Lookup()), std::nullopt);
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[80000000]/Cache", folders.Lookup()), std::nullopt);
    // Nine or more digits never wrap round to a small number.
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[10000001c]\\AccWrap", folders.Lookup()), std::nullopt);
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[000000000000001c]", folders.Lookup()), LOCAL_APP_DATA + u"\\");
    EXPECT_EQ(folders.asked, (std::vector<int>{0x1C}));
    folders.asked.clear();

    EXPECT_EQ(corvela::ExpandCacheFolder(u"D:/[2a]/Cache", folders.Lookup()), std::nullopt);
    EXPECT_EQ(folders.asked, (std::vector<int>{0x2A}));
    const corvela::SpecialFolderLookup empty_path = [](int, Text* path) {
        path->clear();
        return true;
    };
    EXPECT_EQ(corvela::ExpandCacheFolder(u"[1c]/Cache", empty_path), std::nullopt);
}

TEST(TemporaryTarget, ReplacesTheTmpLettersWithTheExtension) {
    const Text unique = u"C:\\Temp\\Kel1A2B.tmp";
    EXPECT_EQ(corvela::TemporaryTargetFromUniqueName(unique, u"pdf"), u"C:\\Temp\\Kel1A2B.pdf");
    EXPECT_EQ(corvela::TemporaryTargetFromUniqueName(unique, u""), u"C:\\Temp\\Kel1A2B.");
    EXPECT_EQ(corvela::TemporaryTargetFromUniqueName(unique, u"tar.gz"), u"C:\\Temp\\Kel1A2B.tar.gz");
    EXPECT_EQ(corvela::TemporaryTargetFromUniqueName(u"ab", u"pdf"), u"pdf");
}

TEST(TemporaryTarget, ExtensionFromAPageCannotLeaveTheTemporaryFolder) {
    const Text unique = u"C:\\Temp\\Kel1A2B.tmp";
    EXPECT_EQ(corvela::TemporaryTargetFromUniqueName(unique, u"x\\..\\..\\Startup\\run.bat"),
              u"C:\\Temp\\Kel1A2B.x_.._.._Startup_run.bat");
    EXPECT_EQ(corvela::TemporaryTargetFromUniqueName(unique, u"txt:stream/a*?\"<>|\t"),
              u"C:\\Temp\\Kel1A2B.txt_stream_a_______");
}

TEST(CreateFolderPath, CreatesMissingLevelsFromTheTopDown) {
    FakeFolders folders;
    folders.existing = {u"C:"};
    EXPECT_TRUE(corvela::CreateFolderPath(u"C:\\a\\b\\c", folders.Create()));
    EXPECT_EQ(folders.attempts,
              (TextList{u"C:\\a\\b\\c", u"C:\\a\\b", u"C:\\a", u"C:\\a\\b", u"C:\\a\\b\\c"}));
}

TEST(CreateFolderPath, ExistingFolderFailsAtEveryLevel) {
    FakeFolders folders;
    folders.existing = {u"C:", u"C:\\Data"};
    EXPECT_FALSE(corvela::CreateFolderPath(u"C:\\Data", folders.Create()));
    EXPECT_EQ(folders.attempts, (TextList{u"C:\\Data", u"C:"}));
}

TEST(CreateFolderPath, TrailingBackslashAndPathsWithoutAParent) {
    FakeFolders folders;
    folders.existing = {u"C:"};
    EXPECT_TRUE(corvela::CreateFolderPath(u"C:\\a\\", folders.Create()));
    EXPECT_EQ(folders.attempts, (TextList{u"C:\\a\\", u"C:\\a", u"C:\\a\\"}));

    for (const Text& path : {Text(u"\\top"), Text(u"relative"), Text(u"")}) {
        FakeFolders none;
        none.existing = {path};
        EXPECT_FALSE(corvela::CreateFolderPath(path, none.Create()));
        EXPECT_EQ(none.attempts, TextList{path});
    }
}

TEST(CreateFolderPath, AFailedParentStopsTheWayBackUp) {
    TextList attempts;
    const auto create = [&](const Text& path) {
        attempts.push_back(path);
        return path == u"C:\\a";  // C:\a can be made, but nothing below it
    };
    EXPECT_FALSE(corvela::CreateFolderPath(u"C:\\a\\b\\c", create));
    EXPECT_EQ(attempts, (TextList{u"C:\\a\\b\\c", u"C:\\a\\b", u"C:\\a", u"C:\\a\\b"}));
}
