#include "support/tsLog.h"

#include <cstdio>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Environment.h"
#include "support/FailureLog.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"
#include "support/tsException.h"

namespace tesra {
namespace {

const char* const kLevelNames[kLogLevelCount] = {"调试", "信息", "警告", "错误", "异常",
                                                 "系统", "设计", "操作", "入侵", "删除"};

// A log ends after its header or after an entry; anything else is the tail of a cut-off entry.
const std::vector<std::string_view> kLogEndMarks = {"<Logs>\r\n", "/>\n\r\n"};

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

void TtsCustomLog::SetIdentity(LogIdentity identity) {
    std::lock_guard lock(identityMutex_);
    identity_ = std::move(identity);
}

LogIdentity TtsCustomLog::Identity() const {
    std::lock_guard lock(identityMutex_);
    return identity_;
}

std::string TtsCustomLog::EntryText(const std::string& text, int level) const {
    TtsCustomLogItem item(text, level, Identity());
    return item.SaveToString();
}

void TtsCustomLog::LogText(const std::string& text, int level) { DoClientLog(EntryText(text, level)); }
void TtsCustomLog::LogError(const std::string& text) { LogText(text, kLogError); }
void TtsCustomLog::LogException(const std::string& text) { LogText(text, kLogException); }

void TtsCustomLog::LogExceptionWithCaption(const std::string& caption, const std::exception& exception,
                                           platform::FocusInfo& focus) {
    LogException(caption + DescribeException(focus, exception));
}

TtsLog::TtsLog(platform::Environment& environment, DebugTracer& trace) : environment_(environment), trace_(trace) {
    SetIdentity({GetProgramFileName(environment), nullptr, nullptr});
}

std::string TtsLog::GetLogPath() { return environment_.LocalAppDataFolder() + "/Kestal/TesraBrowser/Log/"; }

void TtsLog::DoClientLog(const std::string& entryText) {
    std::lock_guard lock(mutex_);
    std::string fileName;
    try {
        std::string folder = GetLogPath();
        ForceFolder(environment_, folder);
        fileName = folder + GetLogFileName();
        environment_.AppendRecord({fileName, kLogFileHeader, kLogEndMarks, fileName + kLogPartialSuffix},
                                  entryText + "\r\n");
    } catch (const FileFailure& e) {
        // An open failure leaves the existing file as it is: an entry is lost rather than the log.
        std::string format = e.Operation() == platform::kOpenFileOperation
                                 ? "TtsLog.DoClientLog 出错在打开文件: %s, %s, %s"
                                 : "TtsLog.DoClientLog 出错在写文件: %s, %s, %s";
        trace_.TraceFmt(format, {fileName, std::generic_category().message(e.Error()), GbkToUtf8(entryText)});
        LostEntry(e.what(), entryText);
    } catch (const std::exception& e) {
        trace_.TraceFmt("TtsLog.DoClientLog 出错在写文件: %s, %s, %s", {fileName, e.what(), GbkToUtf8(entryText)});
        LostEntry(e.what(), entryText);
    }
}

TtsCustomLogItem::TtsCustomLogItem(std::string text, int level, LogIdentity identity)
    : text_(std::move(text)), level_(level), identity_(std::move(identity)) {
    SetElementName("Log");
}

std::string TtsCustomLogItem::GetTime() const { return fixedTime_.empty() ? NowText() : fixedTime_; }

std::string TtsCustomLogItem::GetClientVersion() const { return identity_.clientVersion; }

// The machine's identity must not cost the entry: without it the entry is still written.
std::string TtsCustomLogItem::GetHost() const {
    try {
        return identity_.host ? identity_.host() : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

std::string TtsCustomLogItem::GetIPAddress() const {
    try {
        if (identity_.address) return identity_.address();
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

}  // namespace tesra
