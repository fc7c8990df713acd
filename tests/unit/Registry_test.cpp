// The registry rules, over the memory registry (the file registry shares them).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "registry/MemoryRegistry.h"

namespace tesra::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr RootKey HKCU = RootKey::CurrentUser;
constexpr RootKey HKLM = RootKey::LocalMachine;

TEST(RegistryPath, JoinsBelowTheBaseUnlessTheSubPathStartsAtTheRoot) {
    struct Case {
        std::string base, sub, joined;
    };
    const Case cases[] = {
        {"Software\\Kestal\\Tesra", "TesraBrowser\\Urls", "Software\\Kestal\\Tesra\\TesraBrowser\\Urls"},
        {"Software\\Kestal\\Tesra", "\\Software\\Other", "\\Software\\Other"},
        {"Software\\Kestal\\Tesra\\", "A", "Software\\Kestal\\Tesra\\A"},
        {"Software\\Kestal\\Tesra", "", "Software\\Kestal\\Tesra"},
        {"", "A\\B", "A\\B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base + " + " + c.sub);
        EXPECT_EQ(JoinKeyPath(c.base, c.sub), c.joined);
    }
}

TEST(RegistryPath, SplitsOnBackslashesAndRejectsEmptyNames) {
    EXPECT_THAT(SplitKeyPath("\\SOFTWARE\\Microsoft\\Internet Explorer\\Main"),
                ElementsAre("SOFTWARE", "Microsoft", "Internet Explorer", "Main"));
    EXPECT_THAT(SplitKeyPath("A\\B\\"), ElementsAre("A", "B"));
    EXPECT_TRUE(SplitKeyPath("").empty());
    EXPECT_TRUE(SplitKeyPath("\\").empty());
    for (const std::string bad : {"A\\\\B", "\\\\A", "A\\\x01", "A\\\xFF"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(SplitKeyPath(bad), RegistryError);
    }
}

TEST(RegistryPath, NamesCompareIgnoringTheCaseOfLatinLettersOnly) {
    EXPECT_TRUE(SameName("Internet Settings", "INTERNET settings"));
    EXPECT_FALSE(SameName("Cache", "Caches"));
    EXPECT_FALSE(SameName("Ä", "ä"));  // beyond A-Z the bytes must match
}

class RegistryTest : public ::testing::Test {
protected:
    MemoryRegistry reg;
};

TEST_F(RegistryTest, OpenWithoutCreateFindsNothingAndCreatesNothing) {
    EXPECT_EQ(reg.OpenKey(HKCU, "Software\\Kestal", Access::Read), nullptr);
    EXPECT_EQ(reg.OpenKey(HKCU, "Software\\Kestal", Access::Full), nullptr);
    EXPECT_FALSE(reg.KeyExists(HKCU, "Software"));
    EXPECT_EQ(reg.ChangeCount(HKCU), 0);
}

TEST_F(RegistryTest, CreateMakesEveryMissingParentAndKeepsTheFirstSpelling) {
    auto key = reg.CreateKey(HKCU, "\\Software\\Kestal\\Tesra");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Path(), "Software\\Kestal\\Tesra");
    EXPECT_EQ(key->Rights(), Access::Full);
    EXPECT_TRUE(reg.KeyExists(HKCU, "software\\kestal"));

    auto again = reg.CreateKey(HKCU, "SOFTWARE\\KESTAL\\TESRA\\Urls");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Path(), "Software\\Kestal\\Tesra\\Urls");
    EXPECT_FALSE(reg.KeyExists(HKLM, "Software"));  // the hives are apart
}

TEST_F(RegistryTest, ValuesAreFoundIgnoringCaseAndKeepTheirNameAndPlace) {
    auto key = reg.CreateKey(HKCU, "K");
    key->WriteString("Cache", "a");
    key->WriteDWord("SyncMode5", 0);
    key->WriteString("", "default");
    key->WriteString("CACHE", "b");
    EXPECT_THAT(key->ValueNames(), ElementsAre("Cache", "SyncMode5", ""));
    EXPECT_EQ(key->ReadString("cache"), "b");
    EXPECT_EQ(key->ReadString(""), "default");
    EXPECT_EQ(key->ReadDWord("SYNCMODE5"), 0u);
}

TEST_F(RegistryTest, SubKeysAreListedInCreationOrder) {
    for (const char* name : {"Zeta", "alpha", "Mid"}) reg.CreateKey(HKLM, std::string("U\\") + name);
    reg.CreateKey(HKLM, "u\\ALPHA");
    auto key = reg.OpenKey(HKLM, "U", Access::Read);
    ASSERT_NE(key, nullptr);
    EXPECT_THAT(key->SubKeyNames(), ElementsAre("Zeta", "alpha", "Mid"));
}

TEST_F(RegistryTest, EveryValueTypeReadsBackAsWritten) {
    auto key = reg.CreateKey(HKCU, "Types");
    const std::pair<std::string, RegistryValue> values[] = {
        {"sz", RegistryValue::String("蓝岸 \"quoted\" C:\\path")},
        {"expand", RegistryValue::ExpandString("%HOME%/.cache")},
        {"dword", RegistryValue::DWord(0xFFFFFFFFu)},
        {"binary", RegistryValue::Binary({0, 1, 0xFE, 0xFF})},
        {"multi", RegistryValue::MultiString({"one", "二"})},
        {"emptyMulti", RegistryValue::MultiString({})},
    };
    for (const auto& [name, value] : values) key->SetValue(name, value);
    for (const auto& [name, value] : values) {
        SCOPED_TRACE(name);
        EXPECT_EQ(key->Value(name), value);
    }
}

TEST_F(RegistryTest, ReadingMissingAndMistypedValues) {
    auto key = reg.CreateKey(HKCU, "K");
    key->WriteDWord("Number", 7);
    key->SetValue("Expand", RegistryValue::ExpandString("%X%"));
    EXPECT_EQ(key->ReadString("Missing"), "");
    EXPECT_FALSE(key->HasValue("Missing"));
    EXPECT_EQ(key->ReadString("Expand"), "%X%");  // unexpanded
    try {
        key->ReadString("Number");
        FAIL() << "a DWORD read as text must fail";
    } catch (const RegistryError& e) {
        EXPECT_THAT(e.what(), HasSubstr("HKEY_CURRENT_USER\\K"));
        EXPECT_THAT(e.what(), HasSubstr("“Number”"));
        EXPECT_EQ(e.ClassName(), "ERegistryException");
    }
    EXPECT_THROW(key->ReadDWord("Missing"), RegistryError);
    EXPECT_THROW(key->ReadDWord("Expand"), RegistryError);
}

TEST_F(RegistryTest, DataThatCannotBeStoredIsRefused) {
    auto key = reg.CreateKey(HKCU, "K");
    struct Case {
        std::string what;
        std::string name;
        RegistryValue value;
    };
    const Case cases[] = {
        {"invalid UTF-8", "v", RegistryValue::String("\xB7\xFE")},
        {"NUL inside a string", "v", RegistryValue::String(std::string("a\0b", 3))},
        {"empty multi-string item", "v", RegistryValue::MultiString({"a", ""})},
        {"control character in a name", "a\nb", RegistryValue::DWord(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(key->SetValue(c.name, c.value), RegistryError);
        EXPECT_FALSE(key->HasValue(c.name));
    }
    key->WriteString("v", "line one\nline two\ttab");  // control characters inside data are fine
    EXPECT_EQ(key->ReadString("v"), "line one\nline two\ttab");
}

TEST_F(RegistryTest, AReadOnlyHandleRefusesChanges) {
    reg.CreateKey(HKCU, "K")->WriteString("v", "1");
    auto key = reg.OpenKey(HKCU, "K", Access::Read);
    ASSERT_NE(key, nullptr);
    EXPECT_THROW(key->WriteString("v", "2"), RegistryError);
    EXPECT_THROW(key->DeleteValue("v"), RegistryError);
    EXPECT_EQ(key->ReadString("v"), "1");
}

TEST_F(RegistryTest, AHiveThatMayNotBeChangedOpensForReadingOnly) {
    reg.CreateKey(HKLM, "SOFTWARE\\Microsoft\\Internet Explorer\\Main")->WriteDWord("TabProcGrowth", 5);
    reg.SetWritable(HKLM, false);
    EXPECT_EQ(reg.OpenKey(HKLM, "Software\\Microsoft\\Internet Explorer\\Main", Access::Full), nullptr);
    EXPECT_EQ(reg.CreateKey(HKLM, "Software\\Microsoft\\Internet Explorer\\Main"), nullptr);
    EXPECT_EQ(reg.CreateKey(HKLM, "Software\\New"), nullptr);
    EXPECT_THROW(reg.DeleteKey(HKLM, "SOFTWARE"), RegistryError);
    auto key = reg.OpenKey(HKLM, "Software\\Microsoft\\Internet Explorer\\Main", Access::Read);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadDWord("TabProcGrowth"), 5u);
    EXPECT_NE(reg.CreateKey(HKCU, "Still\\Writable"), nullptr);
}

TEST_F(RegistryTest, ProvidedKeysOpenWithAnyAccessAndRefuseOnlyChanges) {
    reg.AddProvidedKey(HKLM, "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector",
                       {{"IE", RegistryValue::String("11.0000")}});
    reg.SetWritable(HKLM, false);
    const std::string path = "\\SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";
    for (auto access : {Access::Read, Access::Full}) {
        auto key = reg.OpenKey(HKLM, path, access);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->ReadString("IE"), "11.0000");
        EXPECT_THROW(key->WriteString("IE", "9"), RegistryError);
        EXPECT_THROW(key->DeleteValue("IE"), RegistryError);
    }
    auto created = reg.CreateKey(HKLM, path);  // opening with create finds the provided key
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->ReadString("IE"), "11.0000");

    reg.SetWritable(HKLM, true);
    EXPECT_THROW(reg.OpenKey(HKLM, path, Access::Full)->WriteString("IE", "9"), RegistryError);
    EXPECT_EQ(reg.CreateKey(HKLM, path + "\\Below"), nullptr);
    EXPECT_THROW(reg.DeleteKey(HKLM, path), RegistryError);
    EXPECT_THROW(reg.DeleteKey(HKLM, "SOFTWARE\\Microsoft"), RegistryError);  // holds a provided key
    EXPECT_TRUE(reg.KeyExists(HKLM, path));
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
    auto key = reg.CreateKey(HKCU, "A\\B\\C");
    key->WriteString("v", "1");
    EXPECT_TRUE(key->DeleteValue("V"));
    EXPECT_FALSE(key->DeleteValue("v"));
    EXPECT_TRUE(reg.DeleteKey(HKCU, "a\\b"));
    EXPECT_FALSE(reg.KeyExists(HKCU, "A\\B\\C"));
    EXPECT_TRUE(reg.KeyExists(HKCU, "A"));
    EXPECT_FALSE(reg.DeleteKey(HKCU, "A\\B"));
    EXPECT_THROW(reg.DeleteKey(HKCU, ""), RegistryError);

    // The handle names a key that is gone: reads find nothing, writes fail.
    EXPECT_FALSE(key->HasValue("v"));
    EXPECT_TRUE(key->SubKeyNames().empty());
    try {
        key->WriteString("v", "2");
        FAIL() << "a write to a deleted key must fail";
    } catch (const RegistryError& e) {
        EXPECT_THAT(e.what(), HasSubstr("已被删除"));
    }
}

TEST_F(RegistryTest, HandlesSeeChangesMadeThroughOtherHandles) {
    auto reader = reg.CreateKey(HKCU, "K");
    auto writer = reg.OpenKey(HKCU, "k", Access::Full);
    writer->WriteString("v", "new");
    EXPECT_EQ(reader->ReadString("v"), "new");
}

}  // namespace
}  // namespace tesra::platform
