#include "support/tsCommon.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <fstream>
#include <regex>

#include "PlatformFakes.h"
#include "linux/DebugChannel.h"
#include "linux/Folders.h"
#include "linux/LinuxEnvironment.h"
#include "platform/Exception.h"

namespace tesra {
namespace {
using namespace tesra::testing;
namespace fs = std::filesystem;

class CommonTest : public ::testing::Test {
protected:
    TempHome home;
    ScopedEnv devEnvironment{"TESRA_DEV_ENVIRONMENT", nullptr};
    platform::LinuxEnvironment environment;
    FakeApplication app;
    FakeBoxes boxes;
    AppBoxes appBoxes{boxes, app};
    FakeChannel channel;
    DebugTracer trace{channel, environment};
};

TEST(TrimBlanks, DropsBytesOfCode32AndBelowAtBothEnds) {
    struct Case {
        std::string_view input, expected;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {std::string_view("\0\0x\0", 4), "x"},
        {" \t\r\n\x1f"
         "a b"
         "\x01 ",
         "a b"},
        {std::string_view("a\0b", 3), std::string_view("a\0b", 3)},  // inner characters stay
        {"\x7f"
         "a",
         "\x7f"
         "a"},                              // above 32: not trimmed
        {"\xe4\xb8\xad ", "\xe4\xb8\xad"},  // bytes above 127 are not low
        {" \t\x01 a b \r\n", "a b"},
        {"蓝岸", "蓝岸"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.input)));
        EXPECT_EQ(TrimBlanks(c.input), c.expected);
    }
}

TEST(SameText, IgnoresTheCaseOfAsciiLettersOnly) {
    struct Case {
        std::string_view a, b;
        bool same;
    } cases[] = {
        {"", "", true},         {"-install", "-INSTALL", true}, {"Encoding attachment", "encoding ATTACHMENT", true},
        {"abc", "abcd", false}, {"abd", "ABC", false},          {"É", "é", false},  // only ASCII letters fold
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + std::string(c.b));
        EXPECT_EQ(SameText(c.a, c.b), c.same);
    }
}

TEST_F(CommonTest, BoxesFollowTheCaptionRule) {
    struct Case {
        std::string title;
        std::string caption;
    };
    const Case cases[] = {{"蓝岸浏览器", "蓝岸浏览器"}, {"页面标题", "页面标题"}, {"", "系统提示"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        app.title = c.title;
        boxes.shown.clear();
        appBoxes.Info("i");
        appBoxes.Error("e");
        EXPECT_EQ(appBoxes.Show("m", platform::MB_ICONWARNING | platform::MB_OKCANCEL), platform::IDOK);
        appBoxes.ConfirmApp("c");
        appBoxes.Confirm("自定", "d");
        ASSERT_EQ(boxes.shown.size(), 5u);
        EXPECT_EQ(boxes.shown[0].caption, c.caption);
        EXPECT_EQ(boxes.shown[0].flags, 64u);
        EXPECT_EQ(boxes.shown[1].caption, c.caption);
        EXPECT_EQ(boxes.shown[1].flags, 16u);
        EXPECT_EQ(boxes.shown[2].caption, c.caption);
        EXPECT_EQ(boxes.shown[2].flags, 0x31u);
        EXPECT_EQ(boxes.shown[3].caption, c.title);  // no fallback for ConfirmApp
        EXPECT_EQ(boxes.shown[3].flags, 17u);
        EXPECT_EQ(boxes.shown[4].caption, "自定");
        EXPECT_EQ(boxes.shown[4].text, "d");
    }
}

TEST_F(CommonTest, ConfirmIsTrueOnlyForOk) {
    const std::pair<int, bool> cases[] = {{platform::IDOK, true}, {platform::IDCANCEL, false}, {0, false}, {7, false}};
    for (auto [answer, expected] : cases) {
        SCOPED_TRACE(answer);
        boxes.answer = answer;
        EXPECT_EQ(appBoxes.Confirm("c", "t"), expected);
        EXPECT_EQ(appBoxes.ConfirmApp("t"), expected);
    }
}

TEST_F(CommonTest, DebugTraceLineHasTimeDashText) {
    trace.Trace("追踪");
    trace.TraceFmt("值 %s", {"1"});
    auto lines = channel.Lines();
    ASSERT_EQ(lines.size(), 2u);
    std::regex pattern(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} - )");
    EXPECT_TRUE(std::regex_search(lines[0], pattern)) << lines[0];
    EXPECT_EQ(lines[0].substr(19), " - 追踪");
    EXPECT_EQ(lines[1].substr(19), " - 值 1");
}

TEST_F(CommonTest, WithoutViewerTheTraceIsLostAndNothingStarts) {
    // The real channel: nobody listens in this runtime folder.
    platform::SocketDebugChannel socket;
    DebugTracer real(socket, environment);
    EXPECT_FALSE(real.Send("lost"));
    real.Trace("lost too");
    devEnvironment.Set("1");  // no viewer next to the test program either
    EXPECT_FALSE(real.Send("lost"));
}

TEST_F(CommonTest, TheDevVariableCountsWhenSetToAnythingButEmptyOrZero) {
    const std::pair<const char*, bool> cases[] = {
        {nullptr, false}, {"", false}, {"0", false}, {"1", true}, {"yes", true}};
    for (auto [value, expected] : cases) {
        SCOPED_TRACE(value ? value : "(unset)");
        devEnvironment.Set(value);
        EXPECT_EQ(IsDevEnvironmentRunning(), expected);
    }
}

TEST_F(CommonTest, ForceFolderCreatesParentsOrRaises) {
    platform::LinuxEnvironment environment;
    fs::path base = home.Root() / "ff";
    EXPECT_TRUE(ForceFolder(environment, (base / "a/b/c").string()));
    EXPECT_TRUE(fs::is_directory(base / "a/b/c"));
    EXPECT_TRUE(ForceFolder(environment, (base / "a/b/c").string()));  // exists: true at once
    EXPECT_TRUE(ForceFolder(environment, (base / "trailing/").string()));
    EXPECT_TRUE(fs::is_directory(base / "trailing"));

    std::ofstream(base / "file") << "x";
    std::string blocked = (base / "file/sub").string();
    try {
        ForceFolder(environment, blocked);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "自动创建“" + blocked + "”目录失败：Not a directory");
    }
    EXPECT_FALSE(fs::exists(blocked));
}

TEST_F(CommonTest, LastErrorTextIsTheSystemText) {
    errno = ENOENT;
    EXPECT_EQ(LastErrorText(), "No such file or directory");
}

TEST_F(CommonTest, ProgramFolderAndName) {
    std::string folder = GetProgramFolder(environment);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(GetProgramFileName(environment), "tsCommon_linux_test");
    EXPECT_EQ(folder + GetProgramFileName(environment), platform::ProgramFile());
}

TEST(CommonText, StartsAndContains) {
    struct Case {
        std::string_view a, b;
        bool startsText, containsStr, containsText;
    };
    // a = text, b = prefix / part
    const Case cases[] = {
        {"http://host", "HTTP://", true, false, true},
        {"http://host", "http://", true, true, true},
        {"ab", "abc", false, false, false},
        {"anything", "", true, true, true},
        {"蓝岸浏览器", "蓝岸", true, true, true},
        {"xABCx", "abc", false, false, true},
        {"xABCx", "ABC", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + std::string(c.b));
        EXPECT_EQ(StartsText(c.a, c.b), c.startsText);
        EXPECT_EQ(ContainsStr(c.b, c.a), c.containsStr);
        EXPECT_EQ(ContainsText(c.b, c.a), c.containsText);
    }
}

TEST(CommonText, FolderWithSlash) {
    const std::pair<std::string_view, std::string> cases[] = {
        {"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"}, {"  /a b \t", "/a b/"}, {"", "/"}, {"\n/x/\n", "/x/"}};
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(std::string(input));
        EXPECT_EQ(FolderWithSlash(input), expected);
    }
}

class EAccessViolation : public Exception {
public:
    EAccessViolation() : Exception("Access violation", "EAccessViolation") {}
};

TEST(CommonClasses, InheritsFromName) {
    Exception plain("x");
    EAccessViolation violation;
    SilentAbort abort;
    std::runtime_error foreign("y");
    struct Case {
        const std::exception* object;
        std::string_view name;
        bool expected;
    };
    const Case cases[] = {
        {nullptr, "Exception", false},
        {&plain, "Exception", true},
        {&plain, "EXCEPTION", true},
        {&plain, "EAbort", false},
        {&violation, "eaccessviolation", true},
        {&violation, "Exception", true},
        {&abort, "EAbort", true},
        {&foreign, "Exception", true},
        {&foreign, "std::runtime_error", true},
        {&foreign, "EAbort", false},
        {&violation, "EAccess", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.object ? " " + ExceptionClassName(*c.object) : " null"));
        EXPECT_EQ(InheritsFromName(c.object, c.name), c.expected);
    }
}

TEST(CommonTime, ProgramDateTimeFormat) {
    std::tm parts{};
    parts.tm_year = 2014 - 1900;
    parts.tm_mon = 3;
    parts.tm_mday = 29;
    parts.tm_hour = 13;
    parts.tm_min = 5;
    parts.tm_sec = 9;
    parts.tm_isdst = -1;
    auto time = std::chrono::system_clock::from_time_t(std::mktime(&parts));
    EXPECT_EQ(DateTimeToStr(time), "2014-04-29 13:05:09");
    EXPECT_EQ(FormatDateTime("yyyymmdd_hhnnss", time), "20140429_130509");
    EXPECT_EQ(FormatDateTime("sysLog[yyyy]", time), "sysLog[2014]");
}

}  // namespace
}  // namespace tesra
