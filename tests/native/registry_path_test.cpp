#include <gtest/gtest.h>

#include "shell/registry_path.h"

using corvela::CRegistryPath;
using corvela::RegistryRoot;
using corvela::Text;

TEST(RegistryPath, SplitsRootAndSubkeyWhateverTheCaseAndOuterBackslashes) {
    for (const Text& written : {Text(u"HKEY_CLASSES_ROOT\\.txt"), Text(u"hkcr\\.txt"),
                                Text(u"\\\\HKEY_CLASSES_ROOT\\.txt\\\\"), Text(u"HkEy_ClAsSeS_rOoT\\.txt")}) {
        Text path = written;
        RegistryRoot root = RegistryRoot::Users;
        ASSERT_TRUE(CRegistryPath::SplitRoot(&path, &root)) << corvela::TextToUtf8(written);
        EXPECT_EQ(root, RegistryRoot::ClassesRoot);
        EXPECT_EQ(path, u".txt");
    }

    Text deeper = u"HKLM\\Software\\\\Classes\\";
    RegistryRoot root = RegistryRoot::Users;
    ASSERT_TRUE(CRegistryPath::SplitRoot(&deeper, &root));
    EXPECT_EQ(root, RegistryRoot::LocalMachine);
    EXPECT_EQ(deeper, u"Software\\\\Classes");
}

TEST(RegistryPath, EveryRootByLongAndShortName) {
    const struct {
        const char16_t* long_name;
        const char16_t* short_name;
        RegistryRoot root;
    } table[] = {
        {u"HKEY_CLASSES_ROOT", u"HKCR", RegistryRoot::ClassesRoot},
        {u"HKEY_CURRENT_CONFIG", u"HKCC", RegistryRoot::CurrentConfig},
        {u"HKEY_CURRENT_USER", u"HKCU", RegistryRoot::CurrentUser},
        {u"HKEY_LOCAL_MACHINE", u"HKLM", RegistryRoot::LocalMachine},
        {u"HKEY_USERS", u"HKU", RegistryRoot::Users},
        {u"HKEY_DYN_DATA", u"HKDD", RegistryRoot::DynData},
        {u"HKEY_PERFORMANCE_DATA", u"HKPD", RegistryRoot::PerformanceData},
    };
    for (const auto& row : table) {
        for (const Text& name : {Text(row.long_name), Text(row.short_name)}) {
            Text path = name;  // a root name alone names the root itself
            RegistryRoot root = RegistryRoot::ClassesRoot;
            ASSERT_TRUE(CRegistryPath::SplitRoot(&path, &root)) << corvela::TextToUtf8(name);
            EXPECT_EQ(root, row.root);
            EXPECT_EQ(path, u"");
        }
    }
}

TEST(RegistryPath, UnknownRootFailsAndLeavesThePath) {
    for (const Text& written : {Text(u"HKEY_NOWHERE\\.txt"), Text(u"HKCRX\\.txt"), Text(u"HKC"),
                                Text(u""), Text(u"\\\\"), Text(u".txt\\HKCR")}) {
        Text path = written;
        RegistryRoot root = RegistryRoot::Users;
        EXPECT_FALSE(CRegistryPath::SplitRoot(&path, &root)) << corvela::TextToUtf8(written);
        EXPECT_EQ(path, written);
        EXPECT_EQ(root, RegistryRoot::Users);
    }
}

TEST(RegistryPath, ComponentsCountEmptyOnesBetweenDoubleBackslashes) {
    EXPECT_EQ(CRegistryPath::CountComponents(u"a\\\\b"), 3);
    EXPECT_EQ(CRegistryPath::CountComponents(u"\\\\a\\b\\"), 2);
    EXPECT_EQ(CRegistryPath::CountComponents(u"\\\\"), 0);
    EXPECT_EQ(CRegistryPath::CountComponents(u""), 0);

    Text out = u"untouched";
    EXPECT_TRUE(CRegistryPath::GetComponent(1, u"a\\\\b", &out));
    EXPECT_EQ(out, u"");
    EXPECT_TRUE(CRegistryPath::GetComponent(2, u"\\a\\\\b\\", &out));
    EXPECT_EQ(out, u"b");
    EXPECT_TRUE(CRegistryPath::GetComponent(0, u"\\a\\\\b\\", &out));
    EXPECT_EQ(out, u"a");

    out = u"untouched";
    EXPECT_FALSE(CRegistryPath::GetComponent(3, u"a\\\\b", &out));
    EXPECT_FALSE(CRegistryPath::GetComponent(-1, u"a\\\\b", &out));
    EXPECT_FALSE(CRegistryPath::GetComponent(0, u"\\", &out));
    EXPECT_EQ(out, u"untouched");
}

TEST(RegistryPath, TrimAndCompare) {
    Text text = u"xxaxbxx";
    CRegistryPath::TrimChar(text, u'x');
    EXPECT_EQ(text, u"axb");
    Text only = u"xxx";
    CRegistryPath::TrimChar(only, u'x');
    EXPECT_EQ(only, u"");

    EXPECT_TRUE(CRegistryPath::NamesEqual(u"HKCU", u"hkcu", true));
    EXPECT_FALSE(CRegistryPath::NamesEqual(u"HKCU", u"hkcu", false));
    EXPECT_FALSE(CRegistryPath::NamesEqual(u"HKCU", u"HKCU2", true));
}

TEST(RegistryRootHandles, AreSignExtendedLikeThePlatformDefinesThem) {
    EXPECT_EQ(corvela::RootHandleValue(RegistryRoot::ClassesRoot), static_cast<intptr_t>(INT32_MIN));
    EXPECT_EQ(corvela::RootHandleValue(RegistryRoot::DynData), static_cast<intptr_t>(INT32_MIN) + 6);
    EXPECT_TRUE(corvela::IsRootHandleValue(static_cast<intptr_t>(INT32_MIN) + 2));
    EXPECT_FALSE(corvela::IsRootHandleValue(static_cast<intptr_t>(INT32_MIN) + 7));
    EXPECT_FALSE(corvela::IsRootHandleValue(0));
}
