#include "shell/CloseToTray.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/IniFile.h"

namespace tesra {
namespace {

TEST(CloseToTray, UserValueOverTheFileDefault) {
    struct Row {
        const char* name;
        std::string userText;
        std::optional<bool> fileValue;
        bool expected;
    };
    const Row rows[] = {
        {"no file, no user value", "", std::nullopt, false},
        {"no file, user on", "1", std::nullopt, true},
        {"no file, user off", "0", std::nullopt, false},
        {"file on, no user value", "", true, true},
        {"file off, no user value", "", false, false},
        {"file on, user unticked", "0", true, false},
        {"file off, user ticked", "1", false, true},
        {"user value not a number counts as off", "yes", true, false},
        {"any non-zero number is on", "-3", std::nullopt, true},
        {"trailing junk is not a number", "1x", std::nullopt, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsCloseToTray(row.userText, row.fileValue), row.expected);
    }
}

TEST(CloseToTray, MenuFileDefaultIsReadFromTheFile) {
    EXPECT_EQ(MenuFileCloseToTray(nullptr), std::nullopt);
    std::string pattern = (std::filesystem::temp_directory_path() / "tesra-tray-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path path = std::filesystem::path(pattern) / "TesraBrowser.ini";
    TIniFile ini(path.string());
    EXPECT_EQ(MenuFileCloseToTray(&ini), false);
    std::ofstream(path, std::ios::trunc) << "[System]\nIsCloseToTrayIcon=1\n";
    EXPECT_EQ(MenuFileCloseToTray(&ini), true);
    std::ofstream(path, std::ios::trunc) << "[System]\nIsCloseToTrayIcon=0x0\n";
    EXPECT_EQ(MenuFileCloseToTray(&ini), false);
    std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace tesra
