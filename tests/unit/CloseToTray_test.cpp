#include "shell/CloseToTray.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "EnvironmentFakes.h"
#include "LogTestSupport.h"
#include "registry/MemoryRegistry.h"
#include "setup/tsIni.h"
#include "support/IniFile.h"

namespace tesra {
namespace {

using platform::RegistryError;
using platform::RegistryValue;

TEST(CloseToTray, UserValueOverTheFileDefault) {
    struct Row {
        const char* name;
        std::optional<RegistryValue> stored;
        std::optional<bool> fileValue;
        bool expected;
    };
    const std::string longNumber(5000, '1');
    const Row rows[] = {
        {"no file, no user value", std::nullopt, std::nullopt, false},
        {"no file, empty user text", RegistryValue::String(""), std::nullopt, false},
        {"no file, user on", RegistryValue::String("1"), std::nullopt, true},
        {"no file, user off", RegistryValue::String("0"), std::nullopt, false},
        {"file on, no user value", std::nullopt, true, true},
        {"file on, empty user text", RegistryValue::String(""), true, true},
        {"file off, no user value", std::nullopt, false, false},
        {"file on, user unticked", RegistryValue::String("0"), true, false},
        {"file off, user ticked", RegistryValue::String("1"), false, true},
        {"user value not a number counts as off", RegistryValue::String("yes"), true, false},
        {"any non-zero number is on", RegistryValue::String("-3"), std::nullopt, true},
        {"trailing junk is not a number", RegistryValue::String("1x"), std::nullopt, false},
        {"a number beyond 32 bits is not a number", RegistryValue::String("4294967297"), true, false},
        {"a very long number is not a number", RegistryValue::String(longNumber), true, false},
        {"an expandable string is text", RegistryValue::ExpandString("1"), false, true},
        {"a DWORD 1 is on", RegistryValue::DWord(1), false, true},
        {"a DWORD 0 is the user's off over the file's on", RegistryValue::DWord(0), true, false},
        {"any non-zero DWORD is on", RegistryValue::DWord(0xFFFFFFFFu), false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsCloseToTray(UserCloseToTray(row.stored), row.fileValue), row.expected);
    }
}

TEST(CloseToTray, AValueOfNoReadableTypeIsAnError) {
    const RegistryValue values[] = {RegistryValue::Binary({0x31}), RegistryValue::Binary({}),
                                    RegistryValue::MultiString({"1"})};
    for (const RegistryValue& value : values) {
        EXPECT_THROW(UserCloseToTray(value), RegistryError);
    }
}

// A registry whose hives can be made unreadable, as a damaged disk makes them.
class BreakableRegistry : public platform::MemoryRegistry {
public:
    bool readable = true;
    void ReadHive(platform::RootKey root, const std::vector<std::string>& reach,
                  const std::function<void(const platform::RegistryNode& hive)>& read) override {
        if (!readable) throw RegistryError("读取文件“/home/u/.config/tesrabrowser/HKCU.reg”失败：Input/output error");
        MemoryRegistry::ReadHive(root, reach, read);
    }
};

class ReadUserCloseToTrayTest : public testing::LogFixture {
protected:
    BreakableRegistry reg;
    TtsIni ini{"", reg};
    void Set(const RegistryValue& value) {
        reg.CreateKey(platform::RootKey::CurrentUser, "Software\\Kestal\\Tesra\\TesraBrowser")
            ->SetValue("IsCloseToTrayIcon", value);
    }
    std::size_t EntryCount() { return LogExists() ? Entries().size() : 0; }
};

TEST_F(ReadUserCloseToTrayTest, ReadsEveryTypeAndTakesWhatCannotBeReadAsAbsentWithTheValueNamedInTheLog) {
    struct Row {
        const char* name;
        std::optional<RegistryValue> stored;
        std::optional<bool> read;
        bool logged;
    };
    const Row rows[] = {
        {"absent", std::nullopt, std::nullopt, false},
        {"text on", RegistryValue::String("1"), true, false},
        {"empty text", RegistryValue::String(""), std::nullopt, false},
        {"DWORD off", RegistryValue::DWord(0), false, false},
        {"DWORD on", RegistryValue::DWord(7), true, false},
        {"binary", RegistryValue::Binary({1, 0, 0, 0}), std::nullopt, true},
        {"multi-string", RegistryValue::MultiString({"1", "0"}), std::nullopt, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        reg.DeleteKey(platform::RootKey::CurrentUser, "Software\\Kestal\\Tesra\\TesraBrowser");
        if (row.stored) Set(*row.stored);
        const std::size_t before = EntryCount();
        EXPECT_EQ(ReadUserCloseToTray(ini, log), row.read);
        ASSERT_EQ(EntryCount(), before + (row.logged ? 1 : 0));
        if (row.logged) {
            const std::string entry = Entries().back();
            EXPECT_NE(entry.find("设置无法读取，按未设置处理"), std::string::npos) << entry;
            EXPECT_NE(entry.find("TesraBrowser\\IsCloseToTrayIcon"), std::string::npos) << entry;
            EXPECT_NE(entry.find("LogType=\"错误\""), std::string::npos) << entry;
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ReadUserCloseToTrayTest, ASettingsHiveThatCannotBeReadCountsAsAbsent) {
    Set(RegistryValue::String("1"));
    reg.readable = false;
    EXPECT_EQ(ReadUserCloseToTray(ini, log), std::nullopt);
    reg.readable = true;
    ASSERT_EQ(EntryCount(), 1u);
    EXPECT_NE(Entries()[0].find("Input/output error"), std::string::npos) << Entries()[0];
}

TEST(CloseToTray, MenuFileDefaultIsReadFromTheFile) {
    EXPECT_EQ(MenuFileCloseToTray(nullptr), std::nullopt);
    const std::string path = "/data/TesraBrowser.ini";
    testing::FakeEnvironment environment;
    TIniFile ini(environment, path);
    EXPECT_EQ(MenuFileCloseToTray(&ini), false);
    environment.PutFile(path, "[System]\nIsCloseToTrayIcon=1\n");
    EXPECT_EQ(MenuFileCloseToTray(&ini), true);
    environment.PutFile(path, "[System]\nIsCloseToTrayIcon=0x0\n");
    EXPECT_EQ(MenuFileCloseToTray(&ini), false);
}

}  // namespace
}  // namespace tesra
