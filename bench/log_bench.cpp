// Client log entries appended per second, with one and four threads, beside plain appends of the
// same bytes (open in append mode, one write, close per entry, as the log does). The log's cost over
// the plain append is building the entry (time, machine name and address, XML escaping and GBK
// conversion), the mutex, and the file lock with the check of the file's end that processes sharing
// the log need. Prints the ratio of the two at the end. Runs in a temporary home.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "linux/LinuxEnvironment.h"
#include "linux/LinuxNetworkIdentity.h"
#include "services/LogIdentity.h"
#include "support/tbLog.h"
#include "tests/unit/PlatformFakes.h"

namespace {
namespace fs = std::filesystem;

const std::string kText =
    "发生 EAccessViolation 异常：Access violation at address 00401234 in module 'TesraBrowser'.\r\n\r\n";

std::mutex g_resultsMutex;
std::map<std::string, double> g_rates;

fs::path TempHome() {
    static const fs::path home = [] {
        char pattern[] = "/tmp/tesra-log-bench-XXXXXX";
        fs::path root = mkdtemp(pattern);
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
        return root;
    }();
    return home;
}

void Record(benchmark::State& state, const std::string& name) {
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() != 0) return;
    std::lock_guard lock(g_resultsMutex);
    g_rates[name + "/" + std::to_string(state.threads())] = 0;  // filled in by the reporter
}

void BM_ClientLogEntry(benchmark::State& state, tesra::TtsCustomLog* log) {
    for (auto _ : state) log->LogError(kText);
    Record(state, "log");
}

void BM_PlainAppend(benchmark::State& state, tesra::TtsCustomLog* log) {
    const std::string bytes = log->EntryText(kText, tesra::kLogError) + "\r\n";
    const std::string path = (TempHome() / "plain.elf").string();
    for (auto _ : state) {
        int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        benchmark::DoNotOptimize(write(fd, bytes.data(), bytes.size()));
        close(fd);
    }
    Record(state, "plain");
}

// Keeps each benchmark's entries per second for the ratio.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto rate = run.counters.find("items_per_second");
            if (rate != run.counters.end()) rates[run.benchmark_name()] = rate->second;
        }
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    fs::path home = TempHome();
    tesra::platform::LinuxEnvironment environment;
    tesra::platform::LinuxNetworkIdentity network;
    // The log needs the environment and the network; the rest of the platform is of fakes.
    tesra::fakes::FakePlatform fakes(environment);
    const tesra::platform::Platform platform = tesra::fakes::With(fakes.handle, network);
    tesra::TbLog log(platform, tesra::MachineLogIdentity(environment, network));
    benchmark::RegisterBenchmark("BM_ClientLogEntry", BM_ClientLogEntry, &log.Log())
        ->Threads(1)
        ->Threads(4)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_PlainAppend", BM_PlainAppend, &log.Log())->Threads(1)->Threads(4)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* threads : {"1", "4"}) {
        double log = reporter.rates["BM_ClientLogEntry/real_time/threads:" + std::string(threads)];
        double plain = reporter.rates["BM_PlainAppend/real_time/threads:" + std::string(threads)];
        if (log > 0 && plain > 0) {
            std::printf("threads %s: log %.0f entries/s, plain append %.0f/s, log/plain = %.2f\n", threads, log, plain,
                        log / plain);
        }
    }
    std::error_code ignored;
    fs::remove_all(home, ignored);
    benchmark::Shutdown();
}
