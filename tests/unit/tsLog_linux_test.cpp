#include "support/tsLog.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <thread>

#include "LogTestSupport.h"
#include "linux/LinuxEnvironment.h"
#include "platform/Exception.h"
#include "setup/tsVersionInfo.h"

namespace tesra {
namespace {
namespace fs = std::filesystem;
using testing::ReadFile;

using ClientLogTest = testing::LogFixtureWith<platform::LinuxEnvironment>;

TEST_F(ClientLogTest, FirstEntryWritesHeaderLaterEntriesAppend) {
    EXPECT_FALSE(fs::exists(LogFile()));
    log.LogError("第一条");
    std::string first = ReadFile(LogFile());
    EXPECT_EQ(first.rfind("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<Logs>\r\n<Log Time=\"", 0), 0u);
    EXPECT_EQ(first.substr(first.size() - 5), "/>\n\r\n");
    EXPECT_NE(first.find(Utf8ToGbk("Log=\"第一条\" LogType=\"错误\"")), std::string::npos);  // GBK bytes

    log.LogException("second");
    std::string both = ReadFile(LogFile());
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_EQ(both.find("<?xml", 1), std::string::npos);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(IsEntry(entries[0], "第一条", "错误")) << entries[0];
    EXPECT_TRUE(IsEntry(entries[1], "second", "异常")) << entries[1];
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(channel.Lines().empty());
}

TEST_F(ClientLogTest, EmptyExistingFileGetsTheHeader) {
    fs::create_directories(LogFolder());
    std::ofstream(LogFile()).close();
    log.LogError("x");
    EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(ClientLogTest, EntryTextsAreEscapedAndConverted) {
    struct Case {
        std::string text, inFile;
    };
    const Case cases[] = {
        {"<&\"", "&lt;&amp;&quot;"},
        {"a>b 'q'", "a&gt;b 'q'"},
        {"line1\nline2", "line1\r\nline2"},
        {"line1\r\nline2", "line1\r\nline2"},
        {"\nfirst", "\r\nfirst"},
        {"tab\there\rcr", "tab\there\rcr"},
        {"笑😀脸", "笑?脸"},                // no GBK character for the emoji
        {"bad\xff\xfeutf8", "bad??utf8"},  // not UTF-8 at all
        {"ctl\x01\x1b[0m", "ctl??[0m"},    // no XML 1.0 character for them
        {std::string("nul\0here", 8), "nul?here"},
        {"", ""},
    };
    for (const Case& c : cases) log.LogError(c.text);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), std::size(cases));
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(cases[i].text);
        EXPECT_TRUE(IsEntry(entries[i], cases[i].inFile, "错误")) << entries[i];
    }
}

TEST_F(ClientLogTest, EveryLevelHasItsName) {
    const char* names[] = {"调试", "信息", "警告", "错误", "异常", "系统", "设计", "操作", "入侵", "删除"};
    for (int level = 0; level < kLogLevelCount; ++level) log.LogText("level", level);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 10u);
    for (int level = 0; level < kLogLevelCount; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(LogLevelName(level), names[level]);
        EXPECT_TRUE(IsEntry(entries[static_cast<size_t>(level)], "level", names[level]));
    }
    EXPECT_EQ(LogLevelName(10), "");
}

TEST_F(ClientLogTest, ConcurrentWritersGiveCompleteEntries) {
    constexpr int kPerThread = 300;
    auto writer = [this](const std::string& text) {
        for (int i = 0; i < kPerThread; ++i) log.LogError(text + std::to_string(i));
    };
    std::thread a(writer, "线程甲-");
    std::thread b(writer, "thread B-");
    a.join();
    b.join();
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 2u * kPerThread);
    int fromA = 0;
    for (const std::string& entry : entries) {
        bool isA = entry.find("线程甲-") != std::string::npos;
        fromA += isA;
        std::smatch number;
        ASSERT_TRUE(std::regex_search(entry, number, std::regex(R"re(-(\d+)")re"))) << entry;
        EXPECT_TRUE(IsEntry(entry, (isA ? "线程甲-" : "thread B-") + number[1].str(), "错误")) << entry;
    }
    EXPECT_EQ(fromA, kPerThread);
}

// Install mode logs beside the running program: processes share the file without a common mutex.
TEST_F(ClientLogTest, ProcessesWritingAtOnceLeaveALogThatParsesWithEveryEntryWhole) {
    constexpr int kProcesses = 8;
    constexpr int kPerProcess = 100;
    // Mixed sizes: short ones, and ones over 4 KiB and 9 kB that a pipe-sized write would split.
    auto text = [](int process, int i) {
        static const size_t sizes[] = {10, 300, 4500, 9000};
        return "p" + std::to_string(process) + "-" + std::to_string(i) + ":" + std::string(sizes[i % 4], 'x');
    };
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        if (pid == 0) {
            for (int i = 0; i < kPerProcess; ++i) log.LogError(text(p, i));
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto entries = Entries();
    ASSERT_EQ(entries.size(), static_cast<size_t>(kProcesses * kPerProcess));
    std::set<std::string> seen;
    for (const std::string& entry : entries) {
        std::smatch match;
        ASSERT_TRUE(std::regex_search(entry, match, std::regex(R"(Log="(p\d+-\d+):)"))) << entry.substr(0, 200);
        int process = std::stoi(match[1].str().substr(1));
        int i = std::stoi(match[1].str().substr(match[1].str().find('-') + 1));
        EXPECT_TRUE(IsEntry(entry, text(process, i), "错误")) << match[1];
        seen.insert(match[1]);
    }
    EXPECT_EQ(seen.size(), entries.size()) << "every entry once";
    std::string bytes = ReadFile(LogFile());
    EXPECT_EQ(bytes.find("<?xml", 1), std::string::npos) << "one header";
    fs::path closed = home->Root() / "closed.xml";
    std::ofstream(closed, std::ios::binary) << bytes << "</Logs>\r\n";
    EXPECT_EQ(std::system(("xmllint --noout " + closed.string()).c_str()), 0);
}

TEST_F(ClientLogTest, ALogCutOffInAnEntryIsMendedOnTheNextAppendAndNothingIsLost) {
    log.LogError("kept");
    const std::string complete = ReadFile(LogFile());
    const std::string halfEntry = log.EntryText(std::string(9000, 'h'), kLogError).substr(0, 4096);
    struct Case {
        const char* what;
        std::string before, keptPart, tail;
    };
    const Case cases[] = {
        {"half an entry after a whole one", complete + halfEntry, complete, halfEntry},
        {"an entry without its line break", complete + halfEntry.substr(0, 100) + "/>\n", complete,
         halfEntry.substr(0, 100) + "/>\n"},
        {"half an entry after the header", std::string(kLogFileHeader) + halfEntry, kLogFileHeader, halfEntry},
        {"a header cut off", std::string(kLogFileHeader).substr(0, 20), "", std::string(kLogFileHeader).substr(0, 20)},
    };
    const fs::path side = LogFile().string() + kLogPartialSuffix;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(side);
        std::ofstream(LogFile(), std::ios::binary | std::ios::trunc) << c.before;
        log.LogError("after");
        std::string now = ReadFile(LogFile());
        const std::string kept = c.keptPart.empty() ? std::string(kLogFileHeader) : c.keptPart;
        EXPECT_EQ(now.substr(0, kept.size()), kept);
        auto entries = Entries();
        ASSERT_FALSE(entries.empty());
        EXPECT_TRUE(IsEntry(entries.back(), "after", "错误")) << entries.back();
        EXPECT_EQ(ReadFile(side), c.tail) << "the broken tail is kept beside the log";
    }
    log.LogError("a log that ends well is left alone");
    EXPECT_EQ(Entries().size(), 2u);
    EXPECT_EQ(ReadFile(side), cases[std::size(cases) - 1].tail);
}

TEST_F(ClientLogTest, FolderThatCannotBeCreatedGivesOnlyTheWriteTrace) {
    fs::path data = home->Root() / "home/.local/share";
    fs::remove_all(data / "Kestal");  // made at the start, for the fatal fault's entry
    std::ofstream(data / "Kestal") << "a file where the folder should be";
    log.LogError("丢失");
    EXPECT_FALSE(fs::exists(LogFile()));
    EXPECT_TRUE(boxes.shown.empty());
    auto lines = channel.Lines();
    ASSERT_EQ(lines.size(), 1u);
    std::string folder = (data / "Kestal/TesraBrowser/Log/").string();
    std::string expected =
        " - TtsLog.DoClientLog 出错在写文件: , 自动创建“" + folder + "”目录失败：Not a directory, <Log Time=";
    EXPECT_EQ(lines[0].substr(19, expected.size()), expected) << lines[0];
    EXPECT_TRUE(lines[0].ends_with("Log=\"丢失\" LogType=\"错误\"/>\n")) << lines[0];
}

TEST_F(ClientLogTest, UnopenableFileGivesTheOpenTraceAndNoFile) {
    fs::create_directories(LogFile());  // a folder in the log file's place
    log.LogError("x");
    EXPECT_TRUE(fs::is_directory(LogFile()));
    auto lines = channel.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" - TtsLog.DoClientLog 出错在打开文件: " + LogFile().string() + ", Is a directory, <Log "),
              std::string::npos)
        << lines[0];
}

TEST_F(ClientLogTest, FailedWriteLeavesEarlierEntriesIntact) {
    log.LogError("kept");
    std::string before = ReadFile(LogFile());
    // The file may grow by ten bytes only: the next entry fails in the middle.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = before.size() + 10;
    setrlimit(RLIMIT_FSIZE, &limited);
    log.LogError("this entry does not fit");
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(ReadFile(LogFile()), before);
    auto lines = channel.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("TtsLog.DoClientLog 出错在写文件: " + LogFile().string() + ", File too large, "),
              std::string::npos)
        << lines[0];
    log.LogError("after");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(IsEntry(entries[1], "after", "错误"));
}

TEST_F(ClientLogTest, TheErrorNotificationIsAnErrorEntry) {
    tbLog.ErrorNotify()("记录");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(IsEntry(entries[0], "记录", "错误"));
}

TEST_F(ClientLogTest, HostAndAddressFollowTheMachine) {
    network.address = "";  // no address of its own: the loopback address
    network.name = "averyveryverylongname";
    log.LogError("x");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].find("Host=\"AVERYVERYVERYLO\" IPAddress=\"127.0.0.1\""), std::string::npos) << entries[0];
}

TEST_F(ClientLogTest, ClientVersionIsFileNameBlankFileVersion) {
    EXPECT_EQ(GetFileVersionText(environment, ""), "");  // the test program has no version resource
    log.LogError("x");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].find(" ClientVersion=\"tsLog_linux_test \" "), std::string::npos) << entries[0];
}

TEST_F(ClientLogTest, IdentityThatFailsStillGivesTheEntry) {
    auto fails = []() -> std::string { throw Exception("没有网络"); };
    log.SetIdentity({"TesraBrowser 1.0.0.41", fails, fails});
    log.LogError("x");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].find(" ClientVersion=\"TesraBrowser 1.0.0.41\" Host=\"\" IPAddress=\"127.0.0.1\" "),
              std::string::npos)
        << entries[0];
}

TEST_F(ClientLogTest, ExceptionWithCaptionIsCaptionThenDescription) {
    log.LogExceptionWithCaption("打印屏幕出错", Exception("坏了", "EInOutError"), focus);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(IsEntry(entries[0], "打印屏幕出错发生 EInOutError 异常：坏了", "异常")) << entries[0];
}

// A log that keeps its entries nowhere.
class BareLog : public TtsCustomLog {
public:
    std::string GetLogPath() override { return "/nonexistent/"; }
};

TEST(TtsLog, EntriesNameTheProgramFileUntilAnIdentityIsSet) {
    testing::FakeEnvironment environment;
    environment.programFile = "/opt/x/TesraBrowser";
    testing::FakeChannel channel;
    DebugTracer trace(channel, environment);
    TtsLog log(environment, trace);
    EXPECT_EQ(log.Identity().clientVersion, "TesraBrowser");
    EXPECT_FALSE(log.Identity().host);
    log.SetIdentity({"TesraBrowser 1.0.0.41", nullptr, nullptr});
    EXPECT_EQ(log.Identity().clientVersion, "TesraBrowser 1.0.0.41");
}

TEST(TtsCustomLogDefaults, ALogThatOverridesNothingAnswersNoAndFollowsTheDevVariable) {
    BareLog log;
    EXPECT_FALSE(log.IsQuietMode());
    EXPECT_FALSE(log.OfferReport());
    EXPECT_FALSE(log.IgnoreException(Exception("x")));
    EXPECT_FALSE(log.IsSpecificException(Exception("x")));
    EXPECT_TRUE(log.IsSpecificException(Exception("x", "EAccessViolation")));
    EXPECT_EQ(log.GetLogFileName(), "tesra.elf");
    testing::ScopedEnv devEnvironment("TESRA_DEV_ENVIRONMENT", nullptr);
    EXPECT_FALSE(log.IsDesignEnvironment());
    devEnvironment.Set("1");
    EXPECT_TRUE(log.IsDesignEnvironment());
}

}  // namespace
}  // namespace tesra
