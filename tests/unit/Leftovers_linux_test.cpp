// What runs leave behind, in a temporary folder.
#include "linux/Leftovers.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "SupportFakes.h"
#include "linux/FileReplace.h"
#include "linux/LinuxEnvironment.h"
#include "platform/FatalFault.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;

TEST(Leftovers, BridgeSocketNames) {
    struct Row {
        const char* name;
        std::optional<pid_t> pid;
    };
    const Row rows[] = {
        {"bridge-1234.sock", 1234},          {"bridge-1.sock", 1},
        {"bridge-.sock", std::nullopt},      {"bridge-0.sock", std::nullopt},
        {"bridge-0123.sock", std::nullopt},  {"bridge-12a.sock", std::nullopt},
        {"bridge--12.sock", std::nullopt},   {"bridge-1234.sock.bak", std::nullopt},
        {"xbridge-1234.sock", std::nullopt}, {"bridge-1234567890.sock", std::nullopt},
        {"DebugInfo", std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(BridgeSocketPid(row.name), row.pid) << row.name;
}

TEST(Leftovers, WriterTemporaryNames) {
    struct Row {
        const char* name;
        bool any;
        bool desktop;
    };
    const Row rows[] = {
        {".HKCU.reg.aB3xY9", true, false},
        {".TesraBrowser.ico.Zz0000", true, false},
        {".TesraBrowser.XXXXXX", true, false},
        {".蓝岸浏览器.desktop.q1W2e3", true, true},
        {".x.desktop.q1W2e3", true, true},
        {".HKCU.reg.aB3xY", false, false},   // five letters
        {".HKCU.reg.aB3x-9", false, false},  // not a letter or digit
        {".HKCU.reg-aB3xY9", false, false},  // no dot before them
        {"HKCU.reg.aB3xY9", false, false},   // not hidden
        {"..aB3xY9", false, false},          // no name
        {"...aB3xY9", false, false},         // "." is no name
        {"..x.aB3xY9", false, false},        // a hidden file's temporary is not the writer's
        {".HKCU.reg", false, false},
        {".desktop.q1W2e3", true, false},  // of a file named "desktop"
        {".cache", false, false},
        {".local", false, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(IsWriterTemporary(row.name), row.any) << row.name;
        EXPECT_EQ(IsWriterTemporary(row.name, true), row.desktop) << row.name;
    }
}

class LeftoversTest : public ::testing::Test {
protected:
    fs::path Make(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
        return path;
    }
    std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            names.push_back(fs::relative(entry.path(), folder).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    void MakeSocket(const fs::path& path) {
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
        close(fd);
    }
    pid_t GonePid() {
        pid_t child = fork();
        if (child == 0) _exit(0);
        waitpid(child, nullptr, 0);
        return child;
    }
    testing::TempHome home;
};

TEST_F(LeftoversTest, OnlyTemporariesThatNoWriterHoldsAreRemoved) {
    const fs::path folder = home.Root() / "data";
    Make(folder / ".HKCU.reg.aB3xY9");
    Make(folder / "address/.TesraBrowser.ico.Zz0000");
    Make(folder / "address/deeper/.TesraBrowser.ico.Zz0000");  // one level down only
    Make(folder / ".cache");
    Make(folder / "HKCU.reg");
    Make(folder / "address/TesraBrowser.ico");
    const fs::path held = Make(folder / "address/.TesraBrowser.ini.Hh1234");
    int fd = open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);

    RemoveStaleTemporaries(folder.string());
    close(fd);
    EXPECT_EQ(Names(folder), (std::vector<std::string>{".cache", "HKCU.reg", "address",
                                                       "address/.TesraBrowser.ini.Hh1234", "address/TesraBrowser.ico",
                                                       "address/deeper", "address/deeper/.TesraBrowser.ico.Zz0000"}));
    RemoveStaleTemporaries(folder.string());
    EXPECT_FALSE(fs::exists(held)) << "once its writer let it go";
}

TEST_F(LeftoversTest, OnADesktopOnlyTheTemporariesOfDesktopEntries) {
    const fs::path desktop = home.Root() / "Desktop";
    Make(desktop / ".蓝岸浏览器.desktop.q1W2e3");
    Make(desktop / ".notes.txt.q1W2e3");
    Make(desktop / "sub/.x.desktop.q1W2e3");
    RemoveStaleTemporaries(desktop.string(), true);
    EXPECT_EQ(Names(desktop), (std::vector<std::string>{".notes.txt.q1W2e3", "sub", "sub/.x.desktop.q1W2e3"}));
}

TEST_F(LeftoversTest, AFileBeingWrittenSurvivesAStartThatCleansUp) {
    const fs::path target = home.Root() / "HKCU.reg";
    FileReplacement file(target.string(), FileMode::Private);
    file.Write("half");
    RemoveStaleTemporaries(home.Root().string());
    file.Write(" and the rest");
    file.Commit();
    EXPECT_EQ(testing::ReadFile(target), "half and the rest");
    RemoveStaleTemporaries(home.Root().string());
    EXPECT_EQ(testing::ReadFile(target), "half and the rest") << "the file itself is no temporary";
}

TEST_F(LeftoversTest, BridgeSocketsOfGoneProcessesAreRemoved) {
    const fs::path run = home.Root() / "run";
    const std::string gone = "bridge-" + std::to_string(GonePid()) + ".sock";
    const std::string alive = "bridge-" + std::to_string(getpid()) + ".sock";
    const std::string goneFile = "bridge-" + std::to_string(GonePid()) + ".sock";
    MakeSocket(run / gone);
    MakeSocket(run / alive);
    MakeSocket(run / "DebugInfo");
    Make(run / goneFile);  // not a socket: not the bridge's
    RemoveStaleBridgeSockets(run.string());
    std::vector<std::string> expected{alive, "DebugInfo", goneFile};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(run), expected);
}

TEST_F(LeftoversTest, TheSocketGoesAtEveryExit) {
    struct Row {
        const char* what;
        void (*end)();
        bool signaled;
        int code;
    };
    const Row rows[] = {
        {"exit", [] { std::exit(3); }, false, 3},
        {"SIGTERM", [] { raise(SIGTERM); }, true, SIGTERM},
        {"SIGINT", [] { raise(SIGINT); }, true, SIGINT},
        // The process group's SIGTERM and the process's own, delivered one inside the other.
        {"two SIGTERMs at once",
         [] {
             sigset_t term;
             sigemptyset(&term);
             sigaddset(&term, SIGTERM);
             pthread_sigmask(SIG_BLOCK, &term, nullptr);
             pthread_kill(pthread_self(), SIGTERM);
             kill(getpid(), SIGTERM);
             pthread_sigmask(SIG_UNBLOCK, &term, nullptr);
         },
         true, SIGTERM},
        {"SIGHUP", [] { raise(SIGHUP); }, true, SIGHUP},
        {"a fatal fault",
         [] {
             const rlimit noCore{0, 0};
             setrlimit(RLIMIT_CORE, &noCore);
             LinuxEnvironment().SetFatalFaultHandler([](void*, FatalFault, const LocalTime&) {}, nullptr);
             raise(SIGSEGV);
         },
         true, SIGSEGV},
        {"removal called before _exit",
         [] {
             RemoveExitFiles();
             _exit(4);
         },
         false, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path socket = home.Root() / "run/bridge-1.sock";
        MakeSocket(socket);
        pid_t child = fork();
        if (child == 0) {
            RemoveAtExit(socket.string());
            row.end();
            _exit(99);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (row.signaled) {
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(WTERMSIG(status), row.code) << "the signal's own action goes on";
        } else {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), row.code);
        }
        EXPECT_FALSE(fs::exists(socket));
    }
    // Without the removal armed the file stays: the child's exit is what removed it above.
    const fs::path kept = home.Root() / "run/bridge-2.sock";
    MakeSocket(kept);
    pid_t child = fork();
    if (child == 0) raise(SIGTERM);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(fs::exists(kept));
}

}  // namespace
}  // namespace tesra::platform
