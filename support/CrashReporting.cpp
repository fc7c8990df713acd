#include "support/CrashReporting.h"

#include <cxxabi.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Environment.h"
#include "platform/Exception.h"
#include "platform/Platform.h"
#include "support/Format.h"
#include "support/tsCommon.h"
#include "support/tsException.h"
#include "support/tsLog.h"

namespace tesra {
namespace {

std::mutex g_notifyMutex;
ExceptionNotifyProc g_notify;

ExceptionNotifyProc NotifyProc() {
    std::lock_guard lock(g_notifyMutex);
    return g_notify;
}

// Announces a stage; true when the layer is to carry it out.
bool Announce(const ExceptionNotifyProc& notify, const ExceptionRecord& record, int stage) {
    bool proceed = true;
    if (notify) notify(record, stage, proceed);
    return proceed;
}

// The layer's own report of an exception goes to standard error, where a developer sees it.
void ReportToStandardError(const ExceptionRecord& record) {
    std::string text = record.object ? DescribeException(*record.object) : record.reportText;
    std::fprintf(stderr, "TesraBrowser: %s\n", text.c_str());
}

// The type name of the exception being handled, for objects that are no std::exception.
std::string CurrentExceptionTypeName() {
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (!type) return "unknown";
    int status = 0;
    char* demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type->name();
    std::free(demangled);
    return name;
}

void RunStages(const ExceptionRecord& record) {
    ExceptionNotifyProc notify = NotifyProc();
    if (Announce(notify, record, kStageShowDialog)) ReportToStandardError(record);
    // The layer keeps no log file of its own: the save stage has nothing to do beyond its announcement.
    Announce(notify, record, kStageSaveLog);
    Announce(notify, record, kStageSaved);
}

// The last entries for fatal faults, serialised at start with a placeholder for the time, so that
// the fault handler only fills in digits and writes.
struct FaultEntries {
    platform::Environment* environment = nullptr;
    std::string path;
    std::array<std::string, platform::kFatalFaultCount> entries;
    std::array<size_t, platform::kFatalFaultCount> timeOffsets{};
};
std::atomic<FaultEntries*> g_faultEntries{nullptr};

// Every set of entries stays to the end of the process (and after: the list is never destroyed),
// since the fault handler may be reading a replaced one at any time.
FaultEntries* KeepFaultEntries(std::unique_ptr<FaultEntries> entries) {
    static auto* kept = new std::vector<std::unique_ptr<FaultEntries>>;
    kept->push_back(std::move(entries));
    return kept->back().get();
}

const char kTimePlaceholder[] = "0000-00-00 00:00:00";

void PutDigits(char* at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

void WriteFaultEntry(platform::FatalFault fault, const platform::LocalTime& now) {
    FaultEntries* entries = g_faultEntries.load();
    if (!entries) return;
    auto index = static_cast<size_t>(fault);
    std::string& entry = entries->entries[index];
    size_t offset = entries->timeOffsets[index];
    if (offset == std::string::npos) return;
    char* time = entry.data() + offset;  // "yyyy-mm-dd hh:nn:ss"
    PutDigits(time, now.year, 4);
    PutDigits(time + 5, now.month, 2);
    PutDigits(time + 8, now.day, 2);
    PutDigits(time + 11, now.hour, 2);
    PutDigits(time + 14, now.minute, 2);
    PutDigits(time + 17, now.second, 2);
    entries->environment->AppendForFault(entries->path.c_str(), kLogFileHeader, sizeof kLogFileHeader - 1, entry.data(),
                                         entry.size());
}

void PrepareFaultEntries() {
    auto prepared = std::make_unique<FaultEntries>();
    prepared->environment = &platform::Default().environment;
    TtsCustomLog& log = ClientLog();
    std::string folder = log.GetLogPath();
    try {
        ForceFolder(*prepared->environment, folder);
    } catch (const std::exception&) {
        // Then a fault finds no folder and writes nothing; the ordinary entries report the problem.
    }
    prepared->path = folder + log.GetLogFileName();
    for (int i = 0; i < platform::kFatalFaultCount; ++i) {
        auto fault = static_cast<platform::FatalFault>(i);
        TtsCustomLogItem item(
            Format("发生 %s 异常：%s", {platform::Default().environment.FatalFaultName(fault),
                                        platform::Default().environment.FatalFaultDescription(fault)}),
            kLogException);
        item.SetFixedTime(kTimePlaceholder);
        std::string entry = item.SaveToString() + "\r\n";
        prepared->timeOffsets[static_cast<size_t>(i)] = entry.find(kTimePlaceholder);
        prepared->entries[static_cast<size_t>(i)] = std::move(entry);
    }
    g_faultEntries.store(KeepFaultEntries(std::move(prepared)));
}

}  // namespace

void SetExceptionNotifyProc(ExceptionNotifyProc proc) {
    std::lock_guard lock(g_notifyMutex);
    g_notify = std::move(proc);
}

void HandleCurrentException() {
    try {
        throw;
    } catch (const SilentAbort&) {
    } catch (const std::exception& e) {
        RunStages({&e, {}});
    } catch (...) {
        RunStages({nullptr, "发生 " + CurrentExceptionTypeName() + " 异常"});
    }
}

void GuardHandler(const platform::Handler& handler) {
    try {
        handler();
    } catch (...) {
        HandleCurrentException();
    }
}

void InstallCrashReporting() {
    platform::Default().app.SetHandlerGuard(GuardHandler);
    PrepareFaultEntries();
    platform::Default().environment.SetFatalFaultHandler(WriteFaultEntry);
}

}  // namespace tesra
