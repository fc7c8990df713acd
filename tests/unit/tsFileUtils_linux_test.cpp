#include "support/tsFileUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "SupportFakes.h"
#include "linux/LinuxEnvironment.h"
#include "platform/Exception.h"

namespace tesra {
namespace {
namespace fs = std::filesystem;
using testing::TempHome;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(SplitCommandLine, FollowsShellQuoting) {
    using Args = std::vector<std::string>;
    struct Case {
        std::string line;
        std::optional<Args> expected;
    };
    const Case cases[] = {
        {"/opt/ksUpdate /SendLog \"/a b/sysLog.jpg\"", Args{"/opt/ksUpdate", "/SendLog", "/a b/sysLog.jpg"}},
        {"  a\t b  ", Args{"a", "b"}},
        {"'single \"quoted\"' x", Args{"single \"quoted\"", "x"}},
        {"\"a\\\"b\\\\c\\d\"", Args{"a\"b\\c\\d"}},
        {"a\\ b", Args{"a b"}},
        {"pre\"mid\"'post'", Args{"premidpost"}},
        {"\"\" x", Args{"", "x"}},
        {"中文 参数", Args{"中文", "参数"}},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"\"unclosed", std::nullopt},
        {"'unclosed", std::nullopt},
        {"trailing\\", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SplitCommandLine(c.line), c.expected);
    }
}

TEST(SplitCommandLine, QuotedArgumentComesBackUnchanged) {
    for (std::string text : {"plain", "with space", "quote\"inside", "back\\slash", "$HOME `cmd`", "", "中 文"}) {
        SCOPED_TRACE(text);
        auto args = SplitCommandLine("prog " + QuoteCommandArgument(text));
        ASSERT_TRUE(args);
        EXPECT_EQ(*args, (std::vector<std::string>{"prog", text}));
    }
}

TEST(RunCommandLine, StartsTheProgramWithItsQuotedArgument) {
    TempHome home;
    fs::path marker = home.Root() / "started marker";
    platform::LinuxEnvironment environment;
    ASSERT_TRUE(RunCommandLine(environment, "touch " + QuoteCommandArgument(marker.string()),
                               platform::ShowCommand::NoActivate));
    // The program runs on its own; give it time to get there.
    for (int i = 0; i < 500 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(fs::exists(marker));
}

TEST(RunCommandLine, FailsWithoutStartingAnything) {
    const std::string cases[] = {"/nonexistent/ksUpdate /SendLog \"x\"", "no-such-program-tesra", "", "\"unclosed",
                                 "/"};
    platform::LinuxEnvironment environment;
    for (const std::string& line : cases) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(RunCommandLine(environment, line, platform::ShowCommand::Normal));
    }
}

TEST(SpecialFolders, TheDesktopFromTheUserDirsFileAndLocalAppDataFromTheDataHome) {
    TempHome home;
    fs::create_directories(home.Root() / "home/.config");
    Write(home.Root() / "home/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
    const std::string desktop = (home.Root() / "home/桌面").string();
    const std::string localAppData = (home.Root() / "home/.local/share").string();
    platform::LinuxEnvironment environment;
    EXPECT_EQ(GetDesktopFolder(environment), desktop);
    EXPECT_EQ(GetSpecialFolderPath(environment, CSIDL_DESKTOP), desktop);
    EXPECT_EQ(GetLocalAppDataFolder(environment), localAppData);
    EXPECT_EQ(GetSpecialFolderPath(environment, CSIDL_LOCAL_APPDATA), localAppData);
    EXPECT_EQ(GetSpecialFolderPath(environment, 5), "") << "an identifier the platform does not know";
}

class CopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = (home.Root() / "源.txt").string();
        target = (home.Root() / "target.txt").string();
        Write(source, "new");
    }
    TempHome home;
    platform::LinuxEnvironment environment;
    std::string source, target;
};

TEST_F(CopyTest, ANewTargetGetsTheSourcesBytes) {
    EXPECT_TRUE(CopyFileChecked(environment, source, target, IfTargetExists::Fail, OnCopyFailure::Raise));
    EXPECT_EQ(Read(target), "new");
}

TEST_F(CopyTest, AnExistingTargetStaysUnlessOverwriteIsAsked) {
    Write(target, "old");
    EXPECT_FALSE(CopyFileChecked(environment, source, target, IfTargetExists::Fail, OnCopyFailure::ReturnFalse));
    EXPECT_EQ(Read(target), "old");
    try {
        CopyFileChecked(environment, source, target, IfTargetExists::Fail, OnCopyFailure::Raise);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "复制文件“" + source + "”到“" + target + "”失败：File exists");
    }
    EXPECT_EQ(Read(target), "old");
    EXPECT_TRUE(CopyFileChecked(environment, source, target, IfTargetExists::Overwrite, OnCopyFailure::Raise));
    EXPECT_EQ(Read(target), "new");
}

TEST_F(CopyTest, AMissingSourceOrFolderReturnsFalseOrRaisesAsAsked) {
    std::string missing = (home.Root() / "missing").string();
    EXPECT_FALSE(CopyFileChecked(environment, missing, target, IfTargetExists::Overwrite, OnCopyFailure::ReturnFalse));
    EXPECT_FALSE(fs::exists(target));
    try {
        CopyFileChecked(environment, missing, target, IfTargetExists::Overwrite, OnCopyFailure::Raise);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "复制文件“" + missing + "”到“" + target + "”失败：No such file or directory");
    }
    std::string intoMissingFolder = (home.Root() / "no/such/folder.txt").string();
    EXPECT_FALSE(
        CopyFileChecked(environment, source, intoMissingFolder, IfTargetExists::Overwrite, OnCopyFailure::ReturnFalse));
}

TEST_F(CopyTest, NeverCopiesOntoItself) {
    EXPECT_FALSE(CopyFileChecked(environment, source, source, IfTargetExists::Overwrite, OnCopyFailure::ReturnFalse));
    EXPECT_EQ(Read(source), "new");
    std::string sameThroughLink = (home.Root() / "link.txt").string();
    fs::create_symlink(source, sameThroughLink);
    EXPECT_THROW(CopyFileChecked(environment, source, sameThroughLink, IfTargetExists::Overwrite, OnCopyFailure::Raise),
                 Exception);
    EXPECT_EQ(Read(source), "new");
}

}  // namespace
}  // namespace tesra
