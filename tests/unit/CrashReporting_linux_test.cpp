#include "support/CrashReporting.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>

#include "LogTestSupport.h"
#include "platform/Exception.h"
#include "platform/HandlerGuard.h"
#include "support/tbLog.h"
#include "support/tsException.h"

namespace tesra {
namespace {
namespace fs = std::filesystem;
using testing::LogFixture;

class CrashReportingTest : public LogFixture {
protected:
    void SetUp() override {
        LogFixture::SetUp();
        InitializeTbLog(MachineLogIdentity(environment, network));
    }
};

TEST_F(CrashReportingTest, GuardReportsEveryStageToTheHook) {
    std::vector<int> stages;
    std::vector<std::string> messages;
    SetExceptionNotifyProc([&](const ExceptionRecord& record, int stage, bool& proceed) {
        stages.push_back(stage);
        messages.push_back(record.object ? record.object->what() : record.reportText);
        proceed = false;
    });
    platform::RunHandler([] { throw Exception("一"); });
    platform::RunHandler([] { throw SilentAbort(); });
    platform::RunHandler([] {});
    EXPECT_EQ(stages, (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(messages, (std::vector<std::string>{"一", "一", "一"}));
    InitializeTbLog(
        MachineLogIdentity(environment, network));  // the log class is registered already: the hook stays as it is
    platform::RunHandler([] { throw 3.5; });
    EXPECT_EQ(messages.back(), "发生 double 异常");
    SetExceptionNotifyProc(ExceptionHook);
}

void CrashWith(int signal, platform::Environment& environment, platform::NetworkIdentity& network) {
    rlimit noCore{0, 0};  // the crash is on purpose: no core file
    setrlimit(RLIMIT_CORE, &noCore);
    InitializeTbLog(MachineLogIdentity(environment, network));
    if (signal == SIGABRT) std::abort();
    raise(signal);
}

TEST_F(CrashReportingTest, FatalFaultWritesOneLastEntry) {
    ClientLog().LogError("before the crash");
    struct Case {
        int signal;
        std::string text;
    };
    const Case cases[] = {{SIGSEGV, "发生 SIGSEGV 异常：Segmentation fault"},
                          {SIGABRT, "发生 SIGABRT 异常：Aborted"},
                          {SIGFPE, "发生 SIGFPE 异常：Floating point exception"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EXIT(CrashWith(c.signal, environment, network), ::testing::KilledBySignal(c.signal), "");
    }
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(IsEntry(entries[0], "before the crash", "错误"));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text);
        EXPECT_TRUE(IsEntry(entries[i + 1], cases[i].text, "异常")) << entries[i + 1];
    }
}

TEST_F(CrashReportingTest, FatalFaultStartsANewFileWithItsHeader) {
    EXPECT_EXIT(CrashWith(SIGBUS, environment, network), ::testing::KilledBySignal(SIGBUS), "");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(IsEntry(entries[0], "发生 SIGBUS 异常：Bus error", "异常")) << entries[0];
}

}  // namespace
}  // namespace tesra
