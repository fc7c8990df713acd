#include "setup/tsIni.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlatformFakes.h"
#include "registry/MemoryRegistry.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

using platform::Access;
using platform::MemoryRegistry;
using platform::RegistryError;
using platform::RegistryValue;
using ::testing::ElementsAre;

constexpr auto HKCU = platform::RootKey::CurrentUser;

class TtsIniTest : public ::testing::Test {
protected:
    MemoryRegistry reg;
    // The value as stored, below the default root.
    std::optional<RegistryValue> Stored(const std::string& section, const std::string& ident) {
        auto key = reg.OpenKey(HKCU, platform::JoinKeyPath("Software\\Kestal\\Tesra", section), Access::Read);
        return key ? key->Value(ident) : std::nullopt;
    }
    void Store(const std::string& section, const std::string& ident, const RegistryValue& value) {
        reg.CreateKey(HKCU, platform::JoinKeyPath("Software\\Kestal\\Tesra", section))->SetValue(ident, value);
    }
};

TEST_F(TtsIniTest, BuildingTheStoreCreatesItsRootKey) {
    TtsIni ini("", reg);
    EXPECT_EQ(ini.RootPath(), "Software\\Kestal\\Tesra");
    EXPECT_TRUE(reg.KeyExists(HKCU, "Software\\Kestal\\Tesra"));
    TtsIni other("Software\\Other", reg);
    EXPECT_TRUE(reg.KeyExists(HKCU, "Software\\Other"));
}

TEST_F(TtsIniTest, AStoreThatMayNotBeWrittenIsBuiltAndReadsWithTheFailureReported) {
    TtsIni("", reg).WriteString("TesraBrowser\\Urls", "96354", "http://example.test/");
    struct Case {
        const char* what;
        const char* root;
        std::string read;
    };
    const Case cases[] = {
        {"an existing root", "", "http://example.test/"},
        {"a root that cannot be created", "Software\\Missing", "none"},
    };
    reg.SetWritable(HKCU, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> reports;
        TtsIni ini(c.root, reg, [&](const std::string& text) { reports.push_back(text); });
        EXPECT_EQ(ini.ReadString("TesraBrowser\\Urls", "96354", "none"), c.read);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_THAT(reports[0], ::testing::HasSubstr("失败"));
        EXPECT_THROW(ini.WriteString("TesraBrowser", "v", "x"), RegistryError);
    }
}

TEST_F(TtsIniTest, ReadingWhatWasNeverWrittenGivesTheDefaultAndCreatesNothing) {
    TtsIni ini("", reg);
    int changes = reg.ChangeCount(HKCU);
    EXPECT_EQ(ini.ReadString("TesraBrowser\\Urls", "96354", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("TesraBrowser", "Count", -3), -3);
    EXPECT_TRUE(ini.ReadBool("TesraBrowser", "IsCloseToTrayIcon", true));
    EXPECT_FALSE(ini.ReadBool("TesraBrowser", "IsCloseToTrayIcon", false));
    EXPECT_EQ(reg.ChangeCount(HKCU), changes);
    EXPECT_TRUE(reg.OpenKey(HKCU, "Software\\Kestal\\Tesra", Access::Read)->SubKeyNames().empty());
}

TEST_F(TtsIniTest, WritingCreatesTheWholeSectionPathWithTypedValues) {
    TtsIni ini("", reg);
    ini.WriteString("TesraBrowser\\Urls", "96354", "http://example.test/");
    ini.WriteBool("TesraBrowser", "IsCloseToTrayIcon", true);
    ini.WriteBool("TesraBrowser", "Other", false);
    ini.WriteInteger("TesraBrowser", "Count", -2);
    EXPECT_EQ(Stored("TesraBrowser\\Urls", "96354"), RegistryValue::String("http://example.test/"));
    EXPECT_EQ(Stored("TesraBrowser", "IsCloseToTrayIcon"), RegistryValue::String("1"));
    EXPECT_EQ(Stored("TesraBrowser", "Other"), RegistryValue::String("0"));
    EXPECT_EQ(Stored("TesraBrowser", "Count"), RegistryValue::DWord(0xFFFFFFFEu));
    EXPECT_THAT(reg.OpenKey(HKCU, "Software\\Kestal\\Tesra\\TesraBrowser", Access::Read)->SubKeyNames(),
                ElementsAre("Urls"));

    EXPECT_EQ(ini.ReadString("TesraBrowser\\Urls", "96354", ""), "http://example.test/");
    EXPECT_EQ(ini.ReadInteger("TesraBrowser", "Count", 0), -2);
    EXPECT_TRUE(ini.ReadBool("tesrabrowser", "ISCLOSETOTRAYICON", false));
}

TEST_F(TtsIniTest, ASectionFromTheHiveRootIsNotBelowTheStoreRoot) {
    TtsIni ini("", reg);
    ini.WriteString("\\Software\\Elsewhere", "v", "x");
    EXPECT_TRUE(reg.KeyExists(HKCU, "Software\\Elsewhere"));
    EXPECT_EQ(ini.ReadString("\\Software\\Elsewhere", "v", ""), "x");
}

TEST_F(TtsIniTest, ReadIntegerAndReadBoolFollowTheStoredType) {
    struct Case {
        std::string what;
        RegistryValue stored;
        std::int32_t integer;
        bool boolean;
    };
    const int def = 77;  // as a boolean default: true
    const Case cases[] = {
        {"\"0\" is false", RegistryValue::String("0"), 0, false},
        {"\"1\" is true", RegistryValue::String("1"), 1, true},
        {"any other number is true", RegistryValue::String("-12"), -12, true},
        {"a leading plus", RegistryValue::String("+5"), 5, true},
        {"text that is not a number gives the default", RegistryValue::String("yes"), def, true},
        {"an empty string gives the default", RegistryValue::String(""), def, true},
        {"hexadecimal is not decimal", RegistryValue::String("0x10"), def, true},
        {"blanks are not digits", RegistryValue::String(" 1"), def, true},
        {"beyond 32 bits gives the default", RegistryValue::String("2147483648"), def, true},
        {"the smallest 32-bit number", RegistryValue::String("-2147483648"), INT32_MIN, true},
        {"an expandable string counts as a string", RegistryValue::ExpandString("9"), 9, true},
        {"a DWORD as it is", RegistryValue::DWord(0), 0, false},
        {"a large DWORD reads as a negative number", RegistryValue::DWord(0xFFFFFFFFu), -1, true},
    };
    TtsIni ini("", reg);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Store("S", "v", c.stored);
        EXPECT_EQ(ini.ReadInteger("S", "v", def), c.integer);
        EXPECT_EQ(ini.ReadBool("S", "v", true), c.boolean);
    }
}

TEST_F(TtsIniTest, AValueOfAnUnexpectedTypeIsARegistryError) {
    TtsIni ini("", reg);
    Store("S", "number", RegistryValue::DWord(1));
    Store("S", "bytes", RegistryValue::Binary({1}));
    EXPECT_THROW(ini.ReadString("S", "number", ""), RegistryError);
    EXPECT_THROW(ini.ReadInteger("S", "bytes", 0), RegistryError);
    EXPECT_THROW(ini.ReadBool("S", "bytes", false), RegistryError);
}

TEST_F(TtsIniTest, ReadValueGivesTheValueAsStoredOfEveryType) {
    const RegistryValue values[] = {RegistryValue::String("1"), RegistryValue::ExpandString("%HOME%"),
                                    RegistryValue::DWord(7), RegistryValue::Binary({0xff, 0}),
                                    RegistryValue::MultiString({"a", "b"})};
    TtsIni ini("", reg);
    for (const RegistryValue& value : values) {
        Store("S", "v", value);
        EXPECT_EQ(ini.ReadValue("S", "v"), value);
    }
    const int changes = reg.ChangeCount(HKCU);
    EXPECT_EQ(ini.ReadValue("S", "missing"), std::nullopt);
    EXPECT_EQ(ini.ReadValue("Missing\\Section", "v"), std::nullopt);
    EXPECT_EQ(reg.ChangeCount(HKCU), changes);
    EXPECT_FALSE(reg.KeyExists(HKCU, "Software\\Kestal\\Tesra\\Missing"));
}

TEST_F(TtsIniTest, WritingIntoAStoreThatMayNotBeChangedFails) {
    TtsIni ini("", reg);
    reg.SetWritable(HKCU, false);
    EXPECT_THROW(ini.WriteString("New", "v", "x"), RegistryError);
    EXPECT_THROW(ini.WriteInteger("", "v", 1), RegistryError);
}

TEST_F(TtsIniTest, OwnsACrypterWithTheSimpleAlgorithm) {
    TtsIni ini("", reg);
    EXPECT_EQ(ini.Crypter().CryptAlgorithmType(), caSimpleCrypter);
    EXPECT_FALSE(ini.Crypter().HasAlgorithm());
    EXPECT_EQ(ini.Crypter().Key(), "581347");
}

}  // namespace
}  // namespace tesra
