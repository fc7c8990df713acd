#include "platform/FatalFault.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "linux/Leftovers.h"
#include "linux/LinuxEnvironment.h"

namespace tesra::platform {
namespace {

constexpr int kSignals[kFatalFaultCount] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr const char* kNames[kFatalFaultCount] = {"SIGSEGV", "SIGBUS", "SIGFPE", "SIGILL", "SIGABRT"};

std::atomic<FatalFaultProc> g_proc{nullptr};
std::atomic<void*> g_context{nullptr};
std::atomic_flag g_entered = ATOMIC_FLAG_INIT;
// localtime_r is not async-signal-safe: the offset from UTC is taken when the handler is armed.
long g_utcOffset = 0;

// Days since 1970-01-01 to a civil date (Howard Hinnant's algorithm; no library calls).
void CivilFromDays(long long days, int& year, int& month, int& day) {
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long dayOfEra = days - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

LocalTime NowLocal() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    long long seconds = static_cast<long long>(now.tv_sec) + g_utcOffset;
    long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    long long secondOfDay = seconds - days * 86400;
    LocalTime time{};
    CivilFromDays(days, time.year, time.month, time.day);
    time.hour = static_cast<int>(secondOfDay / 3600);
    time.minute = static_cast<int>(secondOfDay / 60 % 60);
    time.second = static_cast<int>(secondOfDay % 60);
    return time;
}

void OnFatalSignal(int signal) {
    FatalFaultProc proc = g_proc.load();
    if (proc && !g_entered.test_and_set()) {
        for (int i = 0; i < kFatalFaultCount; ++i) {
            if (kSignals[i] == signal) proc(g_context.load(), static_cast<FatalFault>(i), NowLocal());
        }
    }
    RemoveExitFiles();
    // SA_RESETHAND has put back the default action: raising again ends the process as it would
    // have ended without us (core dump included).
    raise(signal);
}

// A stack overflow leaves no stack for the handler: it runs on a stack of its own.
void UseAlternateStack() {
    static char* stack = nullptr;
    if (stack) return;
    size_t size = 64 * 1024;
    stack = new char[size];
    stack_t alternate{};
    alternate.ss_sp = stack;
    alternate.ss_size = size;
    sigaltstack(&alternate, nullptr);
}

}  // namespace

void LinuxEnvironment::SetFatalFaultHandler(FatalFaultProc proc, void* context) {
    time_t now = time(nullptr);
    tm parts{};
    localtime_r(&now, &parts);
    g_utcOffset = parts.tm_gmtoff;
    g_context.store(context);
    g_proc.store(proc);
    if (proc) UseAlternateStack();
    struct sigaction action {};
    action.sa_handler = proc ? OnFatalSignal : SIG_DFL;
    sigemptyset(&action.sa_mask);
    action.sa_flags = proc ? SA_RESETHAND | SA_NODEFER | SA_ONSTACK : 0;
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

bool LinuxEnvironment::AppendForFault(const char* path, const char* header, std::size_t headerSize, const char* data,
                                      std::size_t dataSize) {
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // The lock that the log's writers take, waited for a moment only: this thread may itself hold it.
    for (int attempt = 0; attempt < 50 && flock(fd, LOCK_EX | LOCK_NB) != 0; ++attempt) {
        timespec pause{0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0;
    // Header and entry in one write, as every entry goes out.
    iovec parts[2] = {{const_cast<char*>(header), info.st_size == 0 ? headerSize : 0},
                      {const_cast<char*>(data), dataSize}};
    ok = ok && writev(fd, parts, 2) == static_cast<ssize_t>(parts[0].iov_len + dataSize);
    close(fd);
    return ok;
}

std::string LinuxEnvironment::FatalFaultName(FatalFault fault) { return kNames[static_cast<int>(fault)]; }

std::string LinuxEnvironment::FatalFaultDescription(FatalFault fault) {
    return strsignal(kSignals[static_cast<int>(fault)]);
}

}  // namespace tesra::platform
