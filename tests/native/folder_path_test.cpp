#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "shell/folder_path.h"

namespace {

using corvela::CheckFolderPath;
using corvela::FOLDER_ACCEPTABLE;
using corvela::FOLDER_DECLINED;
using corvela::FOLDER_MALFORMED;
using corvela::FOLDER_NOT_CREATABLE;
using corvela::FolderFileSystem;
using corvela::FolderPrompts;
using corvela::IsValidFolderName;
using corvela::Text;
using corvela::ValidateFolder;

// A disk that knows which paths exist and which cannot be made, and records
// every folder creation asked of it in order. Like the real one, it makes a
// folder only inside an existing parent, so a missing drive has no folders.
struct FakeDisk {
    std::set<Text> present{u"C:\\"};
    std::set<Text> refused;
    std::vector<Text> attempts;

    static Text ParentOf(const Text& path) {
        Text parent = path.substr(0, path.rfind(u'\\'));
        return parent.size() == 2 ? parent + u"\\" : parent;
    }

    FolderFileSystem Ops() {
        return {[this](const Text& path) { return present.count(path) > 0; },
                [this](const Text& path) {
                    attempts.push_back(path);
                    if (!refused.count(path) && present.count(ParentOf(path))) present.insert(path);
                }};
    }
};

// A user who answers every question the same way.
struct FakeUser {
    bool says_yes = true;
    std::vector<Text> questions;
    std::vector<Text> reports;

    FolderPrompts Prompts() {
        return {[this](const Text& question) {
                    questions.push_back(question);
                    return says_yes;
                },
                [this](const Text& message) { reports.push_back(message); }};
    }
};

const Text INVALID_TEXT = u"is invalid. Please reenter.";
const Text NOT_CREATED_TEXT = u"can not be created. Please double check.";

TEST(IsValidFolderName, RefusesEmptyNamesAndTrimmedEnds) {
    EXPECT_FALSE(IsValidFolderName(u""));
    for (const Text unit : {u" ", u"\t", u"."}) {
        EXPECT_FALSE(IsValidFolderName(unit + u"name")) << "leading";
        EXPECT_FALSE(IsValidFolderName(u"name" + unit)) << "trailing";
        EXPECT_FALSE(IsValidFolderName(unit));
        EXPECT_TRUE(IsValidFolderName(u"na" + unit + u"me")) << "inside";
    }
    EXPECT_FALSE(IsValidFolderName(u".."));
}

TEST(IsValidFolderName, RefusesTheNineReservedCharactersAnywhere) {
    for (char16_t reserved : Text(u"\"*/:<>?\\|")) {
        EXPECT_FALSE(IsValidFolderName(Text(1, reserved)));
        EXPECT_FALSE(IsValidFolderName(Text(u"ab") + reserved + u"cd"));
        EXPECT_FALSE(IsValidFolderName(Text(u"ab") + reserved));
    }
}

TEST(IsValidFolderName, AcceptsOrdinaryNames) {
    EXPECT_TRUE(IsValidFolderName(u"a"));
    EXPECT_TRUE(IsValidFolderName(u"Reports 2024.final"));
    EXPECT_TRUE(IsValidFolderName(u"보고서"));
    EXPECT_TRUE(IsValidFolderName(u"a_b-c(1)[2]{3}&'!#$%"));
}

TEST(CheckFolderPath, DriveRootsAreAcceptedWhenCheckingAndNeverCreated) {
    FakeDisk disk;
    EXPECT_EQ(CheckFolderPath(u"C:\\", true, disk.Ops()), FOLDER_ACCEPTABLE);
    EXPECT_EQ(CheckFolderPath(u"C:\\", false, disk.Ops()), FOLDER_ACCEPTABLE);
    EXPECT_EQ(CheckFolderPath(u"q:\\", true, disk.Ops()), FOLDER_ACCEPTABLE);
    EXPECT_EQ(CheckFolderPath(u"q:\\", false, disk.Ops()), FOLDER_NOT_CREATABLE);
    EXPECT_TRUE(disk.attempts.empty());
}

TEST(CheckFolderPath, OnlyAbsoluteDriveLetterPathsAreWellFormed) {
    FakeDisk disk;
    for (const Text path : {u"", u"C", u"C:", u"C:a", u"C:/a", u"1:\\a", u"é:\\a", u"::\\a", u"a\\b", u"\\a",
                            u"\\\\server\\share", u"\\\\server\\share\\dir", u"C:\\a\\", u"C:\\a\\b\\",
                            u"C:\\a\\\\b", u"C:\\\\", u"C:\\a\\.\\b", u"C:\\a\\..\\b"}) {
        EXPECT_EQ(CheckFolderPath(path, true, disk.Ops()), FOLDER_MALFORMED) << corvela::TextToUtf8(path);
        EXPECT_EQ(CheckFolderPath(path, false, disk.Ops()), FOLDER_MALFORMED) << corvela::TextToUtf8(path);
    }
    EXPECT_EQ(CheckFolderPath(u"C:\\a", true, disk.Ops()), FOLDER_ACCEPTABLE);
    EXPECT_EQ(CheckFolderPath(u"z:\\a b\\c.d\\보고서", true, disk.Ops()), FOLDER_ACCEPTABLE);
}

TEST(CheckFolderPath, CheckingAloneCreatesNothing) {
    FakeDisk disk;
    EXPECT_EQ(CheckFolderPath(u"C:\\one\\two\\three", true, disk.Ops()), FOLDER_ACCEPTABLE);
    EXPECT_TRUE(disk.attempts.empty());
}

TEST(CheckFolderPath, PathsTheirBuffersCannotHoldAreMalformedNotShortened) {
    FakeDisk disk;
    const Text longest = u"C:\\" + Text(corvela::FOLDER_PATH_CAPACITY - 4, u'a');
    EXPECT_EQ(CheckFolderPath(longest, true, disk.Ops()), FOLDER_ACCEPTABLE);
    EXPECT_EQ(CheckFolderPath(longest + u"a", true, disk.Ops()), FOLDER_MALFORMED);
    EXPECT_EQ(CheckFolderPath(longest + u"a", false, disk.Ops()), FOLDER_MALFORMED);
    EXPECT_TRUE(disk.attempts.empty());
}

TEST(ValidateFolder, CreatesEveryMissingLevelParentFirstAfterAYes) {
    FakeDisk disk;
    disk.present.insert(u"C:\\one");
    FakeUser user;
    EXPECT_EQ(ValidateFolder(u"C:\\one\\two\\three", disk.Ops(), user.Prompts()), FOLDER_ACCEPTABLE);
    ASSERT_EQ(user.questions.size(), 1u);
    EXPECT_EQ(user.questions[0],
              u"The folder:\n\nC:\\one\\two\\three\n\ndoes not exist. Do you want the folder to be created?");
    EXPECT_EQ(disk.attempts, (std::vector<Text>{u"C:\\one", u"C:\\one\\two", u"C:\\one\\two\\three"}));
    EXPECT_TRUE(disk.present.count(u"C:\\one\\two\\three"));
    EXPECT_TRUE(user.reports.empty());
}

TEST(ValidateFolder, ALevelThatCannotBeMadeStopsTheWalkAndKeepsTheLevelsBefore) {
    FakeDisk disk;
    disk.refused.insert(u"C:\\one\\two");
    FakeUser user;
    EXPECT_EQ(ValidateFolder(u"C:\\one\\two\\three", disk.Ops(), user.Prompts()), FOLDER_NOT_CREATABLE);
    EXPECT_EQ(disk.attempts, (std::vector<Text>{u"C:\\one", u"C:\\one\\two"}));
    EXPECT_TRUE(disk.present.count(u"C:\\one"));
    ASSERT_EQ(user.reports.size(), 1u);
    EXPECT_EQ(user.reports[0], u"The folder:\n\nC:\\one\\two\\three\n\ncan not be created. Please double check.");
}

TEST(ValidateFolder, ABadNameAnywhereIsReportedBeforeAnythingIsCreated) {
    for (const Text path : {u"C:\\missing\\ starts with a space", u"C:\\missing\\deeper\\ends with a stop.",
                            u"C:\\missing\\what?\\below", u"C:\\missing\\trailing\\"}) {
        FakeDisk disk;
        FakeUser user;
        EXPECT_EQ(ValidateFolder(path, disk.Ops(), user.Prompts()), FOLDER_MALFORMED);
        EXPECT_TRUE(user.questions.empty());
        EXPECT_TRUE(disk.attempts.empty());
        ASSERT_EQ(user.reports.size(), 1u);
        EXPECT_EQ(user.reports[0], u"The folder:\n\n" + path + u"\n\n" + INVALID_TEXT);
    }
}

TEST(ValidateFolder, AnythingThatExistsIsAcceptedWithoutAQuestion) {
    FakeDisk disk;
    disk.present.insert(u"C:\\notes.txt");
    FakeUser user;
    EXPECT_EQ(ValidateFolder(u"C:\\notes.txt", disk.Ops(), user.Prompts()), FOLDER_ACCEPTABLE);
    EXPECT_EQ(ValidateFolder(u"C:\\", disk.Ops(), user.Prompts()), FOLDER_ACCEPTABLE);
    EXPECT_TRUE(user.questions.empty());
    EXPECT_TRUE(user.reports.empty());
    EXPECT_TRUE(disk.attempts.empty());
}

TEST(ValidateFolder, ANoLeavesEverythingAsItWasWithoutAMessage) {
    FakeDisk disk;
    FakeUser user;
    user.says_yes = false;
    EXPECT_EQ(ValidateFolder(u"C:\\one\\two", disk.Ops(), user.Prompts()), FOLDER_DECLINED);
    EXPECT_EQ(user.questions.size(), 1u);
    EXPECT_TRUE(user.reports.empty());
    EXPECT_TRUE(disk.attempts.empty());
}

TEST(ValidateFolder, AMissingDriveIsAskedAboutThenCannotBeCreated) {
    for (const Text path : {u"Q:\\", u"Q:\\new"}) {
        FakeDisk disk;
        FakeUser user;
        EXPECT_EQ(ValidateFolder(path, disk.Ops(), user.Prompts()), FOLDER_NOT_CREATABLE);
        EXPECT_EQ(user.questions.size(), 1u);
        ASSERT_EQ(user.reports.size(), 1u);
        EXPECT_EQ(user.reports[0], u"The folder:\n\n" + path + u"\n\n" + NOT_CREATED_TEXT);
    }
}

TEST(FolderResultText, EndsInExactlyOneBackslash) {
    using corvela::FolderResultText;
    EXPECT_EQ(FolderResultText(u"C:\\one\\two"), u"C:\\one\\two\\");
    EXPECT_EQ(FolderResultText(u"C:\\one\\\\\\"), u"C:\\one\\");
    EXPECT_EQ(FolderResultText(u"C:\\"), u"C:\\");
    EXPECT_EQ(FolderResultText(u"d:"), u"d:\\");
}

}  // namespace
