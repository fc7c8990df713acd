// Desktop shortcuts as Desktop Entry files: the escaping, and what GLib's own launcher makes of them.
#include "linux/DesktopEntry.h"

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "SupportFakes.h"
#include "linux/ShellLink.h"
#include "platform/Exception.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;

using testing::ReadFile;

TEST(DesktopEntryString, EscapesWhatTheFormatEscapes) {
    struct Case {
        std::string value;
        std::string written;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"蓝岸浏览器", "蓝岸浏览器"},
        {"a\\b", "a\\\\b"},
        {"x\ny", "x\\ny"},
        {"tab\there", "tab\\there"},
        {"cr\r", "cr\\r"},
        {" lead", "\\slead"},
        {"trail ", "trail\\s"},
        {" ", "\\s"},
        {"in side", "in side"},
        {"bell\x07\x1b[0m", "bell[0m"},  // control characters are not allowed
        {"semi;colon=%", "semi;colon=%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(DesktopEntryString(c.value), c.written);
    }
}

TEST(DesktopExecArgument, QuotesOneArgument) {
    struct Case {
        std::string argument;
        std::string written;
    };
    const Case cases[] = {
        {"http://host/app/", R"("http://host/app/")"},
        {"a b", R"("a b")"},
        {R"(say "hi")", R"("say \\"hi\\"")"},
        {"$HOME", R"("\\$HOME")"},
        {"`id`", R"("\\`id\\`")"},
        {R"(a\b)", R"("a\\\\b")"},  // quoted to \\, then each written as \\ again
        {"100%", R"("100%%")"},
        {"%u", R"("%%u")"},
        {"x\ny", R"("x\ny")"},
        {"a\x01"
         "b",
         R"("ab")"},
        {"", R"("")"},
        {"it's", R"("it's")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(DesktopExecArgument(c.argument), c.written);
    }
}

class ShellLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = home.Root() / "Desktop";
        fs::create_directories(folder);
        // Writes the arguments it got, each followed by a zero byte, and replaces the file whole.
        script = home.Root() / "program dir" / "show args";
        fs::create_directories(script.parent_path());
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"" << (home.Root() / "args.tmp").string()
                              << "\" && mv \"" << (home.Root() / "args.tmp").string() << "\" \""
                              << (home.Root() / "args").string() << "\"\n";
        fs::permissions(script, fs::perms::owner_all);
    }

    // Starts the shortcut the way a desktop does and returns the arguments the program received.
    std::vector<std::string> Launch(const std::string& path) {
        const fs::path args = home.Root() / "args";
        fs::remove(args);
        GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(path.c_str());
        if (!info) {
            ADD_FAILURE() << "GLib does not read " << path;
            return {};
        }
        GError* error = nullptr;
        const bool launched = g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error);
        g_object_unref(info);
        if (!launched) {
            ADD_FAILURE() << "launch failed: " << error->message;
            g_error_free(error);
            return {};
        }
        for (int i = 0; i < 1000 && !fs::exists(args); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<std::string> received;
        std::istringstream in(ReadFile(args));
        for (std::string arg; std::getline(in, arg, '\0');) received.push_back(arg);
        return received;
    }

    testing::TempHome home;
    fs::path folder;
    fs::path script;
};

TEST_F(ShellLinkTest, TheLauncherGivesTheProgramExactlyTheAddress) {
    const std::string hostile[] = {
        "http://127.0.0.1:8080/app/index.html?main=true&x=1",
        "http://host/a b/",
        "x\" ; touch PWNED ; \"",
        "$(touch PWNED)",
        "`touch PWNED`",
        "a\\b\\\\c\\",
        "100% %u %f %%",
        "it's 'quoted'",
        "line\nbreak\ttab",
        "http://例子.测试/路径/",
        "--second-argument",
        "a > b | c & d ; e",
        "",
    };
    for (const std::string& address : hostile) {
        SCOPED_TRACE(address);
        const std::string path =
            CreateShellLink(folder.string(), "蓝岸浏览器", script.string(), address, "/icons/a b.ico");
        EXPECT_EQ(path, (folder / "蓝岸浏览器.desktop").string());
        EXPECT_EQ(Launch(path), std::vector<std::string>{address});
    }
    EXPECT_FALSE(fs::exists(script.parent_path() / "PWNED"));
    EXPECT_FALSE(fs::exists(folder / "PWNED"));
}

TEST_F(ShellLinkTest, NameIconAndFolderReadBackAsWritten) {
    const std::string name = "My \\ App";
    const std::string icon = home.Root().string() + "/icons/a\\b c.ico";
    const std::string path = CreateShellLink(folder.string(), name, script.string(), "http://h/", icon);
    GKeyFile* file = g_key_file_new();
    ASSERT_TRUE(g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr));
    auto read = [&](const char* key) {
        gchar* value = g_key_file_get_string(file, "Desktop Entry", key, nullptr);
        std::string text = value ? value : "(none)";
        g_free(value);
        return text;
    };
    EXPECT_EQ(read("Type"), "Application");
    EXPECT_EQ(read("Name"), name);
    EXPECT_EQ(read("Icon"), icon);
    EXPECT_EQ(read("Path"), script.parent_path().string());
    g_key_file_free(file);

    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u) << "desktops start only executable entries";
}

TEST_F(ShellLinkTest, AnExistingShortcutIsReplacedWhole) {
    const fs::path path = folder / "App.desktop";
    std::ofstream(path) << "[Desktop Entry]\nExec=old\n";
    CreateShellLink(folder.string(), "App", script.string(), "http://new/", "icon");
    EXPECT_NE(ReadFile(path).find("http://new/"), std::string::npos);
    EXPECT_EQ(ReadFile(path).find("old"), std::string::npos);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++files;
    EXPECT_EQ(files, 1) << "no temporary file remains";
}

TEST_F(ShellLinkTest, ANameThatIsNoPlainFileNameIsRefused) {
    for (const std::string name : {"../escape", "a/b", ".hidden", ""}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(CreateShellLink(folder.string(), name, script.string(), "http://h/", "icon"), Exception);
    }
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_FALSE(fs::exists(home.Root() / "escape.desktop"));
}

}  // namespace
}  // namespace tesra::platform
