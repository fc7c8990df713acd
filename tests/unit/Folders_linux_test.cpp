#include "linux/Folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/unit/SupportFakes.h"

namespace tesra::platform {
using tesra::testing::TempHome;
namespace {

// Where downloads go: the user's xdg-user-dirs entry, as `xdg-user-dir DOWNLOAD` reads it, or
// "Downloads" in the home folder (never the home folder itself).
TEST(DownloadFolder, FromTheUserDirsFile) {
    struct Row {
        const char* dirs;      // user-dirs.dirs; null for no file
        std::string expected;  // below the temporary home
    };
    const Row rows[] = {
        {nullptr, "/Downloads"},
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/Downloads"},
        {"XDG_DOWNLOAD_DIR=\"$HOME/下载\"\n", "/下载"},
        {"# comment\n  XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"  \nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/Fetched"},
        {"XDG_DOWNLOAD_DIR=\"relative/folder\"\n", "/Downloads"},
        {"XDG_DOWNLOAD_DIR=\"\"\n", "/Downloads"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dirs ? row.dirs : "no file");
        TempHome home;
        std::filesystem::path config = home.Root() / "home/.config";
        if (row.dirs) std::ofstream(config / "user-dirs.dirs") << row.dirs;
        EXPECT_EQ(DownloadFolder(), (home.Root() / "home").string() + row.expected);
    }
}

TEST(DownloadFolder, AnAbsoluteFolderStandsAsItIs) {
    TempHome home;
    std::ofstream(home.Root() / "home/.config/user-dirs.dirs") << "XDG_DOWNLOAD_DIR=\"/srv/files\"\n";
    EXPECT_EQ(DownloadFolder(), "/srv/files");
    EXPECT_EQ(DesktopFolder(), (home.Root() / "home/Desktop").string());
}

}  // namespace
}  // namespace tesra::platform
