#include "support/CrashReporting.h"

#include <cxxabi.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/Application.h"
#include "platform/Environment.h"
#include "platform/Exception.h"
#include "support/Format.h"
#include "support/tsCommon.h"
#include "support/tsException.h"
#include "support/tsLog.h"

namespace tesra {
namespace {

// Announces a stage; true when the layer is to carry it out.
bool Announce(const ExceptionNotifyProc& notify, const ExceptionRecord& record, int stage) {
    bool proceed = true;
    if (notify) notify(record, stage, proceed);
    return proceed;
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

const char kTimePlaceholder[] = "0000-00-00 00:00:00";

void PutDigits(char* at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

struct FaultEntries {
    std::string path;
    std::array<std::string, platform::kFatalFaultCount> entries;
    std::array<size_t, platform::kFatalFaultCount> timeOffsets{};
};

CrashReporter::CrashReporter(platform::Environment& environment, platform::FocusInfo& focus, TtsCustomLog& log)
    : environment_(environment), focus_(focus), log_(log) {}

CrashReporter::~CrashReporter() {
    if (!app_) return;
    environment_.SetFatalFaultHandler(nullptr, nullptr);
    app_->SetHandlerGuard(nullptr);
}

void CrashReporter::SetExceptionNotifyProc(ExceptionNotifyProc proc) {
    std::lock_guard lock(notifyMutex_);
    notify_ = std::move(proc);
}

ExceptionNotifyProc CrashReporter::NotifyProc() {
    std::lock_guard lock(notifyMutex_);
    return notify_;
}

void CrashReporter::RunStages(const ExceptionRecord& record) {
    ExceptionNotifyProc notify = NotifyProc();
    if (Announce(notify, record, kStageShowDialog)) {
        // The layer's own report goes to standard error, where a developer sees it.
        std::string text = record.object ? DescribeException(focus_, *record.object) : record.reportText;
        std::fprintf(stderr, "TesraBrowser: %s\n", text.c_str());
    }
    // The layer keeps no log file of its own: the save stage has nothing to do beyond its announcement.
    Announce(notify, record, kStageSaveLog);
    Announce(notify, record, kStageSaved);
}

void CrashReporter::HandleCurrentException() {
    try {
        throw;
    } catch (const SilentAbort&) {
    } catch (const std::exception& e) {
        RunStages({&e, {}});
    } catch (...) {
        RunStages({nullptr, "发生 " + CurrentExceptionTypeName() + " 异常"});
    }
}

void CrashReporter::Guard(const platform::Handler& handler) {
    try {
        handler();
    } catch (...) {
        HandleCurrentException();
    }
}

void CrashReporter::WriteFaultEntry(void* context, platform::FatalFault fault, const platform::LocalTime& now) {
    auto* self = static_cast<CrashReporter*>(context);
    FaultEntries* entries = self->current_.load();
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
    self->environment_.AppendForFault(entries->path.c_str(), kLogFileHeader, sizeof kLogFileHeader - 1, entry.data(),
                                      entry.size());
}

void CrashReporter::PrepareFaultEntries() {
    auto prepared = std::make_unique<FaultEntries>();
    std::string folder = log_.GetLogPath();
    try {
        ForceFolder(environment_, folder);
    } catch (const std::exception&) {
        // Then a fault finds no folder and writes nothing; the ordinary entries report the problem.
    }
    prepared->path = folder + log_.GetLogFileName();
    for (int i = 0; i < platform::kFatalFaultCount; ++i) {
        auto fault = static_cast<platform::FatalFault>(i);
        TtsCustomLogItem item(
            Format("发生 %s 异常：%s", {environment_.FatalFaultName(fault), environment_.FatalFaultDescription(fault)}),
            kLogException, log_.Identity());
        item.SetFixedTime(kTimePlaceholder);
        std::string entry = item.SaveToString() + "\r\n";
        prepared->timeOffsets[static_cast<size_t>(i)] = entry.find(kTimePlaceholder);
        prepared->entries[static_cast<size_t>(i)] = std::move(entry);
    }
    faultEntries_.push_back(std::move(prepared));
    current_.store(faultEntries_.back().get());
}

void CrashReporter::Install(platform::Application& app) {
    app_ = &app;
    app.SetHandlerGuard([this](const platform::Handler& handler) { Guard(handler); });
    PrepareFaultEntries();
    environment_.SetFatalFaultHandler(WriteFaultEntry, this);
}

}  // namespace tesra
