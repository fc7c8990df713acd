#include "support/tsLog.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Environment.h"
#include "platform/Platform.h"
#include "support/CrashReporting.h"
#include "support/FailureLog.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"
#include "support/tsException.h"

namespace tesra {
namespace {

const char* const kLevelNames[kLogLevelCount] = {"调试", "信息", "警告", "错误", "异常",
                                                 "系统", "设计", "操作", "入侵", "删除"};

std::mutex g_identityMutex;
std::optional<LogIdentity> g_identity;

LogIdentity CurrentIdentity() {
    std::lock_guard lock(g_identityMutex);
    if (g_identity) return *g_identity;
    return {GetProgramFileName(), nullptr, nullptr};
}

// A log ends after its header or after an entry; anything else is the tail of a cut-off entry.
const std::vector<std::string_view> kLogEndMarks = {"<Logs>\r\n", "/>\n\r\n"};

std::mutex g_instanceMutex;
const LogClass* g_logClass = nullptr;
// Lives to the end of the process, so that logging from late exit code still finds it.
TtsCustomLog* g_instance = nullptr;

// An entry that the log could not take goes to standard error, so that its cause is not lost.
void LostEntry(const std::string& why, const std::string& entryText) {
    std::fprintf(stderr, "TesraBrowser: %s\n  %s\n", why.c_str(), GbkToUtf8(entryText).c_str());
}

}  // namespace

std::string LogLevelName(int level) { return level >= 0 && level < kLogLevelCount ? kLevelNames[level] : ""; }

bool TtsCustomLog::IsDesignEnvironment() { return IsDevEnvironmentRunning(); }
bool TtsCustomLog::IsQuietMode() { return false; }
bool TtsCustomLog::IsSpecificException(const std::exception& exception) {
    return ExceptionClassName(exception) != "Exception";
}
bool TtsCustomLog::IgnoreException(const std::exception&) { return false; }
bool TtsCustomLog::OfferReport() { return false; }
void TtsCustomLog::DoClientLog(const std::string&) {}
std::string TtsCustomLog::GetLogFileName() { return "tesra.elf"; }

std::string TtsCustomLog::EntryText(const std::string& text, int level) {
    TtsCustomLogItem item(text, level);
    return item.SaveToString();
}

void TtsCustomLog::LogText(const std::string& text, int level) { DoClientLog(EntryText(text, level)); }
void TtsCustomLog::LogError(const std::string& text) { LogText(text, kLogError); }
void TtsCustomLog::LogException(const std::string& text) { LogText(text, kLogException); }

void TtsCustomLog::LogExceptionWithCaption(const std::string& caption, const std::exception& exception) {
    LogException(caption + DescribeException(exception));
}

std::string TtsLog::GetLogPath() {
    return platform::Default().environment.LocalAppDataFolder() + "/Kestal/TesraBrowser/Log/";
}

void TtsLog::DoClientLog(const std::string& entryText) {
    std::lock_guard lock(mutex_);
    std::string fileName;
    try {
        platform::Environment& environment = platform::Default().environment;
        std::string folder = GetLogPath();
        ForceFolder(environment, folder);
        fileName = folder + GetLogFileName();
        environment.AppendRecord({fileName, kLogFileHeader, kLogEndMarks, fileName + kLogPartialSuffix},
                                 entryText + "\r\n");
    } catch (const FileFailure& e) {
        // An open failure leaves the existing file as it is: an entry is lost rather than the log.
        std::string format = e.Operation() == platform::kOpenFileOperation
                                 ? "TtsLog.DoClientLog 出错在打开文件: %s, %s, %s"
                                 : "TtsLog.DoClientLog 出错在写文件: %s, %s, %s";
        DebugTraceFmt(format, {fileName, std::generic_category().message(e.Error()), GbkToUtf8(entryText)});
        LostEntry(e.what(), entryText);
    } catch (const std::exception& e) {
        DebugTraceFmt("TtsLog.DoClientLog 出错在写文件: %s, %s, %s", {fileName, e.what(), GbkToUtf8(entryText)});
        LostEntry(e.what(), entryText);
    }
}

TtsCustomLogItem::TtsCustomLogItem(std::string text, int level) : text_(std::move(text)), level_(level) {
    SetElementName("Log");
}

std::string TtsCustomLogItem::GetTime() const { return fixedTime_.empty() ? NowText() : fixedTime_; }

std::string TtsCustomLogItem::GetClientVersion() const { return CurrentIdentity().clientVersion; }

// The machine's identity must not cost the entry: without it the entry is still written.
std::string TtsCustomLogItem::GetHost() const {
    try {
        auto host = CurrentIdentity().host;
        return host ? host() : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

std::string TtsCustomLogItem::GetIPAddress() const {
    try {
        auto address = CurrentIdentity().address;
        if (address) return address();
    } catch (const std::exception&) {
    }
    return "127.0.0.1";
}

std::vector<PublishedProperty> TtsCustomLogItem::PublishedProperties() const {
    auto list = TtsXMLElementObject::PublishedProperties();
    list.push_back({"Time", [this] { return GetTime(); }});
    list.push_back({"ClientVersion", [this] { return GetClientVersion(); }});
    list.push_back({"Host", [this] { return GetHost(); }});
    list.push_back({"IPAddress", [this] { return GetIPAddress(); }});
    list.push_back({"Log", [this] { return text_; }});
    list.push_back({"LogType", [this] { return GetLogType(); }});
    return list;
}

void SetLogIdentity(LogIdentity identity) {
    std::lock_guard lock(g_identityMutex);
    g_identity = std::move(identity);
}

void RegisterLogClass(const LogClass* logClass) {
    if (!logClass) throw std::logic_error("RegisterLogClass without a class");
    {
        std::lock_guard lock(g_instanceMutex);
        if (logClass == g_logClass) return;
        delete g_instance;
        g_instance = nullptr;
        g_logClass = logClass;
    }
    SetExceptionNotifyProc(ExceptionHook);
    SetErrorNotifyProc(LogErrorNotification);
}

TtsCustomLog& ClientLog() {
    std::lock_guard lock(g_instanceMutex);
    if (!g_instance) g_instance = (g_logClass ? g_logClass : LogClassOf<TtsLog>())->create().release();
    return *g_instance;
}

void LogErrorNotification(const std::string& text) { ClientLog().LogError(text); }

}  // namespace tesra
